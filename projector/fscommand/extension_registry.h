// The extension libraries registered from a folder, their exports, and calling them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/extension_answer.h"
#include "framework/handles.h"

namespace projector {

struct ExtensionLibrary {
  std::wstring path;
  framework::UniqueModule module;  // loaded on the first call of one of its exports
};

struct ExtensionExport {
  std::wstring name;  // exactly as the library file lists it
  size_t library = 0;
};

// Told about each step of a dispatch, for the FSCommand log.
class DispatchObserver {
 public:
  virtual ~DispatchObserver() = default;
  virtual void OnCommand(const std::wstring& command, const std::wstring& args) {}
  virtual void OnFound(const std::wstring& libraryFileName) {}
  virtual void OnResult(const std::wstring& result) {}
  virtual void OnNotFound() {}
};

// Holds the registered libraries and their exports; loads a library on first use and frees them on request.
class ExtensionRegistry {
 public:
  // Adds every "*FSCmd*.dll" of the folder that exports a name, in file-name order without regard to case.
  void RegisterExtensionLibraries(const std::wstring& folder);
  // Adds one library file; false when it lists no export.
  bool RegisterLibrary(const std::wstring& path);

  // Offers the command to the export "FS" + command: true when an export answered, whose answer then
  // lands in the movie (an empty answer sets nothing).
  bool Dispatch(MovieVariables& movie, const std::wstring& command, const std::wstring& args,
                DispatchObserver* observer = nullptr);
  // Calls the first export of that exact name whose library loads; false when none answered. `beforeCall`
  // hears which library answers before its export runs, so that what the export does (a message box that
  // waits) comes after it.
  bool CallExport(const std::wstring& exportName, const std::wstring& args, std::wstring* answer,
                  bool* matched = nullptr, const std::function<void(size_t library)>& beforeCall = {});

  void FreeLibraries();

  bool empty() const { return libraries_.empty(); }
  const std::vector<ExtensionLibrary>& libraries() const { return libraries_; }
  const std::vector<ExtensionExport>& exports() const { return exports_; }

 private:
  std::vector<ExtensionLibrary> libraries_;
  std::vector<ExtensionExport> exports_;
};

// The export names of a library file, which is read but not loaded.
std::vector<std::wstring> ReadExportNames(const std::wstring& path);

// The running program's folder, with backslashes and without a trailing one.
std::wstring ProgramFolder();

}  // namespace projector
