// Measures the download workflow against the local services (never a test; nothing here fails a
// build). tests/download/measure_download_program.py serves a catalog with a large
// "S24Launch.exe" and runs this program under Wine:
//
//   download_program_measure.exe [rounds]
//
// Per round, each writing the body into a file of the temporary folder:
//   workflow  TDownloadProgram.Execute from the catalog query to the last byte, with a progress
//             handler that only counts
//   file part the same run from the status "Downloading..." on: the file's own exchange, checked
//             against the catalog's size and SHA-256
//   unchecked the file part where the catalog describes neither (no hash is computed)
//   loop 4K   one blocking WinInet GET of the same file read in 4 KiB pieces
//   loop 64K  the same in 64 KiB pieces
// and for the unchanged case (the version file already matches):
//   unchanged the workflow's whole run, which stops after the file's headers
//   chain     the bare requests that run needs, blocking WinInet: two OAuth POSTs, the catalog
//             GET with its body, the file GET up to its headers
// each split into its parts (medians): the bearer token (for the workflow, up to its first
// "Contacting download center..."), the catalog (up to "Downloading...") and the file's headers.
#include <rapidjson/document.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DownloadProgram.h"
#include "ExceptionLite.h"
#include "Handles.h"
#include "NoUserOAuthBase64.h"
#include "PlatformHttp.h"
#include "ServiceControl.h"
#include "SystemUtils.h"
#include "Utf.h"
#include "WinText.h"
#include "libstate.h"
#include "local_services.h"
#include "orbInternetList.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::local_services;
using TClock = std::chrono::steady_clock;

constexpr char16_t kComponent[] = u"S24Launch.exe";
constexpr char16_t kCatalogPath[] =
    u"/v3/release-catalog/tarvosa-loader-app?major-version=2024&status=Release";
constexpr char16_t kFilePath[] = u"/files/2024/Release/S24Launch.exe";

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

double Seconds(const std::function<void()>& work) {
  const auto start = TClock::now();
  work();
  return std::chrono::duration<double>(TClock::now() - start).count();
}

struct TFigures {
  std::string Name;
  std::vector<double> Times;

  void Report(double bytes) const {
    std::vector<double> sorted = Times;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf("%-10s median %8.3f s  best %8.3f s", Name.c_str(), median, sorted.front());
    if (bytes > 0) std::printf("  %7.1f MiB/s (median)", bytes / median / (1024 * 1024));
    std::printf("\n");
  }
};

// One blocking request on handles of its own, as the workflow makes it.
class TPlainRequest {
 public:
  TPlainRequest(INTERNET_PORT port, const std::u16string& verb, const std::u16string& path) {
    fInternet.Reset(InternetOpenW(as_wcstr(kBrowserAgent), INTERNET_OPEN_TYPE_PRECONFIG, L"", nullptr, 0));
    fSession.Reset(
        InternetConnectW(fInternet.Get(), L"127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    fRequest.Reset(HttpOpenRequestW(fSession.Get(), as_wcstr(verb), as_wcstr(path), nullptr, L"", nullptr,
                                    INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE, 0));
    if (!fRequest) Fail("cannot open a request");
  }

  void Send(const std::u16string& headers = u"", const std::string& body = "") {
    if (!HttpSendRequestW(fRequest.Get(), headers.empty() ? nullptr : as_wcstr(headers),
                          DWORD(headers.size()), const_cast<char*>(body.data()), DWORD(body.size()))) {
      Fail("request failed");
    }
  }

  std::string ReadAll() {
    std::string all;
    char piece[kReadPieceSize];
    DWORD read = 0;
    while (InternetReadFile(fRequest.Get(), piece, sizeof piece, &read) && read > 0) all.append(piece, read);
    return all;
  }

  // The body into `file` in pieces of `pieceSize`; the number of bytes.
  size_t ReadInto(HANDLE file, std::vector<char>& buffer) {
    size_t total = 0;
    DWORD read = 0;
    while (InternetReadFile(fRequest.Get(), buffer.data(), DWORD(buffer.size()), &read) && read > 0) {
      DWORD written = 0;
      if (!WriteFile(file, buffer.data(), read, &written, nullptr) || written != read) Fail("write failed");
      total += read;
    }
    return total;
  }

 private:
  TInternetHandle fInternet, fSession, fRequest;
};

