#include "orbInternetTypes.h"

#include <array>
#include <utility>

namespace skylaunch {
namespace {

constexpr std::array<const char16_t*, 19> kExecuteStatusTexts = {
    u"Detecting Proxy",   u"Closing Connection",    u"Connected To Server",   u"Connecting To Server",
    u"Connection Closed", u"CTL Response Received", u"Handle Closing",        u"Handle Created",
    u"Intermediate Response", u"Name Resolved",     u"Pre Fetch",             u"Receiving Response",
    u"ReDirect",          u"Request Complete",      u"Request Sent",          u"Resolving Name",
    u"Response Received", u"Sending Request",       u"State Change",
};

// WinInet's status codes (INTERNET_STATUS_*) and the states they are reported as.
constexpr std::pair<uint32_t, TExecuteStatus> kNotificationStates[] = {
    {10, esResolvingName},        {11, esNameResolved},        {20, esConnectingToServer},
    {21, esConnectedToServer},    {30, esSendingRequest},      {31, esRequestSent},
    {40, esReceivingResponse},    {41, esResponseReceived},    {42, esCTLResponseReceived},
    {43, esPreFetch},             {50, esClosingConnection},   {51, esConnectionClosed},
    {60, esHandleCreated},        {70, esHandleClosing},       {80, esDetectingProxy},
    {100, esRequestComplete},     {110, esReDirect},           {120, esIntermediateResponse},
    {200, esStateChange},
};

}  // namespace

std::u16string ExecuteStatusToString(int32_t aStatus) {
  if (aStatus < 0 || static_cast<size_t>(aStatus) >= kExecuteStatusTexts.size()) return {};
  return kExecuteStatusTexts[static_cast<size_t>(aStatus)];
}

std::optional<TExecuteStatus> ExecuteStatusForNotification(uint32_t aStatusCode) {
  for (const auto& [code, status] : kNotificationStates) {
    if (code == aStatusCode) return status;
  }
  return std::nullopt;
}

}  // namespace skylaunch
