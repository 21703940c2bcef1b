#include "CommonControls.h"

#include <atomic>

namespace skylaunch {
namespace {

using TInitCommonControlsEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

// Written once per process (every writer stores the same values), read from any thread.
std::atomic<HMODULE> ComCtl32Module{nullptr};
std::atomic<TInitCommonControlsEx> InitCommonControlsExEntry{nullptr};

}  // namespace

void LoadCommonControlsEx() {
  const HMODULE module = GetModuleHandleW(L"comctl32.dll");
  TInitCommonControlsEx entry = nullptr;
  if (module != nullptr) {
    entry = reinterpret_cast<TInitCommonControlsEx>(
        reinterpret_cast<void*>(GetProcAddress(module, "InitCommonControlsEx")));
  }
  InitCommonControlsExEntry.store(entry);
  ComCtl32Module.store(module);
}

bool TryInitCommonControlsEx(const INITCOMMONCONTROLSEX& icc) {
  if (ComCtl32Module.load() == nullptr) LoadCommonControlsEx();
  const TInitCommonControlsEx entry = InitCommonControlsExEntry.load();
  return entry != nullptr && entry(&icc) != FALSE;
}

bool InitCommonControlClass(DWORD flags) {
  INITCOMMONCONTROLSEX icc{};
  static_assert(sizeof(icc) == 8);
  icc.dwSize = sizeof(icc);
  icc.dwICC = flags;
  const bool done = TryInitCommonControlsEx(icc);
  if (!done) InitCommonControls();
  return done;
}

}  // namespace skylaunch
