#pragma once
// What the asynchronous HTTP client is asked to do (TInternetRequest) and what it found in the
// response (TInternetResponse). Both are owned by the client. Platform-free.
#include <cstdint>
#include <string>

#include "Stream.h"
#include "orbInternetRules.h"
#include "orbInternetTypes.h"

namespace skylaunch {

class TInternetRequest {
 public:
  const std::u16string& URL() const { return fURL; }
  void SetURL(std::u16string value) { fURL = std::move(value); }
  // Request header lines without line ends ("Authorization: Bearer …"). Consumed by each request.
  TStringList& Headers() { return fHeaders; }
  TInternetOperation Operation() const { return fOperation; }
  void SetOperation(TInternetOperation value) { fOperation = value; }
  // Form fields "name=value", joined with "&" into the body of a POST. Consumed by each request.
  TStringList& PostData() { return fPostData; }
  // Raw body bytes, sent whatever the operation. Consumed by each request.
  TMemoryStream& PostStream() { return fPostStream; }
  // An explicit proxy host; empty uses the system's configured access.
  const std::u16string& ProxyServer() const { return fProxyServer; }
  void SetProxyServer(std::u16string value) { fProxyServer = std::move(value); }
  int32_t ProxyPort() const { return fProxyPort; }
  void SetProxyPort(int32_t value) { fProxyPort = value; }
  // Value of the "Content-Type: " line that the client puts first when a body is sent.
  const std::u16string& ContentType() const { return fContentType; }
  void SetContentType(std::u16string value) { fContentType = std::move(value); }

  // Empties Headers, PostData and PostStream; the other fields keep their values.
  void Consume();

 private:
  std::u16string fURL;
  TStringList fHeaders;
  TInternetOperation fOperation{ioGET};
  TStringList fPostData;
  TMemoryStream fPostStream;
  std::u16string fProxyServer;
  int32_t fProxyPort{8080};
  std::u16string fContentType{kDefaultContentType};
};

// Not cleared between requests: a request that ends before its headers were read leaves the
// previous values.
class TInternetResponse {
 public:
  // The raw response header lines, the status line first.
  const TStringList& Headers() const { return fHeaders; }
  // The status code; 0 until a status line was read.
  int32_t HTTPMessageCode() const { return fHTTPMessageCode; }
  const std::u16string& HTTPMessage() const { return fHTTPMessage; }
  // The value of the first "Last-Modified: " header line; empty when there is none.
  std::u16string LastModified() const { return LastModifiedValue(fHeaders); }

  // Takes a raw header block: its lines replace Headers, and a status line with a code and a
  // reason phrase sets HTTPMessageCode and HTTPMessage.
  void SetRawHeaders(std::u16string_view rawHeaders);

 private:
  TStringList fHeaders;
  int32_t fHTTPMessageCode{0};
  std::u16string fHTTPMessage;
};

}  // namespace skylaunch
