#include "NonVCLControls.h"

#include <commctrl.h>

#include "CommonControls.h"

namespace skylaunch {
namespace {

uint32_t NextItemID = 255;  // one per process; controls are made on the message loop's thread

// A 32-bit signed value as a message parameter; the control reads it back as an int.
WPARAM AsWParam(int32_t value) { return static_cast<WPARAM>(static_cast<INT_PTR>(value)); }
LPARAM AsLParam(int32_t value) { return static_cast<LPARAM>(value); }

}  // namespace

uint32_t AllocateItemID() { return NextItemID++; }

bool TNonVCLStandardControl::IsSystemClass() const { return true; }
UINT TNonVCLStandardControl::GetControlID() const { return fItemID; }

void TNonVCLStandardControl::Construct() {
  fItemID = AllocateItemID();
  TNonVCLWindow::Construct();
}

std::u16string TNonVCLLabel::GetWindowClassName() const { return u"static"; }
DWORD TNonVCLLabel::GetStyle() const { return WS_CHILD | WS_VISIBLE; }

std::u16string TNonVCLButton::GetWindowClassName() const { return u"button"; }
DWORD TNonVCLButton::GetStyle() const { return WS_CHILD | WS_VISIBLE | WS_TABSTOP; }

void TNonVCLButton::Click() {
  if (OnClick) OnClick(this);
  SetFocus();
}

std::u16string TNonVCLProgressBar::GetWindowClassName() const { return u"msctls_progress32"; }
DWORD TNonVCLProgressBar::GetStyle() const { return WS_CHILD | WS_VISIBLE; }
UINT TNonVCLProgressBar::GetControlID() const { return 0; }

void TNonVCLProgressBar::Construct() {
  // Without the extended initialiser, InitCommonControlClass has fallen back to the classic
  // one, which registers the class with the 16-bit range messages only.
  f32BitMode = InitCommonControlClass(ICC_PROGRESS_CLASS);
  TNonVCLStandardControl::Construct();
  SetMin(0);  // the fields start at 0, so this sends nothing
  SetMax(100);
  SetStep(1);
}

LRESULT TNonVCLProgressBar::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return SendMessageW(fHandle, msg, wParam, lParam);
}

void TNonVCLProgressBar::SendRange(int32_t min, int32_t max) const {
  if (f32BitMode) {
    Send(PBM_SETRANGE32, AsWParam(min), AsLParam(max));
  } else {
    Send(PBM_SETRANGE, 0, MAKELPARAM(LOWORD(min), LOWORD(max)));
  }
}

void TNonVCLProgressBar::SetMax(int32_t value) {
  if (value == fMax) return;
  SendRange(fMin, value);
  fMax = value;
}

void TNonVCLProgressBar::SetMin(int32_t value) {
  if (value == fMin) return;
  SendRange(value, fMax);
  if (value < fMin) Send(PBM_SETPOS, AsWParam(value), 0);
  fMin = value;
}

void TNonVCLProgressBar::SetStep(int32_t value) {
  if (value == fStep) return;
  fStep = value;
  Send(PBM_SETSTEP, AsWParam(value), 0);
}

int32_t TNonVCLProgressBar::Position() const {
  // PBM_DELTAPOS answers the position before the move, so a move by 0 reads it.
  const LRESULT position = f32BitMode ? Send(PBM_GETPOS, 0, 0) : Send(PBM_DELTAPOS, 0, 0);
  return static_cast<int32_t>(position);
}

void TNonVCLProgressBar::StepIt() { Send(PBM_STEPIT, 0, 0); }
void TNonVCLProgressBar::StepBy(int32_t delta) { Send(PBM_DELTAPOS, AsWParam(delta), 0); }

}  // namespace skylaunch
