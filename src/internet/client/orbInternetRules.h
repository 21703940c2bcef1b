#pragma once
// The text rules of the asynchronous HTTP client: how a request's header block and form body are
// built, how the response's raw header block is read, and the client's fixed messages.
// Platform-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orbInternetTypes.h"

namespace skylaunch {

using TStringList = std::vector<std::u16string>;

inline constexpr char16_t kDefaultContentType[] = u"application/x-www-form-urlencoded";
inline constexpr char16_t kContentTypePrefix[] = u"Content-Type: ";

inline constexpr char16_t kInvalidURLMessage[] =
    u"Invalid URL: Please use fully qualified URLs (example: http://www.example.com/index.html)";
inline constexpr char16_t kWinInetNotFoundMessage[] = u"WinInet.dll not found.";
inline constexpr char16_t kUnableToInitializeMessage[] = u"Unable to initialize internet connection.";
inline constexpr char16_t kStreamNilMessage[] = u"Stream parameter was nil.";
inline constexpr char16_t kUnableToSubmitMessage[] = u"Unable to submit request.";
inline constexpr char16_t kDownloadStreamUninitializedText[] = u"Download Stream Uninitialized";

// "HttpSendRequestEx failed with Error code: <code>".
std::u16string SendFailedMessage(int32_t code);
// "Unable to create file. (<file name>)".
std::u16string UnableToCreateFileMessage(std::u16string_view fileName);
// "Internet Error: <platform text>".
std::u16string InternetErrorMessage(std::u16string_view platformText);
// "<server>:<port>", the proxy of an explicit proxy server.
std::u16string ProxyText(std::u16string_view server, int32_t port);

// The scheme of an URL's scheme text, letter case ignored: "http" and "https" only.
std::optional<TInternetScheme> SchemeFromString(std::u16string_view scheme);

// The form fields joined into one body: "a=1&b=2".
std::u16string JoinPostData(const TStringList& fields);
// Every line followed by CR LF.
std::u16string HeaderBlock(const TStringList& lines);
// A form body as it is sent: UTF-8 bytes.
std::string EncodeFormBody(std::u16string_view joinedFields);

// The lines of a text broken at CR LF, CR or LF (each one break); a break at the very end does
// not start another line, so "a\r\n\r\n" gives "a" and "".
TStringList SplitLines(std::u16string_view text);

// Reads the status line "HTTP/1.1 200 OK": the code (0 when it is no number) and the reason
// phrase. False, and nothing written, when the line lacks either of the two spaces.
bool ParseStatusLine(std::u16string_view line, int32_t& code, std::u16string& message);

// The body size that the header lines announce: -1 without lines, the value after the ':' of the
// first line that contains "CONTENT-LENGTH" in any letter case (0 when it is no number), and 0
// when there is no such line.
int32_t AnnouncedContentLength(const TStringList& headerLines);

// The value of the first "Last-Modified: " line (letter case ignored), at most 9999 characters;
// empty when there is none.
std::u16string LastModifiedValue(const TStringList& headerLines);

}  // namespace skylaunch
