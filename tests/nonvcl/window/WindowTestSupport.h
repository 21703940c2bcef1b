#pragma once
// Helpers of the window toolkit's tests.
#include <windows.h>

#include <string>

#include "NonVCLWindow.h"
#include "WinText.h"

namespace skylaunch::testing {

// Delivers the messages posted to this thread.
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A top-level window of a toolkit class named after the final class; a popup, so its client
// area is its whole rectangle. Hidden: under Wine without a window manager, taking down a
// shown top-level window waits two seconds for a state change that never comes.
class TPopupWindow : public TNonVCLWindow {
 public:
  using TNonVCLWindow::TNonVCLWindow;

 protected:
  void FillWindowClass(WNDCLASSW& wndClass) override {
    fClassName = ClassName();
    wndClass.lpszClassName = as_wcstr(fClassName);
    wndClass.hInstance = GetModuleHandleW(nullptr);
  }
  DWORD GetStyle() const override { return WS_POPUP; }

 private:
  std::u16string fClassName;
};

}  // namespace skylaunch::testing
