#include "DownloadFormLayout.h"

#include "Dpi.h"

namespace skylaunch {

TDownloadFormLayout DownloadFormLayout(int32_t clientWidth, int32_t clientHeight, UINT dpi) {
  const auto px = [dpi](int32_t length) { return ScaleToDpi(length, dpi); };
  return {
      .InstrLabel = {px(15), px(10), clientWidth - px(20), px(20)},
      // As high as the system's scroll-bar arrows at this DPI.
      .ProgressBar = {px(50), px(10), clientWidth - px(20), SystemMetricForDpi(SM_CYVSCROLL, dpi)},
      .CancelButton = {clientHeight - px(40), clientWidth / 2 - px(37), px(75), px(25)},
  };
}

}  // namespace skylaunch
