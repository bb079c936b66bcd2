// The bridge's portable rules: reading export names from a library file's bytes, and turning an export's
// answer into movie variables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/shared_rules.h"

namespace projector {

// The names a library file exports, read straight from its bytes without loading it. Every offset is
// checked against `size`: a truncated, hostile or foreign file yields the names read so far.
std::vector<std::wstring> ReadExportNames(const uint8_t* data, size_t size);

// Fields of an argument or answer text, split the way the extension library splits them.
using common::SplitFields;

struct MovieAssignment {
  std::wstring name;
  std::wstring value;
};

// What the projector does with an export's answer.
struct ExtensionAnswer {
  wchar_t separator = 0;   // the answer's first character; 0 for an empty answer
  std::wstring result;     // the answer without its separator
  std::vector<MovieAssignment> assignments;  // "fscmd_ret" first, then the variables the arguments name
};

extern const wchar_t kReturnVariable[];  // "fscmd_ret"

ExtensionAnswer InterpretAnswer(const std::wstring& answer, const std::wstring& args);

// Where the answer lands: the movie of the control that sent the command.
class MovieVariables {
 public:
  virtual ~MovieVariables() = default;
  virtual void SetVariable(const std::wstring& name, const std::wstring& value) = 0;
};

void SetReturnValue(MovieVariables& movie, const std::wstring& value);
void SetMovieVariable(MovieVariables& movie, const std::wstring& name, const std::wstring& value);
void ApplyAnswer(MovieVariables& movie, const ExtensionAnswer& answer);

}  // namespace projector
