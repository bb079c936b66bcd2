// fscall [--library PATH] COMMAND [ARGUMENT TEXT] | fscall [--library PATH] --list
// Calls the export "FS" + COMMAND of the extension libraries with the argument text, the way the projector
// does, and prints the raw answer and the movie variables the projector would set, as UTF-8.
#include <windows.h>

#include <string>
#include <vector>

#include "fscommand/extension_registry.h"

namespace {

void Write(const std::wstring& text, DWORD stream = STD_OUTPUT_HANDLE) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(stream), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteLine(const std::wstring& text) { Write(text + L"\n"); }

// Prints each variable as the movie would receive it.
class PrintedMovie : public projector::MovieVariables {
 public:
  void SetVariable(const std::wstring& name, const std::wstring& value) override { WriteLine(name + L"=" + value); }
};

void WriteError(const std::wstring& text) { Write(text, STD_ERROR_HANDLE); }

// Export names are case-sensitive, as the projector looks them up; a name that differs only in case is the
// likely meaning of a command that finds nothing.
std::wstring Unanswered(const projector::ExtensionRegistry& registry, const std::wstring& wanted) {
  std::wstring line = L"fscall: no library exports " + wanted;
  if (registry.exports().empty()) return line + L" (no extension library was found)\n";
  for (const projector::ExtensionExport& entry : registry.exports()) {
    if (entry.name.size() == wanted.size() &&
        ::CompareStringOrdinal(entry.name.c_str(), static_cast<int>(entry.name.size()), wanted.c_str(),
                               static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL) {
      return line + L"; " + entry.name + L" differs only in case (export names are case-sensitive)\n";
    }
  }
  return line + L"\n";
}

int Usage() {
  DWORD written = 0;
  const char text[] =
      "usage: fscall [--library PATH] COMMAND [ARGUMENT TEXT]\n"
      "       fscall [--library PATH] --list\n";
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, sizeof text - 1, &written, nullptr);
  return 2;
}

int Run(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  size_t next = 0;
  std::wstring library;
  if (next < args.size() && args[next] == L"--library") {
    if (next + 1 >= args.size()) return Usage();
    library = args[next + 1];
    next += 2;
  }
  if (next >= args.size()) return Usage();

  projector::ExtensionRegistry registry;
  if (library.empty())
    registry.RegisterExtensionLibraries(projector::ProgramFolder());
  else
    registry.RegisterLibrary(library);

  if (args[next] == L"--list") {
    if (next + 1 != args.size()) return Usage();
    for (const projector::ExtensionExport& entry : registry.exports()) WriteLine(entry.name);
    return registry.exports().empty() ? 1 : 0;
  }

  std::wstring command = args[next++];
  std::wstring text;
  for (; next < args.size(); ++next) {
    if (!text.empty()) text += L' ';
    text += args[next];
  }
  std::wstring answer;
  bool answered = registry.CallExport(L"FS" + command, text, &answer);
  if (!answered) {
    WriteError(Unanswered(registry, L"FS" + command));
    registry.FreeLibraries();
    return 1;
  }
  WriteLine(answer);
  PrintedMovie movie;
  projector::ApplyAnswer(movie, projector::InterpretAnswer(answer, text));
  registry.FreeLibraries();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    return 3;
  }
}
