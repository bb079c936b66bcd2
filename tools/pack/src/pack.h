// The packer's three commands: build a packed projector from a manifest,
// list one, and unpack one into a folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace pack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// Payloads above this many bytes get progress lines on the error stream.
inline constexpr uint64_t kProgressThreshold = 4u << 20;

struct BuildOptions {
  std::filesystem::path manifest;
  std::filesystem::path output;
  std::optional<std::filesystem::path> stub;  // default: ../ARCH/projector.exe beside the packer
  std::string arch;  // "win32" or "win64"; empty: win64 for the packer in dist/win64, else win32
  std::optional<uint32_t> formatVersion;
  bool noCompress = false;
  std::filesystem::path selfPath;  // the packer's own executable
};

int Build(const BuildOptions& options, std::ostream& out, std::ostream& err);
int Inspect(const std::filesystem::path& exe, std::ostream& out, std::ostream& err);
// Writes block files under DIR/blocks, embedded files under DIR/document and
// DIR/manifest.toml, which builds the same projector again.
int Extract(const std::filesystem::path& exe, const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

// Parses the arguments and runs the command; returns the exit code.
int RunCommandLine(int argc, char** argv, const std::filesystem::path& self, std::ostream& out, std::ostream& err);

}  // namespace pack
