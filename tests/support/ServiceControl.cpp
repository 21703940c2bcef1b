#include "ServiceControl.h"

#include <windows.h>
#include <wininet.h>

#include <rapidjson/document.h>

#include <stdexcept>

#include "WinInetHandles.h"
#include "TextUtils.h"
#include "Utf.h"
#include "local_services.h"

namespace skylaunch::testing {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("service control: " + what + " (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

std::vector<std::string> TLoggedRequest::HeaderValues(const std::string& name) const {
  std::vector<std::string> values;
  for (const auto& [key, value] : Headers) {
    if (SameTextAscii(FromUtf8(key), FromUtf8(name))) values.push_back(value);
  }
  return values;
}

TServiceControl::TServiceControl() : fPort(local_services::kControlPort) {}

std::string TServiceControl::Call(const wchar_t* verb, const wchar_t* path, const std::string& body) {
  TInternetHandle internet(InternetOpenW(L"Skylaunch tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  TInternetHandle session(
      InternetConnectW(internet.Get(), L"127.0.0.1", fPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  TInternetHandle request(HttpOpenRequestW(session.Get(), verb, path, nullptr, nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request) Fail("cannot open a request");
  const wchar_t* headers = L"Content-Type: application/json\r\n";
  if (!HttpSendRequestW(request.Get(), headers, DWORD(-1), const_cast<char*>(body.data()), DWORD(body.size()))) {
    Fail("the control port does not answer");
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
  std::string answer;
  char buffer[16384];
  DWORD read = 0;
  while (InternetReadFile(request.Get(), buffer, sizeof buffer, &read) && read > 0) answer.append(buffer, read);
  if (status != 200) throw std::runtime_error("service control: status " + std::to_string(status) + ": " + answer);
  return answer;
}

void TServiceControl::SetScenario(const std::string& json) { Call(L"POST", L"/scenario", json); }

void TServiceControl::Reset() { Call(L"POST", L"/reset", "{}"); }

std::vector<TLoggedRequest> TServiceControl::Requests() {
  const std::string log = Call(L"GET", L"/log", "");
  std::vector<TLoggedRequest> requests;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    rapidjson::Document entry;
    entry.Parse(line.c_str());
    if (entry.HasParseError() || !entry.IsObject()) throw std::runtime_error("service control: bad log line");
    TLoggedRequest request;
    request.Origin = entry["origin"].GetString();
    request.Method = entry["method"].GetString();
    request.Path = entry["path"].GetString();
    request.Status = entry["status"].GetInt();
    for (const auto& header : entry["headers"].GetArray()) {
      request.Headers.emplace_back(header[0].GetString(), header[1].GetString());
    }
    // The log writes each body byte as one character U+0000..U+00FF.
    for (char16_t c : FromUtf8(entry["body"].GetString())) request.Body += static_cast<char>(c);
    requests.push_back(std::move(request));
  }
  return requests;
}

std::vector<TLoggedRequest> TServiceControl::Requests(const std::string& origin) {
  std::vector<TLoggedRequest> matching;
  for (auto& request : Requests()) {
    if (request.Origin == origin) matching.push_back(std::move(request));
  }
  return matching;
}

TServiceScenario::TServiceScenario(const std::string& json) {
  fControl.Reset();
  if (json != "{}") fControl.SetScenario(json);
}

TServiceScenario::~TServiceScenario() {
  try {
    fControl.Reset();
  } catch (...) {
    // A test that stopped the services must not turn its own failure into a crash.
  }
}

}  // namespace skylaunch::testing
