// The checks every export answer must pass: a text that starts with the command's separator, holds no NUL
// before its end, and carries a decimal code where the command answers with a code.
#pragma once

#include <cstddef>
#include <string>

#include "fuzz_exports/shapes.h"

namespace fuzz_exports {

// What is wrong with an answer of `length` characters (the BSTR's own length); empty when nothing is.
// A null answer is `answer` == nullptr.
std::string AnswerProblem(const ExportShape& shape, const wchar_t* answer, size_t length);

// True for an optional '-' followed by 1 to 19 decimal digits.
bool IsDecimalCode(const std::wstring& text);

}  // namespace fuzz_exports
