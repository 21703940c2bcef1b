#include "Dpi.h"

namespace skylaunch {
namespace {

// Functions of Windows 10 and later, bound by name: user32 is loaded already, and always from the
// system folder. Null on older systems.
template <class F>
F User32Function(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);

// The screen's device context, released again.
class TScreenDC {
 public:
  TScreenDC() : fDC(GetDC(nullptr)) {}
  ~TScreenDC() { ReleaseDC(nullptr, fDC); }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC Get() const { return fDC; }

 private:
  HDC fDC;
};

HFONT StockGuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

}  // namespace

UINT SystemDpi() {
  const TScreenDC screen;
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

UINT WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<TGetDpiForWindow>("GetDpiForWindow");
  const UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0;
  return dpi != 0 ? dpi : SystemDpi();
}

int32_t ScaleToDpi(int32_t length, UINT dpi) { return MulDiv(length, static_cast<int>(dpi), kLayoutDpi); }

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto getSystemMetricsForDpi =
      User32Function<TGetSystemMetricsForDpi>("GetSystemMetricsForDpi");
  // Without the function the program is system-aware: every window has the system DPI.
  return getSystemMetricsForDpi ? getSystemMetricsForDpi(index, dpi) : GetSystemMetrics(index);
}

TGuiFont::TGuiFont(UINT dpi) {
  // Should the stock font's description not be read or the font not be made, the stock font
  // stands in: text of the wrong size, but text.
  const UINT systemDpi = SystemDpi();
  LOGFONTW font{};
  if (dpi == systemDpi || GetObjectW(StockGuiFont(), sizeof font, &font) != sizeof font) return;
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
  font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(systemDpi));
  fOwned.Reset(CreateFontIndirectW(&font));
}

HFONT TGuiFont::Handle() const { return fOwned ? fOwned.Get() : StockGuiFont(); }

}  // namespace skylaunch
