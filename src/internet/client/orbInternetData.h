#pragma once
// TInternetData: the buffers of one send of the asynchronous HTTP client. They live in the client
// from the send until the next request starts, because the platform may still read them after
// HttpSendRequestExW has returned.
#include <windows.h>
#include <wininet.h>

#include <string>

#include "orbInternetRequest.h"

namespace skylaunch {

class TInternetData {
 public:
  // Empties both texts and the body, clears the pointer and the flag and zeroes the record.
  void Initialize();

  // Builds the header block and the body of `request`. With a body (a POST with form fields, or
  // any request whose PostStream holds bytes) the line "Content-Type: " + ContentType goes first
  // into request.Headers. With neither header lines nor a body nothing is built and
  // HeaderAndPostDataPtr stays null.
  void Build(TInternetRequest& request);

  // The header block sent, every line followed by CR LF.
  const std::u16string& Header() const { return fHeader; }
  // The joined form fields.
  const std::u16string& PostData() const { return fPostData; }
  // The body bytes sent: the form fields as UTF-8, or a copy of the PostStream's bytes.
  const std::string& Body() const { return fBody; }
  bool HasHeadersOrPostData() const { return fHasHeadersOrPostData; }
  INTERNET_BUFFERSW* InternetBuffPtr() { return &fInternetBuffers; }
  // The record to hand to the send, or null when there is nothing to send beside the request line.
  INTERNET_BUFFERSW* HeaderAndPostDataPtr() { return fHasHeadersOrPostData ? &fInternetBuffers : nullptr; }

 private:
  std::u16string fHeader;
  std::u16string fPostData;
  void* fHeaderAndPostData{nullptr};
  INTERNET_BUFFERSW fInternetBuffers{};
  bool fHasHeadersOrPostData{false};
  std::string fBody;
};

}  // namespace skylaunch
