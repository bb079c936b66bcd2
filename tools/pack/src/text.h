// UTF-8 / UTF-16 conversion, file paths and hex text for the packer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pack {

std::u16string FromUtf8(std::string_view s);
std::string ToUtf8(std::u16string_view s);
std::filesystem::path PathFromUtf8(std::string_view s);
std::string PathToUtf8(const std::filesystem::path& p);
std::u16string PathToUtf16(const std::filesystem::path& p);

std::string ToHex(const std::vector<uint8_t>& bytes);
bool FromHex(std::string_view text, std::vector<uint8_t>* bytes);

// The last component of a Windows or POSIX path as stored in a document.
std::u16string BaseName(std::u16string_view path);

}  // namespace pack
