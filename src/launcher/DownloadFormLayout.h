#pragma once
// Where the launcher window's controls stand: the lengths are given in pixels at 96 DPI and scaled
// to the window's DPI; widths and the button's place follow the client area, which is measured.
#include <windows.h>

#include <cstdint>

namespace skylaunch {

struct TControlBounds {
  int32_t Top;
  int32_t Left;
  int32_t Width;
  int32_t Height;
};

struct TDownloadFormLayout {
  TControlBounds InstrLabel;
  TControlBounds ProgressBar;
  TControlBounds CancelButton;
};

TDownloadFormLayout DownloadFormLayout(int32_t clientWidth, int32_t clientHeight, UINT dpi);

}  // namespace skylaunch
