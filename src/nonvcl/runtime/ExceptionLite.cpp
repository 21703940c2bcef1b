#include "ExceptionLite.h"

#include "Utf.h"

namespace skylaunch {

ExceptionLite::ExceptionLite(std::u16string message) { SetMessage(std::move(message)); }

void ExceptionLite::SetMessage(std::u16string message) {
  FMessage = std::move(message);
  fUtf8 = ToUtf8(FMessage);
}

}  // namespace skylaunch
