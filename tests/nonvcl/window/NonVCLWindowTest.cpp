#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ExceptionLite.h"
#include "MessageBoxAnswerer.h"
#include "NonVCLWindow.h"
#include "WindowTestSupport.h"

namespace skylaunch {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using testing::PumpMessages;
using testing::TPopupWindow;

std::vector<std::string> Log;  // what the test windows did, in order; outlives the objects

template <class T>
T Noted(const char* call, T result) {
  Log.push_back(call);
  return result;
}

// Records the virtual calls that the base makes while it constructs the object.
class TRecordingWindow : public TPopupWindow {
 public:
  using TPopupWindow::TPopupWindow;

  UINT FirstMessage = 0;
  bool HandleSetAtFirstMessage = false;
  int CloseCount = 0;

  void WndProc(TMessage& message) override {
    if (FirstMessage == 0) {
      FirstMessage = message.Msg;
      HandleSetAtFirstMessage = fHandle != nullptr;
    }
    TPopupWindow::WndProc(message);
  }

 protected:
  std::u16string GetWindowClassName() const override {
    return Noted("GetWindowClassName", TPopupWindow::GetWindowClassName());
  }
  void FillWindowClass(WNDCLASSW& wndClass) override {
    Log.push_back("FillWindowClass");
    TPopupWindow::FillWindowClass(wndClass);
  }
  bool IsSystemClass() const override { return Noted("IsSystemClass", false); }
  std::u16string GetCaption() const override { return Noted("GetCaption", TPopupWindow::GetCaption()); }
  DWORD GetExStyle() const override { return Noted("GetExStyle", DWORD(WS_EX_TOOLWINDOW)); }
  DWORD GetStyle() const override { return Noted("GetStyle", TPopupWindow::GetStyle()); }
  UINT GetControlID() const override { return Noted("GetControlID", 0u); }
  void WMCreate(TMessage&) override { Log.push_back("WMCreate"); }
  void WMClose(TMessage&) override { ++CloseCount; }
};

TEST(WindowConstruction, ReachesTheFinalClassAndRegistersItsClassOnce) {
  Log.clear();
  auto first = Create<TRecordingWindow>(10, 20, 200, 100, nullptr);
  EXPECT_THAT(Log, ElementsAre("GetWindowClassName", "FillWindowClass", "IsSystemClass", "GetStyle",
                               "GetControlID", "GetCaption", "GetWindowClassName", "GetExStyle", "WMCreate"));
  // The first message that CreateWindowExW sends already reaches the object, with fHandle set.
  EXPECT_THAT(first->FirstMessage, AnyOf(UINT(WM_GETMINMAXINFO), UINT(WM_NCCREATE)));
  EXPECT_TRUE(first->HandleSetAtFirstMessage);

  wchar_t className[64]{};
  GetClassNameW(first->Handle(), className, 64);
  EXPECT_STREQ(className, L"TRecordingWindow");
  EXPECT_EQ(GetWindowLongPtrW(first->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  RECT rect{};
  GetWindowRect(first->Handle(), &rect);
  EXPECT_EQ(std::pair(rect.left, rect.top), std::pair(20L, 10L));
  EXPECT_EQ(std::pair(first->Width(), first->Height()), std::pair(200, 100));

  Log.clear();
  auto second = Create<TRecordingWindow>(0, 0, 50, 50, nullptr);
  EXPECT_THAT(Log, ElementsAre("GetWindowClassName", "GetStyle", "GetControlID", "GetCaption",
                               "GetWindowClassName", "GetExStyle", "WMCreate"));
}

class TEmptyClassWindow : public TNonVCLWindow {
 public:
  using TNonVCLWindow::TNonVCLWindow;
};

WNDPROC RefusedInstance = nullptr;
HWND RefusedWindow = nullptr;

// Answers WM_NCCREATE with 0, so the platform gives up the window it was creating.
class TRefusingWindow : public TPopupWindow {
 public:
  using TPopupWindow::TPopupWindow;
  void WndProc(TMessage& message) override {
    RefusedInstance = fObjectInstance;
    RefusedWindow = fHandle;
    if (message.Msg != WM_NCCREATE) TPopupWindow::WndProc(message);
  }
};

// A system class whose window cannot be made: a child window without a parent.
class TOrphanChild : public TNonVCLWindow {
 public:
  using TNonVCLWindow::TNonVCLWindow;

 protected:
  std::u16string GetWindowClassName() const override { return u"static"; }
  bool IsSystemClass() const override { return true; }
  DWORD GetStyle() const override { return WS_CHILD; }
};

void NoMethod(void*, TMessage&) noexcept {}

TEST(WindowConstruction, FailuresNameTheClassAndLeaveNothingBehind) {
  struct Case {
    std::function<void()> create;
    std::u16string message;
  };
  const Case cases[] = {
      {[] { Create<TEmptyClassWindow>(0, 0, 10, 10, nullptr); },
       u"Unable to register form TEmptyClassWindow"},
      {[] { Create<TRefusingWindow>(0, 0, 10, 10, nullptr); }, u"Unable to create window TRefusingWindow"},
      {[] { Create<TOrphanChild>(0, 0, 10, 10, nullptr); }, u"Unable to create window TOrphanChild"},
  };
  for (const auto& c : cases) {
    try {
      c.create();
      ADD_FAILURE() << "no exception";
    } catch (const ExceptionLite& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  // The refused object's instance went back on the free list and its window is gone.
  ASSERT_NE(RefusedInstance, nullptr);
  EXPECT_FALSE(IsWindow(RefusedWindow));
  const WNDPROC next = MakeObjectInstance({&NoMethod, nullptr});
  EXPECT_EQ(next, RefusedInstance);
  FreeObjectInstance(next);

  // The orphan's creation never reached InitialWndProc; a window of a toolkit class made
  // directly afterwards must not be bound to that released object.
  const HWND raw = CreateWindowExW(0, L"TRefusingWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(SendMessageW(raw, WM_GETTEXTLENGTH, 0, 0), 0);
  DestroyWindow(raw);
}

class TRaisingWindow : public TPopupWindow {
 public:
  using TPopupWindow::TPopupWindow;
  std::string RaiseIn;
  int PaintCount = 0;

  void WndProc(TMessage& message) override {
    if (message.Msg == WM_USER && RaiseIn == "WndProc") throw ExceptionLite(u"raised by WndProc");
    TPopupWindow::WndProc(message);
  }

 protected:
  DWORD GetStyle() const override { return WS_POPUP | WS_VISIBLE; }  // only shown windows paint
  void WMCreate(TMessage&) override { throw ExceptionLite(u"raised by WMCreate"); }
  void Paint(HDC dc) override {
    ++PaintCount;
    if (dc == nullptr) ADD_FAILURE() << "no device context";
    if (RaiseIn == "Paint") throw std::runtime_error("not an ExceptionLite");
  }
};

TEST(WindowMessages, AHandlerThatRaisesIsShownAndTheWindowLivesOn) {
  TOwned<TRaisingWindow> window;
  {
    testing::TMessageBoxAnswerer answerer(L"Error", IDOK);
    window = Create<TRaisingWindow>(0, 0, 80, 60, nullptr);
    ASSERT_TRUE(answerer.Wait());
    EXPECT_EQ(answerer.Text(), L"raised by WMCreate");
  }
  ASSERT_TRUE(IsWindow(window->Handle()));
  {
    window->RaiseIn = "WndProc";
    testing::TMessageBoxAnswerer answerer(L"Error", IDOK);
    SendMessageW(window->Handle(), WM_USER, 0, 0);
    ASSERT_TRUE(answerer.Wait());
    EXPECT_EQ(answerer.Text(), L"raised by WndProc");
  }
  {
    window->RaiseIn = "Paint";
    window->PaintCount = 0;
    testing::TMessageBoxAnswerer answerer(L"Error", IDOK);
    InvalidateRect(window->Handle(), nullptr, FALSE);
    UpdateWindow(window->Handle());
    ASSERT_TRUE(answerer.Wait());
    EXPECT_EQ(answerer.Text(), L"Unknown exception occurred.");
    EXPECT_EQ(window->PaintCount, 1);
    // EndPaint ran although Paint raised: nothing is left to paint.
    EXPECT_FALSE(GetUpdateRect(window->Handle(), nullptr, FALSE));
  }
  EXPECT_TRUE(IsWindow(window->Handle()));
}

TEST(WindowMessages, CloseLeavesABaseWindowOpen) {
  auto window = Create<TRecordingWindow>(0, 0, 80, 60, nullptr);
  PostMessageW(window->Handle(), WM_CLOSE, 0, 0);
  PumpMessages();
  EXPECT_EQ(SendMessageW(window->Handle(), WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(window->CloseCount, 2);
  EXPECT_TRUE(IsWindow(window->Handle()));
}

TEST(WindowProperties, CaptionGeometryAndCentring) {
  auto window = Create<TPopupWindow>(10, 10, 200, 100, nullptr);
  EXPECT_EQ(window->Caption(), u"");  // created without a title
  const std::u16string caption(300, u'x');
  window->SetCaption(caption);
  EXPECT_EQ(GetWindowTextLengthW(window->Handle()), 300);
  EXPECT_EQ(window->Caption(), caption.substr(0, 255));

  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  window->CenterWindow();
  RECT rect{};
  GetWindowRect(window->Handle(), &rect);
  // The window's own position is the base: it ends 10 pixels right of and below the middle.
  EXPECT_EQ(rect.left, 10 + (desktop.right - desktop.left - 200) / 2);
  EXPECT_EQ(rect.top, 10 + (desktop.bottom - desktop.top - 100) / 2);
  EXPECT_EQ(rect.right - rect.left, 200);
}

class TChildWindow : public TPopupWindow {
 public:
  TChildWindow(int32_t top, int32_t left, int32_t width, int32_t height, HWND parent, UINT id)
      : TPopupWindow(top, left, width, height, parent), fID(id) {}

 protected:
  DWORD GetStyle() const override { return WS_CHILD | WS_VISIBLE; }
  UINT GetControlID() const override { return fID; }

 private:
  UINT fID;
};

TEST(WindowProperties, AToolkitChildWithoutIdentifierTakesItsHandleValue) {
  auto parent = Create<TPopupWindow>(0, 0, 100, 100, nullptr);
  auto unnamed = Create<TChildWindow>(0, 0, 10, 10, parent->Handle(), 0u);
  auto named = Create<TChildWindow>(0, 0, 10, 10, parent->Handle(), 77u);
  EXPECT_EQ(GetWindowLongPtrW(unnamed->Handle(), GWLP_ID), reinterpret_cast<LONG_PTR>(unnamed->Handle()));
  EXPECT_EQ(GetWindowLongPtrW(named->Handle(), GWLP_ID), 77);
  EXPECT_EQ(GetParent(named->Handle()), parent->Handle());
}

// A child window that answers WM_USER with its number, so each window shows that it reaches its
// own object. Children are cheap: hundreds of top-level windows would take minutes under Wine.
class TNumberedWindow : public TPopupWindow {
 public:
  TNumberedWindow(int32_t top, int32_t left, int32_t width, int32_t height, HWND parent, int number)
      : TPopupWindow(top, left, width, height, parent), fNumber(number) {}
  ~TNumberedWindow() override { Log.push_back("deleted " + std::to_string(fNumber)); }

  void WndProc(TMessage& message) override {
    if (message.Msg == WM_USER) {
      message.Result = fNumber;
      return;
    }
    TPopupWindow::WndProc(message);
  }

 protected:
  DWORD GetStyle() const override { return WS_CHILD | WS_VISIBLE; }
  void WMDestroy(TMessage&) override {
    Log.push_back("WMDestroy " + std::to_string(fNumber) + (IsWindow(fHandle) ? " window" : " none"));
  }

 private:
  int fNumber;
};

WNDPROC WindowProcOf(HWND window) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

TEST(WindowDestruction, RunsWMDestroyOnTheWholeObjectAndFreesTheInstance) {
  auto parent = Create<TPopupWindow>(0, 0, 100, 100, nullptr);
  Log.clear();
  auto window = Create<TNumberedWindow>(0, 0, 10, 10, parent->Handle(), 1);
  const HWND handle = window->Handle();
  const WNDPROC instance = WindowProcOf(handle);
  window.reset();
  EXPECT_THAT(Log, ElementsAre("WMDestroy 1 window", "deleted 1"));
  EXPECT_FALSE(IsWindow(handle));

  auto next = Create<TNumberedWindow>(0, 0, 10, 10, parent->Handle(), 2);
  EXPECT_EQ(WindowProcOf(next->Handle()), instance);
  EXPECT_EQ(SendMessageW(next->Handle(), WM_USER, 0, 0), 2);
}

TEST(WindowDestruction, FourHundredWindowsSpanSeveralBlocks) {
  constexpr int kCount = 400;
  auto parent = Create<TPopupWindow>(0, 0, 100, 100, nullptr);
  std::vector<TOwned<TNumberedWindow>> windows;
  std::set<WNDPROC> instances;
  std::set<uintptr_t> pages;
  for (int i = 0; i < kCount; ++i) {
    windows.push_back(Create<TNumberedWindow>(0, 0, 10, 10, parent->Handle(), i));
    const WNDPROC instance = WindowProcOf(windows.back()->Handle());
    instances.insert(instance);
    pages.insert(reinterpret_cast<uintptr_t>(instance) / 4096);
  }
  EXPECT_EQ(instances.size(), size_t(kCount));
  EXPECT_GE(pages.size(), 2u);
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(SendMessageW(windows[i]->Handle(), WM_USER, 0, 0), i);
  }
  Log.clear();
  windows.clear();
  EXPECT_EQ(Log.size(), size_t(2 * kCount));
}

}  // namespace
}  // namespace skylaunch
