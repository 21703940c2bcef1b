#include "orbInternetRequest.h"

namespace skylaunch {

void TInternetRequest::Consume() {
  fHeaders.clear();
  fPostData.clear();
  fPostStream.Clear();
}

void TInternetResponse::SetRawHeaders(std::u16string_view rawHeaders) {
  fHeaders = SplitLines(rawHeaders);
  if (!fHeaders.empty()) ParseStatusLine(fHeaders.front(), fHTTPMessageCode, fHTTPMessage);
}

}  // namespace skylaunch
