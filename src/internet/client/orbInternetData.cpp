#include "orbInternetData.h"

#include "WinText.h"

namespace skylaunch {

void TInternetData::Initialize() {
  fHeader.clear();
  fPostData.clear();
  fBody.clear();
  fHeaderAndPostData = nullptr;
  fInternetBuffers = INTERNET_BUFFERSW{};
  fHasHeadersOrPostData = false;
}

void TInternetData::Build(TInternetRequest& request) {
  const bool hasFormFields = request.Operation() == ioPOST && !request.PostData().empty();
  // Its bytes, whatever its position.
  const std::string& streamBytes = request.PostStream().Bytes();
  const bool hasBody = hasFormFields || !streamBytes.empty();
  if (request.Headers().empty() && !hasBody) return;

  if (hasBody) {
    // The form fields win over the stream, as the header block announces form-urlencoded data.
    if (!request.PostData().empty()) fPostData = JoinPostData(request.PostData());
    auto& headers = request.Headers();
    headers.insert(headers.begin(), kContentTypePrefix + request.ContentType());
  }
  fHeader = HeaderBlock(request.Headers());

  fInternetBuffers.dwStructSize = sizeof(INTERNET_BUFFERSW);
  fInternetBuffers.Next = nullptr;
  fInternetBuffers.lpcszHeader = as_wcstr(fHeader);
  fInternetBuffers.dwHeadersLength = static_cast<DWORD>(fHeader.size());
  fInternetBuffers.dwHeadersTotal = 0;
  if (hasBody) {
    fBody = fPostData.empty() ? streamBytes : EncodeFormBody(fPostData);
    fInternetBuffers.lpvBuffer = fBody.data();
    fInternetBuffers.dwBufferLength = static_cast<DWORD>(fBody.size());
    fInternetBuffers.dwBufferTotal = static_cast<DWORD>(fBody.size());
  }
  fHasHeadersOrPostData = true;
}

}  // namespace skylaunch
