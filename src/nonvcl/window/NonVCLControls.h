#pragma once
// Child controls over predefined window classes: a static text, a push button and a progress
// bar. Each control takes a process-unique item identifier (255, 256, … in the order of
// construction) and uses it as its window's control identifier, so the parent recognises it in
// the WM_COMMAND notifications that reach the parent's WndProc. The controls keep their class's
// own window procedure: their objects' WndProc receives nothing.
#include <windows.h>

#include <cstdint>

#include "NonVCLWindow.h"
#include "NotifyEvent.h"

namespace skylaunch {

// The next item identifier: 255 first, never reused.
uint32_t AllocateItemID();

class TNonVCLStandardControl : public TNonVCLWindow {
 public:
  using TNonVCLWindow::TNonVCLWindow;

  uint32_t ItemID() const { return fItemID; }

 protected:
  bool IsSystemClass() const override;
  UINT GetControlID() const override;
  void Construct() override;

 private:
  uint32_t fItemID{0};
};

class TNonVCLLabel : public TNonVCLStandardControl {
 public:
  using TNonVCLStandardControl::TNonVCLStandardControl;

 protected:
  std::u16string GetWindowClassName() const override;
  DWORD GetStyle() const override;
};

class TNonVCLButton : public TNonVCLStandardControl {
 public:
  using TNonVCLStandardControl::TNonVCLStandardControl;

  // Calls OnClick (when assigned) with the button as Sender, then gives the button the focus.
  // The parent calls it when its WndProc sees the button's WM_COMMAND.
  void Click();

  TNonVCLNotifyEvent OnClick;

 protected:
  std::u16string GetWindowClassName() const override;
  DWORD GetStyle() const override;
};

// A progress bar of the common-controls library. The fields record what was last sent to the
// control; the control itself keeps the position. Range and step start at 0 to 100 and 1.
class TNonVCLProgressBar : public TNonVCLStandardControl {
 public:
  using TNonVCLStandardControl::TNonVCLStandardControl;

  int32_t Min() const { return fMin; }
  // Setting Min below the current minimum also moves the position to it.
  void SetMin(int32_t value);
  int32_t Max() const { return fMax; }
  void SetMax(int32_t value);
  int32_t Step() const { return fStep; }
  void SetStep(int32_t value);
  int32_t Position() const;
  void StepIt();
  void StepBy(int32_t delta);

 protected:
  std::u16string GetWindowClassName() const override;
  DWORD GetStyle() const override;
  // The window gets identifier 0 although the object holds an ItemID.
  UINT GetControlID() const override;
  void Construct() override;

  // The extended common-controls initialisation succeeded: the 32-bit range messages are used;
  // otherwise the 16-bit ones, which cut the range ends to their low 16 bits.
  bool f32BitMode{false};

 private:
  LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) const;
  void SendRange(int32_t min, int32_t max) const;

  int32_t fStep{0};
  int32_t fMin{0};
  int32_t fMax{0};
};

}  // namespace skylaunch
