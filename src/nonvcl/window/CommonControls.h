#pragma once
// One-time initialisation of the common-controls library for the controls that need it (the
// progress bar). The program imports comctl32, so the library is always loaded already; the
// extended initialiser is looked up by name because older libraries lack it.
#include <windows.h>

#include <commctrl.h>

namespace skylaunch {

// Records the loaded comctl32's module handle and, when it exports one, the address of its
// "InitCommonControlsEx". Never loads the library itself.
void LoadCommonControlsEx();

// Calls the library's InitCommonControlsEx (looking it up first if that has not happened yet);
// true only when the entry exists and reports success.
bool TryInitCommonControlsEx(const INITCOMMONCONTROLSEX& icc);

// Registers the control classes of `flags` (ICC_* values) through the extended initialiser; falls
// back to the classic InitCommonControls when that is missing or fails, and then returns false.
// The progress bar uses the result to choose between 32-bit and 16-bit range messages.
bool InitCommonControlClass(DWORD flags);

}  // namespace skylaunch
