#pragma once
// The vocabulary of the asynchronous HTTP client (orbInternet.h): its enumerations, event types,
// exception, window messages and the status texts. Platform-free.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ExceptionLite.h"

namespace skylaunch {

class TInternet;

// The client's request phase. isSendingData is never entered.
enum TInternetStatus : uint8_t {
  isIdle = 0,
  isSettingUpRequest = 1,
  isSendingRequest = 2,
  isSendingData = 3,
  isReceivingData = 4,
};

// The phase of the status callback: csOK once the internet handle is open, csFinalizing while a
// request is finalized, csFinalized afterwards.
enum TCallbackStatus : uint8_t { csOK = 0, csFinalizing = 1, csFinalized = 2 };

enum TExecuteResult : uint8_t { erOK = 0, erBusy = 1 };

enum TInternetOperation : uint8_t { ioGET = 0, ioPOST = 1, ioHEAD = 2 };

enum TInternetScheme : uint8_t { isHTTP = 0, isHTTPS = 1 };

// The progress states passed to OnStatusChange.
enum TExecuteStatus : uint8_t {
  esDetectingProxy = 0,
  esClosingConnection = 1,
  esConnectedToServer = 2,
  esConnectingToServer = 3,
  esConnectionClosed = 4,
  esCTLResponseReceived = 5,
  esHandleClosing = 6,
  esHandleCreated = 7,
  esIntermediateResponse = 8,
  esNameResolved = 9,
  esPreFetch = 10,
  esReceivingResponse = 11,
  esReDirect = 12,
  esRequestComplete = 13,
  esRequestSent = 14,
  esResolvingName = 15,
  esResponseReceived = 16,
  esSendingRequest = 17,
  esStateChange = 18,
};

// The text of a progress state ("ReDirect" for esReDirect); empty outside 0 .. 18.
std::u16string ExecuteStatusToString(int32_t aStatus);

// The progress state that a WinInet status notification stands for (esResolvingName for 10, …);
// none for a code the client does not report. The request-complete notification (100) gives
// esRequestComplete, which the client posts only after it has done its work.
std::optional<TExecuteStatus> ExecuteStatusForNotification(uint32_t aStatusCode);

// Events of the client; the first argument is the client that fires them.
using TInternetNotifyEvent = std::function<void(TInternet* Sender)>;
using TOnInternetStatus = std::function<void(TInternet* aSender, TExecuteStatus aStatus)>;
using TOnRequestProgressUpdate =
    std::function<void(TInternet* aSender, uint32_t aCurrentPosition, uint32_t aTotalFileSize)>;
using TOnInternetError =
    std::function<void(TInternet* aSender, int32_t aInternetError, const std::u16string& aInternetErrorString)>;
using TOnInternetLog = std::function<void(TInternet* aSender, const std::u16string& aMessage)>;

// Raised by the client for every failure before a request has been handed to the platform.
class EInternetException : public ExceptionLite {
 public:
  using ExceptionLite::ExceptionLite;
};

// Messages of the client's internal window (WM_USER is 0x0400).
inline constexpr uint32_t WM_INTERNET_COMPLETE = 0x0800;  // fire OnRequestComplete
inline constexpr uint32_t WM_INTERNET_ERROR = 0x0801;     // wParam: WinInet or system error code
inline constexpr uint32_t WM_INTERNET_FINALIZE = 0x0802;  // finalize the request
inline constexpr uint32_t WM_INTERNET_PROGRESS = 0x0803;  // wParam: position, lParam: total size
inline constexpr uint32_t WM_INTERNET_STATUS = 0x0804;    // wParam: a TExecuteStatus

// Reported through OnInternetError when the body is to be read and no download stream exists.
inline constexpr int32_t kDownloadStreamUninitialized = -10001;

}  // namespace skylaunch
