// The extraction folder's owner marker, and the start-up sweep that removes the folders crashed runs left behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace projector {

// This process's creation time (100 ns units since 1601), or 0 when the system does not say.
uint64_t ProcessStartTime(HANDLE process);

// Writes the owner marker into a folder this process just made; false when it could not be written.
bool WriteOwnerMarker(const std::wstring& folder) noexcept;

// Silently removes, from the places extraction folders are made in (the temporary folder, the executable's
// folder, C:\), every folder an earlier run of any projector made and left behind when its process ended
// without cleaning up. Folders of running projectors, foreign folders and links are left alone; a folder that
// is too big or in use, or that the time given to the sweep does not reach, is left for a later run.
// Returns how many folders were removed.
int RemoveStaleExtractionFolders(const std::wstring& ownFolder) noexcept;

}  // namespace projector
