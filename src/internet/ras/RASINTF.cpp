#include "RASINTF.h"

#include <cstdint>
#include <string>

#include "RASText.h"
#include "SystemUtils.h"
#include "Utf.h"
#include "libstate_loader.h"

namespace skylaunch {
namespace {

struct TBindingState {
  TRASInterface Interface{};
  TModule RasApi32;
  TModule RnaPh;
};

TBindingState& Binding() {
  static TBindingState state;
  return state;
}

// Loads a library of the system folder only, as the library list does. A handle of 32 or below
// is no module.
HMODULE LoadSystemLibrary(const char16_t* name) {
  const HMODULE module = LoadLibraryByRule(name);
  return reinterpret_cast<uintptr_t>(module) > 32 ? module : nullptr;
}

// On Windows NT the dial-up service is installed when its configuration key exists.
bool RASConfigured() {
  TRegKey key;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\RAS", 0, KEY_READ, key.Put()) ==
         ERROR_SUCCESS;
}

bool PlatformHasExtendedSet() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return false;
  return RASExtendedSetAvailable(info.dwPlatformId == VER_PLATFORM_WIN32_NT, info.dwMajorVersion,
                                 info.dwMinorVersion);
}

template <class F>
void BindEntry(HMODULE module, const char* name, F& entry, const char* messagePrefix) {
  const FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) {
    throw ERASDLLError(
        FromUtf8(std::string(messagePrefix) + "Function " + name + " not found in RASAPI32.DLL"));
  }
  entry = reinterpret_cast<F>(reinterpret_cast<void*>(address));
}

}  // namespace

const TRASInterface& RASInterface() { return Binding().Interface; }

TRASBasicFunctions BindRASBasicSet(HMODULE rasApi32) {
  TRASBasicFunctions f{};
  const char* prefix = "";
  BindEntry(rasApi32, "RasDialW", f.RasDialW, prefix);
  BindEntry(rasApi32, "RasEnumConnectionsW", f.RasEnumConnectionsW, prefix);
  BindEntry(rasApi32, "RasEnumEntriesW", f.RasEnumEntriesW, prefix);
  BindEntry(rasApi32, "RasGetConnectStatusW", f.RasGetConnectStatusW, prefix);
  BindEntry(rasApi32, "RasGetErrorStringW", f.RasGetErrorStringW, prefix);
  BindEntry(rasApi32, "RasHangUpW", f.RasHangUpW, prefix);
  BindEntry(rasApi32, "RasGetProjectionInfoW", f.RasGetProjectionInfoW, prefix);
  BindEntry(rasApi32, "RasCreatePhonebookEntryW", f.RasCreatePhonebookEntryW, prefix);
  BindEntry(rasApi32, "RasEditPhonebookEntryW", f.RasEditPhonebookEntryW, prefix);
  BindEntry(rasApi32, "RasSetEntryDialParamsW", f.RasSetEntryDialParamsW, prefix);
  BindEntry(rasApi32, "RasGetEntryDialParamsW", f.RasGetEntryDialParamsW, prefix);
  return f;
}

TRASExtendedFunctions BindRASExtendedSet(HMODULE rasApi32, TModule& rnaPh) {
  // Older platforms keep the extended functions in RNAPH.DLL.
  HMODULE source = rasApi32;
  if (GetProcAddress(rasApi32, "RasDeleteEntryW") == nullptr) {
    TModule fallback(LoadSystemLibrary(u"RNAPH.DLL"));
    if (fallback) {
      source = fallback.Get();
      rnaPh = std::move(fallback);
    }
  }
  TRASExtendedFunctions f{};
  const char* prefix = "RAS Extended -- ";
  BindEntry(source, "RasDeleteEntryW", f.RasDeleteEntryW, prefix);
  BindEntry(source, "RasEnumDevicesW", f.RasEnumDevicesW, prefix);
  BindEntry(source, "RasGetCountryInfoW", f.RasGetCountryInfoW, prefix);
  BindEntry(source, "RasGetEntryPropertiesW", f.RasGetEntryPropertiesW, prefix);
  BindEntry(source, "RasRenameEntryW", f.RasRenameEntryW, prefix);
  BindEntry(source, "RasSetEntryPropertiesW", f.RasSetEntryPropertiesW, prefix);
  BindEntry(source, "RasValidateEntryNameW", f.RasValidateEntryNameW, prefix);
  return f;
}

void LoadRASInterface() {
  UnloadRASInterface();
  if (IsWindowsNT() && !RASConfigured()) return;
  TModule rasApi32(LoadSystemLibrary(u"RASAPI32.DLL"));
  if (!rasApi32) return;

  TBindingState& state = Binding();
  try {
    state.Interface.Basic = BindRASBasicSet(rasApi32.Get());
  } catch (const ERASDLLError&) {
    return;  // RAS stays unloaded; the library is released again
  }
  if (PlatformHasExtendedSet()) {
    TModule rnaPh;
    try {
      state.Interface.Extended = BindRASExtendedSet(rasApi32.Get(), rnaPh);
      state.Interface.ExtendedLoaded = true;
      state.Interface.RnaPh = rnaPh.Get();
      state.RnaPh = std::move(rnaPh);
    } catch (const ERASDLLError&) {
      // Without the extended set the basic one still serves.
    }
  }
  state.Interface.BasicLoaded = true;
  state.Interface.RasApi32 = rasApi32.Get();
  state.RasApi32 = std::move(rasApi32);
}

void UnloadRASInterface() {
  TBindingState& state = Binding();
  state.Interface = TRASInterface{};
  state.RnaPh.Reset();
  state.RasApi32.Reset();
}

}  // namespace skylaunch
