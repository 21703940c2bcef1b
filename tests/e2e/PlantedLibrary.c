/* A decoy of a system library, planted beside the launcher: if the platform ever loads it into a
   process, it appends "<program>|<this file>" to the marker file that the planting test reads. Its
   exports (from a .def file made per name) all lead to one function that fails. */
#include <windows.h>

static const wchar_t kMarker[] = L"C:\\skylaunch-e2e\\planted.log";

static void AppendMarker(HINSTANCE self) {
  wchar_t program[MAX_PATH] = L"", library[MAX_PATH] = L"", line[2 * MAX_PATH + 4] = L"";
  GetModuleFileNameW(NULL, program, MAX_PATH);
  GetModuleFileNameW(self, library, MAX_PATH);
  lstrcpyW(line, program);
  lstrcatW(line, L"|");
  lstrcatW(line, library);
  lstrcatW(line, L"\r\n");
  HANDLE file = CreateFileW(kMarker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  char bytes[sizeof line];
  const int count = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes, NULL, NULL);
  DWORD written = 0;
  if (count > 1) WriteFile(file, bytes, (DWORD)(count - 1), &written, NULL);
  CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) AppendMarker(self);
  return TRUE;
}

int WINAPI Planted(void) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}
