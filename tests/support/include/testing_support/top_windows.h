// Top-level windows for the Windows tests: which ones exist, which a process owns, what class each is.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Every top-level window of the desktop, front to back.
std::vector<HWND> TopLevelWindows();

// The top-level windows the process owns, front to back.
std::vector<HWND> ProcessWindows(DWORD process);

std::wstring WindowClass(HWND window);

// The first of the process's visible top-level windows, of the class when one is named; null when none is open.
HWND FindProcessWindow(DWORD process, const wchar_t* className = nullptr);

}  // namespace testing_support
