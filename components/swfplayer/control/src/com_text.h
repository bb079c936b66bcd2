// Conversions between the UTF-16 strings of the control's COM side and the UTF-8 text of the movie.
#pragma once

#include <string>

#include "movie_host.h"

namespace swfcontrol {

inline std::string Utf8(const std::wstring& s) {
  return ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size()));
}

inline std::wstring Wide(const std::string& s) {
  std::u16string u = FromUtf8(s);
  return std::wstring(u.begin(), u.end());
}

}  // namespace swfcontrol
