#include <windows.h>
// The control messages need the platform's types first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "NonVCLControls.h"
#include "WindowTestSupport.h"

namespace skylaunch {
namespace {

using testing::PumpMessages;
using testing::TPopupWindow;

// Remembers the WM_COMMAND notifications that reach it.
class TTestForm : public TPopupWindow {
 public:
  using TPopupWindow::TPopupWindow;
  std::vector<std::pair<WORD, WORD>> Commands;  // identifier, notification code

  void WndProc(TMessage& message) override {
    if (message.Msg == WM_COMMAND) Commands.emplace_back(LOWORD(message.WParam), HIWORD(message.WParam));
    TPopupWindow::WndProc(message);
  }
};

TEST(StandardControls, LabelAndButtonAreSystemWindowsNamedByTheirItemID) {
  auto form = Create<TTestForm>(0, 0, 300, 150, nullptr);
  auto label = Create<TNonVCLLabel>(15, 10, 280, 20, form->Handle());
  auto button = Create<TNonVCLButton>(110, 112, 75, 25, form->Handle());
  EXPECT_EQ(button->ItemID(), label->ItemID() + 1);

  struct Case {
    TNonVCLStandardControl* control;
    const wchar_t* className;
    LONG_PTR style;
  };
  const Case cases[] = {
      {label.get(), L"Static", 0x50000000},
      {button.get(), L"Button", 0x50010000},
  };
  for (const auto& c : cases) {
    const HWND window = c.control->Handle();
    wchar_t className[32]{};
    GetClassNameW(window, className, 32);
    EXPECT_EQ(_wcsicmp(className, c.className), 0) << className;
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE), c.style);
    EXPECT_EQ(GetParent(window), form->Handle());
    EXPECT_EQ(GetDlgCtrlID(window), int(c.control->ItemID()));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
    c.control->SetCaption(u"&Cancel");
    EXPECT_EQ(c.control->Caption(), u"&Cancel");
  }

  // The button's notification goes to the parent, under the button's item identifier.
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  PumpMessages();
  ASSERT_EQ(form->Commands.size(), 1u);
  EXPECT_EQ(form->Commands[0], std::make_pair(WORD(button->ItemID()), WORD(BN_CLICKED)));
}

TEST(StandardControls, ClickCallsOnClickThenFocusesTheButton) {
  auto form = Create<TTestForm>(0, 0, 300, 150, nullptr);
  auto button = Create<TNonVCLButton>(110, 112, 75, 25, form->Handle());
  std::vector<TObject*> senders;
  HWND focusDuringClick = nullptr;
  button->OnClick = [&](TObject* sender) {
    senders.push_back(sender);
    focusDuringClick = GetFocus();
  };
  SetFocus(form->Handle());
  button->Click();
  EXPECT_EQ(senders, std::vector<TObject*>{button.get()});
  EXPECT_EQ(focusDuringClick, form->Handle());
  EXPECT_EQ(GetFocus(), button->Handle());

  button->OnClick = nullptr;
  SetFocus(form->Handle());
  button->Click();
  EXPECT_EQ(GetFocus(), button->Handle());
}

// The progress-bar messages that this thread sends while it is alive, by WH_CALLWNDPROC.
class TProgressMessageLog {
 public:
  using TEntry = std::tuple<UINT, WPARAM, LPARAM>;

  TProgressMessageLog() : fHook(SetWindowsHookExW(WH_CALLWNDPROC, &Record, nullptr, GetCurrentThreadId())) {
    Entries.clear();
  }
  ~TProgressMessageLog() { UnhookWindowsHookEx(fHook); }
  TProgressMessageLog(const TProgressMessageLog&) = delete;
  TProgressMessageLog& operator=(const TProgressMessageLog&) = delete;

  // The messages sent to `window` since the last call.
  std::vector<TEntry> Take(HWND window) {
    std::vector<TEntry> taken;
    for (const auto& [to, entry] : Entries) {
      if (to == window) taken.push_back(entry);
    }
    Entries.clear();
    return taken;
  }

