// The demo catalog's installer (and, in tests, a stand-in for any program the launcher starts):
// records how it was started, then shows a small "Setup started" window for a moment.
//
// Record: one JSON line appended to the file named by SKYLAUNCH_RECORD (default: "started.log"
// beside this program) with its own path, command line and current folder.
// SKYLAUNCH_DEMO_SHOW_MS: how long the window stays (default 2000; 0 shows none).
#include <windows.h>

#include <string>

#include "JsonText.h"

namespace {

using skylaunch::tools::JsonString;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024]{};
  return GetEnvironmentVariableW(name, value, 1024) ? value : L"";
}

void Record() {
  wchar_t self[MAX_PATH]{};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH]{};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring target = Environment(L"SKYLAUNCH_RECORD");
  if (target.empty()) {
    target = self;
    target = target.substr(0, target.rfind(L'\\') + 1) + L"started.log";
  }
  const std::string line = "{\"program\":" + JsonString(self) + ",\"commandLine\":" +
                           JsonString(GetCommandLineW()) + ",\"currentFolder\":" + JsonString(folder) + "}\n";
  HANDLE file = CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(file);
}

void ShowStarted(DWORD milliseconds) {
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"Setup started",
                                WS_POPUP | WS_CAPTION | WS_VISIBLE | SS_CENTER, 200, 200, 320, 120, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowTextW(window, L"Setup started");
  const DWORD end = GetTickCount() + milliseconds;
  MSG message;
  while (GetTickCount() < end) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
  DestroyWindow(window);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  Record();
  const std::wstring show = Environment(L"SKYLAUNCH_DEMO_SHOW_MS");
  const DWORD milliseconds = show.empty() ? 2000 : DWORD(_wtoi(show.c_str()));
  if (milliseconds > 0) ShowStarted(milliseconds);
  return 0;
}
