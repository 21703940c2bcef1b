#pragma once
// Sets whether the dial-up configuration key (HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\RAS) exists
// for the span of a test, binds RAS accordingly, and puts both back afterwards.
#include <windows.h>

#include <stdexcept>

#include "Handles.h"
#include "RASINTF.h"

namespace skylaunch::testing {

class TRASKeyScope {
 public:
  static constexpr wchar_t kKey[] = L"SOFTWARE\\Microsoft\\RAS";

  explicit TRASKeyScope(bool present) : fExisted(KeyExists()) {
    if (present && !fExisted && !CreateKey()) throw std::runtime_error("cannot create the RAS key");
    if (!present && fExisted) DeleteEmptyKey();
    LoadRASInterface();
  }
  ~TRASKeyScope() {
    UnloadRASInterface();
    const bool exists = KeyExists();
    if (fExisted && !exists) CreateKey();
    if (!fExisted && exists) RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
  }
  TRASKeyScope(const TRASKeyScope&) = delete;
  TRASKeyScope& operator=(const TRASKeyScope&) = delete;

 private:
  static bool KeyExists() {
    TRegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
  }
  static bool CreateKey() {
    TRegKey key;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr) ==
           ERROR_SUCCESS;
  }
  // Only an empty key is removed: one that holds anything would not come back as it was.
  static void DeleteEmptyKey() {
    TRegKey key;
    DWORD subKeys = 0;
    DWORD values = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS ||
        RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subKeys != 0 || values != 0) {
      throw std::runtime_error("the RAS key holds data; refusing to delete it");
    }
    key.Reset();
    if (RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey) != ERROR_SUCCESS)
      throw std::runtime_error("cannot delete the RAS key");
  }

  bool fExisted;
};

}  // namespace skylaunch::testing
