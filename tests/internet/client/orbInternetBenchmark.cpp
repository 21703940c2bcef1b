// Throughput of the asynchronous client against a plain blocking WinInet loop, on the same file
// in the same run. A measurement, never a gate.
//
//   client_benchmark.exe <https URL of a large file> [rounds]
//
// Each round downloads the file once with each reader, into a sink that only counts bytes, and
// prints both rates; the summary gives the best round of each and their ratio.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PlatformHttp.h"
#include "WinInetHandles.h"
#include "WinText.h"
#include "libstate_lock.h"
#include "orbInternet.h"
#include "orbInternetList.h"

namespace {

using namespace skylaunch;
using TClock = std::chrono::steady_clock;

// Counts what is written and keeps nothing.
class TCountingStream : public TStream {
 public:
  uint64_t Count() const { return fCount; }

  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t count) override {
    fCount += count;
    return count;
  }
  uint64_t Size() const override { return fCount; }
  uint64_t Position() const override { return fCount; }
  void SetPosition(uint64_t) override {}

 private:
  uint64_t fCount = 0;
};

struct TResult {
  uint64_t Bytes = 0;
  uint64_t Events = 0;  // progress and status events that reached the waiting thread
  double Seconds = 0;
  bool Ok = false;
  double MiBPerSecond() const { return Seconds > 0 ? Bytes / 1048576.0 / Seconds : 0; }
};

TResult DownloadWithClient(const std::u16string& url) {
  TResult result;
  auto client = Create<TInternet>();
  bool ended = false;
  client->OnRequestComplete = [&](TInternet* sender) {
    ended = true;
    result.Ok = sender->Response().HTTPMessageCode() == 200;
  };
  client->OnInternetError = [&](TInternet*, int32_t code, const std::u16string&) {
    ended = true;
    std::fprintf(stderr, "client: error %d\n", code);
  };
  client->OnRequestProgressUpdate = [&](TInternet*, uint32_t, uint32_t) { ++result.Events; };
  client->OnStatusChange = [&](TInternet*, TExecuteStatus) { ++result.Events; };
  TCountingStream sink;
  const auto start = TClock::now();
  client->Execute(&sink, url);
  while (!ended) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (!ended) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
  }
  result.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
  result.Bytes = sink.Count();
  return result;
}

TResult DownloadBlocking(const std::u16string& url) {
  TResult result;
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(as_wcstr(url), 0, 0, &parts)) return result;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path(parts.lpszUrlPath);
  const auto start = TClock::now();
  TInternetHandle internet(InternetOpenW(as_wcstr(kBrowserAgent), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  TInternetHandle session(
      InternetConnectW(internet.Get(), host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  TInternetHandle request(HttpOpenRequestW(session.Get(), L"GET", path.c_str(), nullptr, L"", nullptr,
                                           INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request || !HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) {
    std::fprintf(stderr, "blocking: error %lu\n", GetLastError());
    return result;
  }
  TCountingStream sink;
  char buffer[kReadPieceSize];
  DWORD read = 0;
  while (InternetReadFile(request.Get(), buffer, kReadPieceSize, &read) && read > 0) {
    sink.Write(buffer, read);
  }
  result.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
  result.Bytes = sink.Count();
  result.Ok = true;
  return result;
}

void Print(const char* name, const TResult& result) {
  std::printf("  %-9s %s %llu bytes in %.3f s = %.1f MiB/s, %llu events\n", name, result.Ok ? "ok    " : "FAILED",
              static_cast<unsigned long long>(result.Bytes), result.Seconds, result.MiBPerSecond(),
              static_cast<unsigned long long>(result.Events));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: client_benchmark <URL> [rounds]\n");
    return 2;
  }
  const std::u16string url = FromWide(argv[1]);
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
  InitializeLibState();
  InitializeOrbInternet();
  double bestClient = 0;
  double bestBlocking = 0;
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d\n", round);
    const TResult client = DownloadWithClient(url);
    const TResult blocking = DownloadBlocking(url);
    Print("client", client);
    Print("blocking", blocking);
    if (client.Ok) bestClient = std::max(bestClient, client.MiBPerSecond());
    if (blocking.Ok) bestBlocking = std::max(bestBlocking, blocking.MiBPerSecond());
  }
  std::printf("best: client %.1f MiB/s, blocking %.1f MiB/s, client/blocking %.2f\n", bestClient, bestBlocking,
              bestBlocking > 0 ? bestClient / bestBlocking : 0.0);
  std::fflush(stdout);
  FinalizeOrbInternet();
  FinalizeLibState();
  return bestClient > 0 && bestBlocking > 0 ? 0 : 1;
}
