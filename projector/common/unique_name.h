// New file and folder names from the time of day, and creating and deleting folder trees.
#pragma once

#include <string>

namespace projector {

// The temporary folder without its trailing backslash, or the current directory when it does not exist.
std::wstring TemporaryFolder();
// The folder holding the running executable, without a trailing backslash.
std::wstring ExecutableFolder();
std::wstring ExecutablePath();

// "%s\%x%s" of the folder, the time of day in milliseconds and the extension, retried while the name exists.
std::wstring MakeUniqueName(const std::wstring& folder, const std::wstring& extension);
std::wstring MakeUniqueTempName(const std::wstring& extension);

bool PathExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Creates the folder and every missing parent.
bool CreateFolderPath(const std::wstring& path);
// Deletes the folder with everything in it; read-only files have their attribute flipped first.
bool DeleteFolderTree(const std::wstring& path);

}  // namespace projector