 private:
  static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message >= PBM_SETRANGE && sent->message <= PBM_GETPOS) {
      Entries.emplace_back(sent->hwnd, TEntry{sent->message, sent->wParam, sent->lParam});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline std::vector<std::pair<HWND, TEntry>> Entries;
  HHOOK fHook;
};

using TEntries = std::vector<TProgressMessageLog::TEntry>;

WPARAM Signed(int32_t value) { return static_cast<WPARAM>(static_cast<INT_PTR>(value)); }

TEST(ProgressBar, SendsOnlyWhatChangesWith32BitRanges) {
  auto form = Create<TTestForm>(0, 0, 300, 150, nullptr);
  TProgressMessageLog log;
  auto bar = Create<TNonVCLProgressBar>(50, 10, 280, 16, form->Handle());
  const HWND window = bar->Handle();
  EXPECT_EQ(log.Take(window), (TEntries{{PBM_SETRANGE32, 0, 100}, {PBM_SETSTEP, 1, 0}}));
  EXPECT_EQ(std::make_tuple(bar->Min(), bar->Max(), bar->Step()), std::make_tuple(0, 100, 1));

  bar->SetMax(100);
  bar->SetStep(1);
  bar->SetMin(0);
  EXPECT_EQ(log.Take(window), TEntries{});

  bar->SetMax(200);
  bar->StepBy(50);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(log.Take(window),
            (TEntries{{PBM_SETRANGE32, 0, 200}, {PBM_DELTAPOS, 50, 0}, {PBM_GETPOS, 0, 0}}));

  // Below the minimum: the position moves to the new minimum.
  bar->SetMin(-5);
  EXPECT_EQ(bar->Position(), -5);
  EXPECT_EQ(log.Take(window),
            (TEntries{{PBM_SETRANGE32, Signed(-5), 200}, {PBM_SETPOS, Signed(-5), 0}, {PBM_GETPOS, 0, 0}}));
  // Above it: no position message.
  bar->SetMin(10);
  bar->SetStep(5);
  bar->StepIt();
  EXPECT_EQ(log.Take(window), (TEntries{{PBM_SETRANGE32, 10, 200}, {PBM_SETSTEP, 5, 0}, {PBM_STEPIT, 0, 0}}));
  EXPECT_EQ(bar->Min(), 10);
}

// A bar as it is where the extended common-controls initialisation is missing.
class T16BitProgressBar : public TNonVCLProgressBar {
 public:
  using TNonVCLProgressBar::TNonVCLProgressBar;

 protected:
  void Construct() override {
    TNonVCLProgressBar::Construct();
    f32BitMode = false;
  }
};

TEST(ProgressBar, Without32BitRangesUsesTheClassicMessages) {
  auto form = Create<TTestForm>(0, 0, 300, 150, nullptr);
  auto bar = Create<T16BitProgressBar>(50, 10, 280, 16, form->Handle());
  const HWND window = bar->Handle();
  TProgressMessageLog log;
  bar->SetMax(300);
  bar->StepBy(7);
  EXPECT_EQ(bar->Position(), 7);  // read as the answer to a move by 0
  EXPECT_EQ(log.Take(window),
            (TEntries{{PBM_SETRANGE, 0, MAKELPARAM(0, 300)}, {PBM_DELTAPOS, 7, 0}, {PBM_DELTAPOS, 0, 0}}));
  EXPECT_EQ(bar->Position(), 7);

  // The range ends are cut to their low 16 bits.
  bar->SetMax(70000);
  bar->SetMin(-2);
  EXPECT_EQ(log.Take(window), (TEntries{{PBM_DELTAPOS, 0, 0},
                                        {PBM_SETRANGE, 0, MAKELPARAM(0, 70000 & 0xFFFF)},
                                        {PBM_SETRANGE, 0, MAKELPARAM(0xFFFE, 70000 & 0xFFFF)},
                                        {PBM_SETPOS, Signed(-2), 0}}));
  EXPECT_EQ(std::make_pair(bar->Min(), bar->Max()), std::make_pair(-2, 70000));
}

}  // namespace
}  // namespace skylaunch
