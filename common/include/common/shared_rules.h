// Text rules the projector and the extension library share: the fields of argument and answer texts, the
// authoring tool's program name, the e-mail link. Free of Win32.
#pragma once

#include <string>
#include <vector>

namespace common {

// Fields of an argument or answer text: blanks and control characters before a field's first visible
// character are dropped, empty fields between separators kept, a trailing empty field dropped; no quoting.
// Where no field has begun, a blank separator is dropped like any other blank.
std::vector<std::wstring> SplitFields(const std::wstring& text, wchar_t separator);

// True when the program's file name, the part after the last backslash, is the authoring tool's, in any case.
bool IsAuthoringToolPath(const std::wstring& programPath);

// "mailto:" in front of an address that is not empty and does not already contain it.
std::wstring MailAddress(const std::wstring& address);

}  // namespace common