std::string Member(const std::string& json, const char* name) {
  rapidjson::Document document;
  document.Parse(json.c_str());
  if (document.HasParseError() || !document.IsObject() || !document.HasMember(name))
    Fail("no " + std::string(name));
  const auto& value = document[name];
  return value.IsString() ? value.GetString() : std::to_string(value.GetInt64());
}

// Where an unchanged run spends its time: the seconds of its token, catalog and file parts.
struct TParts {
  std::vector<double> Token, Catalog, File;

  void Add(TClock::time_point start, TClock::time_point token, TClock::time_point catalog,
           TClock::time_point end) {
    const auto seconds = [](TClock::time_point from, TClock::time_point to) {
      return std::chrono::duration<double>(to - from).count();
    };
    Token.push_back(seconds(start, token));
    Catalog.push_back(seconds(token, catalog));
    File.push_back(seconds(catalog, end));
  }

  void Report(const char* name) const {
    const auto median = [](std::vector<double> times) {
      std::sort(times.begin(), times.end());
      return times[times.size() / 2];
    };
    std::printf("%-10s token %6.3f s  catalog %6.3f s  file headers %6.3f s (medians)\n", name, median(Token),
                median(Catalog), median(File));
  }
};

// The bare chain of an unchanged run.
void BareChain(TParts& parts) {
  const TClock::time_point start = TClock::now();
  const std::u16string form = u"Content-Type: application/x-www-form-urlencoded;charset=UTF-8\r\n";
  TPlainRequest activate(kOAuthPort, u"POST", u"/oauth2/v1/clients");
  activate.Send(form, ToUtf8(u"x_app_token=" + std::u16string(kAppTokenPROD) + u"&x_client_context=Tarvosa"));
  const std::string client = activate.ReadAll();
  const std::string credentials = Member(client, "client_id") + ":" + Member(client, "client_secret");

  TPlainRequest token(kOAuthPort, u"POST", u"/oauth2/v1/tokens/bearer");
  token.Send(u"Authorization: Basic " + EncodeBase64(credentials) + u"\r\n" + form,
             "grant_type=client_credentials");
  const std::string answer = token.ReadAll();
  const std::string authorization = Member(answer, "token_type") + " " + Member(answer, "access_token");
  const TClock::time_point tokenEnd = TClock::now();

  TPlainRequest catalog(kCatalogPort, u"GET", kCatalogPath);
  catalog.Send(u"Authorization: " + FromUtf8(authorization));
  if (catalog.ReadAll().empty()) Fail("empty catalog");
  const TClock::time_point catalogEnd = TClock::now();

  TPlainRequest file(kFilesPort, u"GET", kFilePath);
  file.Send();
  parts.Add(start, tokenEnd, catalogEnd, TClock::now());
}

