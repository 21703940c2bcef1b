// Looks at and presses the windows of other programs in the same Wine prefix, for the
// whole-program tests and the demo. Prints JSON.
//
//   WinProbe windows                   top-level windows (with their process) and their controls,
//                                      each with its window and client rectangle on the screen
//   WinProbe click <caption> <text>    presses the button <text> of the window captioned <caption>
//   WinProbe answers <caption> <ms>    whether the window captioned <caption> handles a message sent
//                                      to it within <ms>, and how long it took
//   WinProbe run <ms> <program> <arg>…  starts a program in a job and follows it and every program
//                                      it starts (detached ones too) until all have ended or <ms>
//                                      passed; one JSON line per start and per end, with exit codes
//   WinProbe shortcut <link file>      the properties of a shell link
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Handles.h"
#include "JsonText.h"

namespace {

using skylaunch::TComPtr;
using skylaunch::TKernelHandle;
using skylaunch::tools::JsonString;

// Read from the window itself, without a message: the program under test may be busy on the
// thread that owns the window (checking the connection before its message loop runs).
std::wstring TextOf(HWND window) {
  wchar_t text[512]{};
  InternalGetWindowText(window, text, 512);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128]{};
  GetClassNameW(window, name, 128);
  return name;
}

std::string JsonRect(const RECT& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "]";
}

std::string Describe(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  // The client area in screen coordinates too: a window's layout is given in it.
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  std::string out = "{\"class\":" + JsonString(ClassOf(window)) + ",\"text\":" + JsonString(TextOf(window)) +
                    ",\"id\":" + std::to_string(GetDlgCtrlID(window)) +
                    ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") + ",\"rect\":" + JsonRect(r) +
                    ",\"client\":" + JsonRect(client);
  if (ClassOf(window) == PROGRESS_CLASSW) {
    // Only the return values cross the process boundary: no structure pointers. The bar's thread
    // may be busy outside its message loop (checking the connection); its values are then left out
    // rather than waited for.
    DWORD_PTR low = 0, high = 0, position = 0;
    const auto ask = [window](UINT message, WPARAM wParam, DWORD_PTR* answer) {
      return SendMessageTimeoutW(window, message, wParam, 0, SMTO_ABORTIFHUNG, 250, answer) != 0;
    };
    if (ask(PBM_GETRANGE, TRUE, &low) && ask(PBM_GETRANGE, FALSE, &high) && ask(PBM_GETPOS, 0, &position)) {
      out += ",\"min\":" + std::to_string(int(low)) + ",\"max\":" + std::to_string(int(high)) +
             ",\"position\":" + std::to_string(position);
    }
  }
  return out;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

int ListWindows() {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  std::printf("[");
  bool first = true;
  for (HWND window : windows) {
    if (!IsWindowVisible(window)) continue;
    std::vector<HWND> children;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::printf("%s%s,\"pid\":%lu,\"foreground\":%s,\"children\":[", first ? "" : ",",
                Describe(window).c_str(), pid, window == GetForegroundWindow() ? "true" : "false");
    for (size_t i = 0; i < children.size(); ++i) {
      std::printf("%s%s}", i ? "," : "", Describe(children[i]).c_str());
    }
    std::printf("]}");
    first = false;
  }
  std::printf("]\n");
  return 0;
}

int Click(const std::wstring& caption, const std::wstring& buttonText) {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (!IsWindowVisible(window) || TextOf(window) != caption) continue;
    std::vector<HWND> children;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      if (ClassOf(child) == L"Button" && TextOf(child) == buttonText) {
        // A posted click: the program under test may be blocked in a modal loop of its own.
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED), reinterpret_cast<LPARAM>(child));
        std::printf("{\"clicked\":true}\n");
        return 0;
      }
    }
  }
  std::printf("{\"clicked\":false}\n");
  return 1;
}

// A window that is not hung answers WM_NULL as soon as its thread looks at its messages.
int Answers(const std::wstring& caption, DWORD milliseconds) {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (!IsWindowVisible(window) || TextOf(window) != caption) continue;
    const ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, milliseconds, &result) != 0;
    std::printf("{\"found\":true,\"answered\":%s,\"ms\":%llu}\n", answered ? "true" : "false",
                GetTickCount64() - start);
    return 0;
  }
  std::printf("{\"found\":false}\n");
  return 1;
}

// One argument as the platform's command-line parser reads it back: quoted when it holds blanks or
// quotes, with the backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

std::wstring ImageOf(HANDLE process) {
  wchar_t name[MAX_PATH]{};
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameW(process, 0, name, &size);
  return name;
}

