// fscall [--library PATH] COMMAND [ARGUMENT TEXT] | fscall [--library PATH] --each | fscall [--library PATH] --list
// Calls the export "FS" + COMMAND of the extension libraries with the argument text, the way the projector
// does, and prints the raw answer and the movie variables the projector would set, as UTF-8. With --each it
// reads one command a line from standard input and keeps the libraries loaded from the first to the last.
#include <windows.h>

#include <string>
#include <vector>

#include "fscommand/extension_registry.h"

namespace {

std::string Utf8(const std::wstring& text) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

std::wstring Wide(const std::string& bytes) {
  int chars = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
  if (chars > 0) ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), chars);
  return text;
}

void Write(const std::wstring& text, DWORD stream = STD_OUTPUT_HANDLE) {
  std::string utf8 = Utf8(text);
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
      "       fscall [--library PATH] --each   (one COMMAND [ARGUMENT TEXT] a line on standard input)\n"
      "       fscall [--library PATH] --list\n";
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, sizeof text - 1, &written, nullptr);
  return 2;
}

// Calls one command and prints its answer and assignments; false when no library has the export.
bool CallAndPrint(projector::ExtensionRegistry& registry, const std::wstring& command, const std::wstring& text) {
  std::wstring answer;
  if (!registry.CallExport(L"FS" + command, text, &answer)) return false;
  WriteLine(answer);
  PrintedMovie movie;
  projector::ApplyAnswer(movie, projector::InterpretAnswer(answer, text));
  return true;
}

// Each non-empty line is COMMAND, then after the first blank the argument text as written; a line's answer is
// printed before the next line is read.
int RunEach(projector::ExtensionRegistry& registry) {
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  bool allAnswered = true;
  std::string line;
  auto runLine = [&](std::string bytes) {
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    std::wstring text = Wide(bytes);
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos) return;
    size_t blank = text.find_first_of(L" \t", start);
    std::wstring command = text.substr(start, blank == std::wstring::npos ? std::wstring::npos : blank - start);
    std::wstring arguments = blank == std::wstring::npos ? std::wstring() : text.substr(blank + 1);
    if (!CallAndPrint(registry, command, arguments)) {
      WriteError(Unanswered(registry, L"FS" + command));
      allAnswered = false;
    }
  };
  char buffer[4096];
  DWORD got = 0;
  // A read from a pipe or console returns what has arrived, so each complete line runs at once.
  while (::ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        runLine(std::move(line));
        line.clear();
      } else {
        line += buffer[i];
      }
    }
  }
  if (!line.empty()) runLine(std::move(line));
  return allAnswered ? 0 : 1;
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

  if (args[next] == L"--each") {
    if (next + 1 != args.size()) return Usage();
    int code = RunEach(registry);
    registry.FreeLibraries();
    return code;
  }

  std::wstring command = args[next++];
  std::wstring text;
  for (; next < args.size(); ++next) {
    if (!text.empty()) text += L' ';
    text += args[next];
  }
  bool answered = CallAndPrint(registry, command, text);
  if (!answered) WriteError(Unanswered(registry, L"FS" + command));
  registry.FreeLibraries();
  return answered ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    return 3;
  }
}