size_t PlainLoop(const std::u16string& destination, size_t pieceSize) {
  TFileHandle file(CreateFileW(as_wcstr(destination), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Fail("cannot create the destination");
  TPlainRequest request(kFilesPort, u"GET", kFilePath);
  request.Send();
  std::vector<char> buffer(pieceSize);
  return request.ReadInto(file.Get(), buffer);
}

// One Execute; `fileExchange` receives the seconds from the status "Downloading..." (the file's
// connection is opened next) to the end, the part that a plain loop does as well. With `parts`,
// the run's token, catalog and file parts are added to it.
int64_t Workflow(const std::u16string& destination, const std::u16string& versionFile, double& fileExchange,
                 TParts* parts = nullptr) {
  int64_t pieces = 0;
  const TClock::time_point start = TClock::now();
  TClock::time_point tokenEnd{}, fileStart{};
  TOwned<TDownloadProgram> program = Create<TDownloadProgram>();
  program->SetComponent(kComponent);
  program->SetProduct(u"Tarvosa ");
  program->OnUpdateStatusText = [&](const std::u16string& text) {
    // The first request sent is the catalog's, right after the token.
    if (text == u"Contacting download center..." && tokenEnd == TClock::time_point{}) {
      tokenEnd = TClock::now();
    }
    if (text == u"Downloading...") fileStart = TClock::now();
  };
  program->OnUpdateDownloadStatus = [&pieces](int32_t, bool&) { ++pieces; };
  program->Execute(kCatalogURL + std::u16string(kCatalogPath), destination, versionFile);
  const TClock::time_point end = TClock::now();
  fileExchange = std::chrono::duration<double>(end - fileStart).count();
  if (parts != nullptr) parts->Add(start, tokenEnd, fileStart, end);
  return pieces;
}

int64_t FileSize(const std::u16string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(as_wcstr(name), GetFileExInfoStandard, &data)) return -1;
  return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int Measure(int rounds) {
  const std::u16string folder = SystemTempFolder();
  const std::u16string destination = folder + u"\\skylaunch-measure.exe";
  const std::u16string versionFile = folder + u"\\skylaunch-measure.ver";
  const std::u16string plain = folder + u"\\skylaunch-measure-plain.bin";

  TFigures workflow{"workflow"}, exchange{"file part"}, unchecked{"unchecked"}, loop4{"loop 4K"},
      loop64{"loop 64K"};
  TFigures unchanged{"unchanged"}, chain{"chain"};
  TParts unchangedParts, chainParts;
  double fileExchange = 0;
  int64_t bytes = 0;
  const std::function<void()> downloads[] = {
      [&] {
        DeleteFileW(as_wcstr(versionFile));
        int64_t pieces = 0;
        workflow.Times.push_back(Seconds([&] { pieces = Workflow(destination, versionFile, fileExchange); }));
        exchange.Times.push_back(fileExchange);
        bytes = FileSize(destination);
        if (pieces != (bytes + 4095) / 4096) Fail("unexpected number of progress calls");
      },
      [&] {
        DeleteFileW(as_wcstr(versionFile));
        testing::TServiceScenario undescribed(R"({"items": {"S24Launch.exe": {"Size": 0, "Hash": ""}}})");
        Workflow(destination, versionFile, fileExchange);
        unchecked.Times.push_back(fileExchange);
      },
      [&] {
        size_t read = 0;
        loop4.Times.push_back(Seconds([&] { read = PlainLoop(plain, 4096); }));
        if (int64_t(read) != FileSize(destination)) Fail("4 KiB loop read a different size");
      },
      [&] {
        size_t read = 0;
        loop64.Times.push_back(Seconds([&] { read = PlainLoop(plain, 65536); }));
        if (int64_t(read) != FileSize(destination)) Fail("64 KiB loop read a different size");
      },
  };
  // Each round starts with another of them, so none always follows the same neighbour.
  downloads[0]();
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < std::size(downloads); ++i) downloads[(round + i) % std::size(downloads)]();
  }
  workflow.Times.erase(workflow.Times.begin());  // the first run only made the file known
  exchange.Times.erase(exchange.Times.begin());
  for (int round = 0; round < rounds * 3; ++round) {
    unchanged.Times.push_back(Seconds([&] {
      if (Workflow(destination, versionFile, fileExchange, &unchangedParts) != 0) {
        Fail("the unchanged run downloaded");
      }
    }));
    chain.Times.push_back(Seconds([&] { BareChain(chainParts); }));
  }
  DeleteFileW(as_wcstr(destination));
  DeleteFileW(as_wcstr(versionFile));
  DeleteFileW(as_wcstr(plain));

  std::printf("body %lld bytes, %d rounds (unchanged: %d)\n", static_cast<long long>(bytes), rounds,
              rounds * 3);
  for (const TFigures* figures : {&workflow, &exchange, &unchecked, &loop4, &loop64}) {
    figures->Report(double(bytes));
  }
  const auto median = [](std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  std::printf("speed beside loop 4K: whole run %.2f, file part %.2f\n",
              median(loop4.Times) / median(workflow.Times), median(loop4.Times) / median(exchange.Times));
  std::printf("file part checked beside unchecked: %.2f\n", median(unchecked.Times) / median(exchange.Times));
  unchanged.Report(0);
  chain.Report(0);
  std::printf("unchanged beside chain: %.2f\n", median(unchanged.Times) / median(chain.Times));
  unchangedParts.Report("unchanged");
  chainParts.Report("chain");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  InitializeLibState();
  InitializeOrbInternet();
  int result = 1;
  try {
    result = Measure(argc > 1 ? std::max(1, std::atoi(argv[1])) : 3);
  } catch (const ExceptionLite& error) {
    std::fprintf(stderr, "failed: %s\n", error.what());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "failed: %s\n", error.what());
  }
  FinalizeOrbInternet();
  return result;
}
