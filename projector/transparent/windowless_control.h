// The window object through which an owner talks to a control that may have no window.
#pragma once

#include <windows.h>

#include "framework/occ.h"

namespace projector {

// Proxy of a control created through the extended containment: its own handle stays NULL while the control is
// windowless, and every call goes through its control site.
class CWindowlessControl : public framework::CWnd {
 public:
  BOOL CreateControl(const wchar_t* progId, const wchar_t* windowName, DWORD style, const RECT& rect,
                     framework::CWnd* parent, UINT id, framework::CFile* persist = nullptr, BOOL storage = FALSE,
                     BSTR key = nullptr);
  BOOL CreateControl(REFCLSID clsid, const wchar_t* windowName, DWORD style, const RECT& rect,
                     framework::CWnd* parent, UINT id, framework::CFile* persist = nullptr, BOOL storage = FALSE,
                     BSTR key = nullptr);
};

}  // namespace projector
