#include "fuzz_exports/answer_check.h"

#include <cstdio>

namespace fuzz_exports {

bool IsDecimalCode(const std::wstring& text) {
  size_t start = !text.empty() && text[0] == L'-' ? 1 : 0;
  size_t digits = text.size() - start;
  if (digits == 0 || digits > 19) return false;
  for (size_t i = start; i < text.size(); ++i)
    if (text[i] < L'0' || text[i] > L'9') return false;
  return true;
}

std::string AnswerProblem(const ExportShape& shape, const wchar_t* answer, size_t length) {
  if (!answer) return "the answer is null";
  if (length == 0) return "the answer is empty (no separator)";
  for (size_t i = 0; i < length; ++i) {
    if (answer[i] == L'\0') return "the answer holds a NUL at character " + std::to_string(i) + " of " +
                                   std::to_string(length);
  }
  if (answer[0] != shape.separator) {
    char text[96];
    std::snprintf(text, sizeof text, "the answer starts with U+%04X instead of the separator U+%04X",
                  static_cast<unsigned>(answer[0]), static_cast<unsigned>(shape.separator));
    return text;
  }
  if (shape.numericPrimary) {
    std::wstring primary;
    for (size_t i = 1; i < length && answer[i] != shape.separator; ++i) primary += answer[i];
    if (!IsDecimalCode(primary)) return "the primary value is not a decimal code";
  }
  return {};
}

}  // namespace fuzz_exports