int RunJob(DWORD milliseconds, const std::wstring& commandLine) {
  // Wine starts its desktop process when a session's first window appears, and that process never
  // ends: started now, outside the job, it does not keep the job open after the chain has ended.
  GetDesktopWindow();
  TKernelHandle job(CreateJobObjectW(nullptr, nullptr));
  TKernelHandle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job.Get(), port.Get()};
  SetInformationJobObject(job.Get(), JobObjectAssociateCompletionPortInformation, &association, sizeof association);
  // A chain left running (a test that failed half-way, a probe that was killed) ends with the probe:
  // it would hold the machine's launcher lock and turn every later start away.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION first{};
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                      &first)) {
    std::printf("{\"event\":\"failed\",\"error\":%lu}\n", GetLastError());
    return 1;
  }
  // Suspended until it is in the job, so that nothing it starts escapes the job.
  TKernelHandle thread(first.hThread);
  AssignProcessToJobObject(job.Get(), first.hProcess);
  ResumeThread(thread.Get());

  // Handles of every process seen, so that their exit codes can still be read after they ended.
  std::vector<std::pair<DWORD, TKernelHandle>> processes;
  processes.emplace_back(first.dwProcessId, TKernelHandle(first.hProcess));
  std::printf("{\"event\":\"start\",\"pid\":%lu,\"image\":%s}\n", first.dwProcessId,
              JsonString(ImageOf(first.hProcess)).c_str());
  std::fflush(stdout);
  const DWORD deadline = GetTickCount() + milliseconds;
  for (;;) {
    const DWORD now = GetTickCount();
    DWORD code = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED data = nullptr;
    if (int(deadline - now) <= 0 || !GetQueuedCompletionStatus(port.Get(), &code, &key, &data, deadline - now)) {
      std::printf("{\"event\":\"timeout\"}\n");
      TerminateJobObject(job.Get(), 1);
      return 1;
    }
    const DWORD pid = DWORD(reinterpret_cast<ULONG_PTR>(data));
    if (code == JOB_OBJECT_MSG_NEW_PROCESS && pid != first.dwProcessId) {
      TKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
      std::printf("{\"event\":\"start\",\"pid\":%lu,\"image\":%s}\n", pid,
                  JsonString(process ? ImageOf(process.Get()) : L"").c_str());
      processes.emplace_back(pid, std::move(process));
    } else if (code == JOB_OBJECT_MSG_EXIT_PROCESS || code == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
      for (auto& [id, process] : processes) {
        if (id != pid || !process) continue;
        WaitForSingleObject(process.Get(), 5000);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.Get(), &exitCode);
        std::printf("{\"event\":\"exit\",\"pid\":%lu,\"image\":%s,\"exitCode\":%lu}\n", pid,
                    JsonString(ImageOf(process.Get())).c_str(), exitCode);
      }
    } else if (code == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
      std::printf("{\"event\":\"done\"}\n");
      return 0;
    }
    std::fflush(stdout);
  }
}

int ShowShortcut(const wchar_t* linkFile) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int result = 1;
  {
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(link.Put()))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put()))) &&
        SUCCEEDED(file->Load(linkFile, STGM_READ))) {
      wchar_t target[MAX_PATH]{}, folder[MAX_PATH]{}, description[INFOTIPSIZE]{}, arguments[INFOTIPSIZE]{},
          icon[MAX_PATH]{};
      int iconIndex = 0, showCommand = 0;
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetWorkingDirectory(folder, MAX_PATH);
      link->GetDescription(description, INFOTIPSIZE);
      link->GetArguments(arguments, INFOTIPSIZE);
      link->GetIconLocation(icon, MAX_PATH, &iconIndex);
      link->GetShowCmd(&showCommand);
      std::printf("{\"target\":%s,\"workingFolder\":%s,\"description\":%s,\"arguments\":%s,\"icon\":%s,"
                  "\"iconIndex\":%d,\"showCommand\":%d}\n",
                  JsonString(target).c_str(), JsonString(folder).c_str(), JsonString(description).c_str(), JsonString(arguments).c_str(),
                  JsonString(icon).c_str(), iconIndex, showCommand);
      result = 0;
    }
  }
  CoUninitialize();
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"windows") return ListWindows();
  if (command == L"click" && argc == 4) return Click(argv[2], argv[3]);
  if (command == L"answers" && argc == 4) return Answers(argv[2], DWORD(_wtoi(argv[3])));
  if (command == L"shortcut" && argc == 3) return ShowShortcut(argv[2]);
  if (command == L"run" && argc >= 4) {
    std::wstring line;
    for (int i = 3; i < argc; ++i) line += (i > 3 ? L" " : L"") + Quoted(argv[i]);
    return RunJob(DWORD(_wtoi(argv[2])), line);
  }
  std::fprintf(stderr, "usage: WinProbe windows | click <caption> <button text> | answers <caption> <ms> | run <ms> <program> [<argument>...] | shortcut <link>\n");
  return 2;
}
