// Test registrations of file types and protocols that are put back exactly when the test ends.
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test_registry {

// Writes classes under this user's key (or, where the system does not read them there, the machine's), remembers
// every value it replaces and every key it creates, and restores both.
class ClassRegistrations {
 public:
  ~ClassRegistrations() { Restore(); }

  // Registers extension -> progId and falls back to the machine's classes when the system does not see it.
  void Begin(const std::wstring& extension, const std::wstring& progId) {
    Set(extension, nullptr, progId);
    wchar_t seen[64] = {};
    DWORD size = sizeof seen;
    bool userClassesSeen =
        ::SHGetValueW(HKEY_CLASSES_ROOT, extension.c_str(), nullptr, nullptr, seen, &size) == ERROR_SUCCESS &&
        progId == seen;
    if (!userClassesSeen) {
      Restore();
      root_ = HKEY_CLASSES_ROOT;
      prefix_ = L"";
      Set(extension, nullptr, progId);
    }
  }

  void Set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    std::wstring top = prefix_ + key.substr(0, key.find(L'\\'));
    HKEY probe = nullptr;
    if (::RegOpenKeyExW(root_, top.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
      ::RegCloseKey(probe);
    } else {
      created_.push_back(top);
    }
    std::wstring full = prefix_ + key;
    wchar_t old[1024] = {};
    DWORD size = sizeof old;
    bool existed = ::SHGetValueW(root_, full.c_str(), name, nullptr, old, &size) == ERROR_SUCCESS;
    saved_.push_back({full, name ? name : L"", name != nullptr, existed, old});
    ASSERT_EQ(::SHSetValueW(root_, full.c_str(), name, REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  void Restore() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      const wchar_t* name = it->hadName ? it->name.c_str() : nullptr;
      if (it->existed)
        ::SHSetValueW(root_, it->key.c_str(), name, REG_SZ, it->value.c_str(),
                      static_cast<DWORD>((it->value.size() + 1) * sizeof(wchar_t)));
      else
        ::SHDeleteValueW(root_, it->key.c_str(), name);
    }
    saved_.clear();
    for (const std::wstring& key : created_) ::SHDeleteKeyW(root_, key.c_str());
    created_.clear();
  }

 private:
  struct SavedValue {
    std::wstring key;
    std::wstring name;
    bool hadName;
    bool existed;
    std::wstring value;
  };
  HKEY root_ = HKEY_CURRENT_USER;
  std::wstring prefix_ = L"Software\\Classes\\";
  std::vector<SavedValue> saved_;
  std::vector<std::wstring> created_;
};

}  // namespace test_registry
