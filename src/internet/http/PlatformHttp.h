#pragma once
// The platform HTTP layer: the one place where the program meets WinInet. Every HTTP and HTTPS
// request of the program goes through the platform's own WinInet; nothing of it is re-made here.
//
// What the layer gives its callers (the download workflow, the connection manager and the
// asynchronous client):
//   - WinInet() (WinInetApi.h): the platform's entry points, bound from the system folder; the
//     program imports nothing of WinInet.
//   - TInternetHandle (WinInetHandles.h): owns a root, connection or request handle and closes it
//     with InternetCloseHandle on every way out; an empty owner closes nothing.
//   - QueryRawHeaders: the status line and header lines of a response, read whole.
//   - InternetErrorText: the text of a WinInet (or system) error code; InternetFailureText: the
//     same with the code, for the run log.
//   - The constants below, and the numeric WinInet values the callers rely on, checked against
//     the platform header at compile time.
//
// The callers make the other WinInet calls themselves (InternetOpenW, InternetConnectW,
// HttpOpenRequestW, HttpSendRequestW/ExW, InternetReadFile/ExW, …) with the arguments their own
// rules name: through WinInet(), or the asynchronous client through its own library list. Failures of those
// calls are a null handle or FALSE with GetLastError(); a last error of 0 reports nothing.
//
// Certificate checks are never weakened: no request flag that ignores certificate errors and no
// security-flags option appear anywhere in the program (a test of the source tree keeps it so).
// A server whose certificate the system does not trust fails the request.
#include <windows.h>
#include <wininet.h>

#include <functional>
#include <optional>
#include <string>

#include "WinInetHandles.h"

namespace skylaunch {

// User agent of the download workflow and of the asynchronous client.
inline constexpr char16_t kBrowserAgent[] = u"Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)";

// Response bodies are read in pieces of at most this many bytes (InternetReadFile and
// InternetReadFileExW); a successful read of 0 bytes ends the body.
inline constexpr DWORD kReadPieceSize = 4096;

// Capacity, in characters, of the buffer that receives an error text.
inline constexpr DWORD kErrorTextCapacity = 256;

// Which call of the raw-header query is about to be made: the size probe without a buffer, or
// the retrieval into a buffer of the size the platform asked for.
enum class TRawHeaderCall { RequestBuffer, Retrieve };

// What InternetCrackUrlW is asked for to split a whole URL in place: non-zero lengths with null
// pointers make it point into the URL text at the scheme, host, user, password, path and extra
// information (the query and fragment) and give their lengths.
URL_COMPONENTSW UrlPartsInPlace();

// HttpQueryInfoW, or an entry point of the same signature bound by name.
using THttpQueryInfoW = decltype(&::HttpQueryInfoW);

// The raw header block of the response on `request` (HTTP_QUERY_RAW_HEADERS_CRLF): the status
// line and every header line, each ended by CR LF, as the platform gives it up to its terminating
// zero. The first call passes no buffer to learn the size; when the platform answers
// ERROR_INSUFFICIENT_BUFFER with the size it needs, the block is asked for again in a buffer of
// that size. Any other failure gives nullopt with the platform's code left in GetLastError().
//
// `query` lets a caller that binds WinInet itself pass its bound HttpQueryInfoW (null: the one of
// WinInetApi.h); `beforeCall`,
// when set, runs just before each platform call (the asynchronous client logs them).
std::optional<std::u16string> QueryRawHeaders(HINTERNET request, THttpQueryInfoW query = nullptr,
                                              const std::function<void(TRawHeaderCall)>& beforeCall = {});

// The platform's text for a WinInet error code: looked up in the message table of the loaded
// "wininet.dll", else in the system's table (so system codes have their texts too), into a
// buffer of kErrorTextCapacity characters, with trailing CR and LF removed. Inserts such as "%1"
// stay as they stand. A code that neither table knows gives "Unknown error " and the decimal code.
std::u16string InternetErrorText(DWORD code);

// "error <code> (<InternetErrorText>)", as the run log tells a failed request.
std::u16string InternetFailureText(DWORD code);

// The numeric values that the callers' rules name, as the platform header defines them.
static_assert(INTERNET_OPEN_TYPE_PRECONFIG == 0);
static_assert(INTERNET_SERVICE_HTTP == 3);
static_assert(INTERNET_FLAG_ASYNC == 0x10000000);
static_assert(INTERNET_FLAG_RELOAD == 0x80000000);
static_assert(INTERNET_FLAG_NO_CACHE_WRITE == 0x04000000);
static_assert(INTERNET_FLAG_SECURE == 0x00800000);
static_assert(HTTP_QUERY_RAW_HEADERS_CRLF == 22);
static_assert(INTERNET_OPTION_RECEIVE_TIMEOUT == 6);
static_assert(INTERNET_STATUS_REQUEST_COMPLETE == 100);
static_assert(IRF_NO_WAIT == 8);
static_assert(HSR_ASYNC == 1);
static_assert(INTERNET_AUTODIAL_FORCE_UNATTENDED == 2);
static_assert(INTERNET_CONNECTION_MODEM == 1 && INTERNET_CONNECTION_LAN == 2 &&
              INTERNET_CONNECTION_PROXY == 4);
static_assert(ERROR_INSUFFICIENT_BUFFER == 122);
static_assert(ERROR_IO_PENDING == 997);
static_assert((FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM) == 0x1800);
// The buffers record handed to HttpSendRequestExW and InternetReadFileExW: 40 bytes in the 32-bit
// program; its pointers make it larger in a 64-bit build.
static_assert(sizeof(void*) != 4 || sizeof(INTERNET_BUFFERSW) == 40);

}  // namespace skylaunch
