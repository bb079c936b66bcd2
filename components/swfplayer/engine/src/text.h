#pragma once
// Script text: how movies store string data, and the units string actions and methods count.
#include <cstdint>
#include <string>

namespace swf {

// String data of a movie as script text. Movies before the sixth version store bytes of the system code page,
// read here as Latin-1; later ones store UTF-8, and text that is not valid UTF-8 reads as empty.
std::string DecodeStringData(std::string raw, int version);

// The characters of a text. From the sixth version a character is a UTF-16 code unit, so one outside the basic
// plane counts as two; before it every character is one unit (a byte of the code page).
std::u32string TextUnits(const std::string& s, bool utf16);
// The text of units; with utf16, pairs of surrogates are joined and a lone one becomes U+FFFD.
std::string UnitsText(const std::u32string& units, bool utf16);
size_t TextLength(const std::string& s, bool utf16);
// The first character's code, 0 for an empty text; a lone surrogate reads as U+FFFD.
uint32_t FirstUnit(const std::string& s, bool utf16);

std::string Utf8Encode(uint32_t cp);

}  // namespace swf
