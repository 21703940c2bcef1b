#pragma once
// The DPI of windows, and the lengths, metrics and font that follow from it.
//
// The program declares per-monitor DPI awareness, so the system scales nothing for it: a window
// draws at the DPI of its monitor, and its layout, given in pixels at 96 DPI, is scaled to that
// DPI. The functions that tell a window's own DPI exist from Windows 10 on; older systems run the
// program system-aware, where every window has the system DPI.
#include <windows.h>

#include <cstdint>

#include "Handles.h"

namespace skylaunch {

// The DPI at which the layouts' pixels are given: there they are used as they are.
constexpr UINT kLayoutDpi = 96;

UINT SystemDpi();
UINT WindowDpi(HWND window);
// A length given at 96 DPI, at `dpi` (rounded to the nearest pixel).
int32_t ScaleToDpi(int32_t length, UINT dpi);
// GetSystemMetrics as it is at `dpi`.
int SystemMetricForDpi(int index, UINT dpi);

// The stock DEFAULT_GUI_FONT as it should look at a DPI. The system makes the stock font for the
// system DPI, so at that DPI it is the stock font itself; at any other it is a font of its own,
// made from the stock font's description with the height scaled, and deleted with this object.
class TGuiFont {
 public:
  TGuiFont() = default;  // the stock font
  explicit TGuiFont(UINT dpi);

  HFONT Handle() const;
  bool IsStock() const { return !fOwned; }

 private:
  TFont fOwned;
};

}  // namespace skylaunch
