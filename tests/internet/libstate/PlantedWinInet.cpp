// A decoy of the platform's WinInet, as an attacker would plant it beside an elevated program.
// Loading it marks the process, so that a test can tell that it was never taken.
#include <windows.h>

extern "C" {

__declspec(dllexport) void* WINAPI
    InternetOpenW(const wchar_t*, DWORD, const wchar_t*, const wchar_t*, DWORD) {
  return nullptr;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"SKYLAUNCH_DECOY_LOADED", L"1");
  return TRUE;
}

}  // extern "C"
