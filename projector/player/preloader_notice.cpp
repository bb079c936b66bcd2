#include "preloader_notice.h"

#include <windows.h>

#include <cstdint>

namespace projector {

void PreloaderNotice::Open() {
  mailslot_.reset(::CreateFileW(L"\\\\.\\mailslot\\BrindleworkPreloader", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void PreloaderNotice::Notify() {
  if (!mailslot_) return;
  // The notice is the mailslot handle's value: the preloader only waits for four bytes.
  DWORD value = static_cast<DWORD>(reinterpret_cast<uintptr_t>(mailslot_.get()));
  DWORD written = 0;
  ::WriteFile(mailslot_.get(), &value, sizeof(value), &written, nullptr);
  mailslot_.reset();
}

}  // namespace projector
