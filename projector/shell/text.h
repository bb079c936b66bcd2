// Conversions between the portable UTF-16 text of the formats and Win32 wide strings.
#pragma once

#include <string>
#include <string_view>

namespace projector {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");

inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace projector
