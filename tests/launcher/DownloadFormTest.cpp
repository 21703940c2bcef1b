// The launcher window follows its DPI: WM_DPICHANGED (which Wine never sends by itself) moves it to
// the suggested rectangle and scales its controls and their font; back at the system DPI (96 in the
// test prefix) everything is as it was, the stock font included. A worker's progress reaches its bar
// without a message to the window's thread per piece.
#include "DownloadForm.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

namespace skylaunch {
namespace {

// Top, left, width, height.
using TBounds = std::tuple<int, int, int, int>;

TBounds BoundsOf(const RECT& r) { return {r.top, r.left, r.right - r.left, r.bottom - r.top}; }

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// A control's place in its parent's client area.
TBounds ControlBounds(HWND control) {
  RECT r = WindowRect(control);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return BoundsOf(r);
}

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); }

LOGFONTW Description(HFONT font) {
  LOGFONTW description{};
  GetObjectW(font, sizeof description, &description);
  return description;
}

class DownloadFormDpi : public ::testing::Test {
 protected:
  void SetUp() override {
    form = Create<TDownloadForm>(10, 10, 350, 150, nullptr);
    label = FindWindowExW(form->Handle(), nullptr, L"Static", nullptr);
    bar = FindWindowExW(form->Handle(), nullptr, L"msctls_progress32", nullptr);
    button = FindWindowExW(form->Handle(), nullptr, L"Button", nullptr);
    ASSERT_TRUE(label && bar && button);
  }

  // What the window gets when the system moves it to a monitor of `dpi`.
  void DpiChanged(UINT dpi, RECT suggested) {
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  }

  TOwned<TDownloadForm> form;
  HWND label{};
  HWND bar{};
  HWND button{};
};

TEST_F(DownloadFormDpi, ScalesWithWmDpiChangedAndReturns) {
  const HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const RECT at96 = WindowRect(form->Handle());
  ASSERT_EQ(350, at96.right - at96.left);
  ASSERT_EQ(150, at96.bottom - at96.top);
  const int scrollArrow = GetSystemMetrics(SM_CYVSCROLL);
  const auto layout96 = [&] {
    const int w = form->Width(), h = form->Height();
    return std::tuple(TBounds{15, 10, w - 20, 20}, TBounds{50, 10, w - 20, scrollArrow},
                      TBounds{h - 40, w / 2 - 37, 75, 25});
  };
  const auto bounds = [&] {
    return std::tuple(ControlBounds(label), ControlBounds(bar), ControlBounds(button));
  };
  EXPECT_EQ(layout96(), bounds());
  EXPECT_EQ(stock, FontOf(label));

  const RECT at144{at96.left, at96.top, at96.left + 525, at96.top + 225};
  DpiChanged(144, at144);
  EXPECT_EQ(BoundsOf(at144), BoundsOf(WindowRect(form->Handle())));
  const int w = form->Width(), h = form->Height();
  EXPECT_EQ(std::tuple(TBounds{23, 15, w - 30, 30}, TBounds{75, 15, w - 30, MulDiv(scrollArrow, 3, 2)},
                       TBounds{h - 60, w / 2 - 56, 113, 38}),
            bounds());
  const HFONT font144 = FontOf(label);
  EXPECT_EQ(font144, FontOf(bar));
  EXPECT_EQ(font144, FontOf(button));
  const LOGFONTW stockDescription = Description(stock);
  const LOGFONTW description = Description(font144);
  EXPECT_EQ(MulDiv(stockDescription.lfHeight, 3, 2), description.lfHeight);
  EXPECT_STREQ(stockDescription.lfFaceName, description.lfFaceName);

  DpiChanged(96, at96);
  EXPECT_EQ(BoundsOf(at96), BoundsOf(WindowRect(form->Handle())));
  EXPECT_EQ(layout96(), bounds());
  EXPECT_EQ(stock, FontOf(button));
  EXPECT_EQ(0u, GetObjectType(font144));  // deleted once no control used it
}

// Messages that reach this thread's windows from another thread.
std::atomic<int> gCrossThreadMessages{0};

LRESULT CALLBACK CountCrossThread(int code, WPARAM sentByThisThread, LPARAM data) {
  if (code == HC_ACTION && sentByThisThread == 0) ++gCrossThreadMessages;
  return CallNextHookEx(nullptr, code, sentByThisThread, data);
}

TEST(DownloadFormProgress, AWorkersPiecesReachTheBarWithoutAMessageEach) {
  constexpr int kPieces = 2000;
  TOwned<TDownloadForm> form = Create<TDownloadForm>(10, 10, 350, 150, nullptr);
  const HWND bar = FindWindowExW(form->Handle(), nullptr, L"msctls_progress32", nullptr);
  ASSERT_TRUE(bar);
  gCrossThreadMessages = 0;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountCrossThread, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);

  // As the worker does: a progress event per piece of the body, then the end of the download.
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int piece = 1; piece <= kPieces; ++piece) {
      bool stop = true;
      form->ThreadUpdateDownloadStatus(piece, stop);
      EXPECT_FALSE(stop);  // no Cancel
    }
    form->CatchUpProgress();
    done = true;
  });
  // The window's thread meanwhile runs its message loop.
  MSG message;
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  worker.join();
  UnhookWindowsHookEx(hook);
  EXPECT_LT(gCrossThreadMessages, kPieces / 100);

  // The bar ends where a step per piece puts a bar of the same range.
  const int maximum = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  const HWND reference = CreateWindowExW(0, L"msctls_progress32", nullptr, WS_CHILD, 0, 0, 10, 10,
                                         form->Handle(), nullptr, nullptr, nullptr);
  SendMessageW(reference, PBM_SETRANGE32, 0, maximum);
  SendMessageW(reference, PBM_SETSTEP, 1, 0);
  for (int piece = 1; piece <= kPieces; ++piece) SendMessageW(reference, PBM_STEPIT, 0, 0);
  EXPECT_EQ(SendMessageW(reference, PBM_GETPOS, 0, 0), SendMessageW(bar, PBM_GETPOS, 0, 0));
  DestroyWindow(reference);
}

}  // namespace
}  // namespace skylaunch
