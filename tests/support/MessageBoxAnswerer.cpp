#include "MessageBoxAnswerer.h"

namespace skylaunch::testing {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static control that shows a box's text

struct TSearch {
  const std::wstring* caption;
  HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TSearch*>(param);
  wchar_t className[16]{};
  wchar_t caption[256]{};
  GetClassNameW(window, className, 16);
  GetWindowTextW(window, caption, 256);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId() && std::wstring(className) == L"#32770" &&
      *search->caption == caption && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

TMessageBoxAnswerer::TMessageBoxAnswerer(std::wstring caption, int button,
                                         std::chrono::milliseconds timeout)
    : fCaption(std::move(caption)), fButton(button), fTimeout(timeout), fThread([this] { Run(); }) {}

TMessageBoxAnswerer::~TMessageBoxAnswerer() {
  if (fThread.joinable()) fThread.join();
}

bool TMessageBoxAnswerer::Wait() {
  if (fThread.joinable()) fThread.join();
  return fAnswered;
}

void TMessageBoxAnswerer::Run() {
  const auto deadline = std::chrono::steady_clock::now() + fTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    TSearch search{&fCaption, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      wchar_t text[1024]{};
      GetDlgItemTextW(search.found, kMessageBoxTextId, text, 1024);
      fText = text;
      fStyle = DWORD(GetWindowLongPtrW(search.found, GWL_STYLE));
      PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(fButton, BN_CLICKED),
                   LPARAM(GetDlgItem(search.found, fButton)));
      fAnswered = true;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace skylaunch::testing
