// projector-pack command line: build, inspect, extract.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "pack.h"
#include "text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::filesystem::path SelfPath(const char* argv0) {
#ifdef _WIN32
  wchar_t buffer[32768];
  DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  if (n > 0 && n < std::size(buffer)) return std::filesystem::path(std::wstring(buffer, n));
#else
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self;
#endif
  return std::filesystem::absolute(pack::PathFromUtf8(argv0 ? argv0 : "projector-pack"));
}

int Guarded(int argc, char** argv) {
  try {
    return pack::RunCommandLine(argc, argv, SelfPath(argc > 0 ? argv[0] : nullptr), std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "projector-pack: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "projector-pack: unexpected failure\n";
  }
  return pack::kExitError;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** wargv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    std::u16string w(reinterpret_cast<const char16_t*>(wargv[i]));
    args.push_back(pack::ToUtf8(w));
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return Guarded(argc, argv.data());
}
#else
int main(int argc, char** argv) { return Guarded(argc, argv); }
#endif
