#pragma once
// The run log's platform-free rules: how a line looks, which part of an address a line may show,
// how a request is told, how much of an earlier log is kept, and the file version in a version
// resource. The log itself (the file, the clock, the process) is RunLog.h.
#include <cstdint>
#include <string>
#include <string_view>

namespace skylaunch {

// A local time, as the platform's SYSTEMTIME gives it.
struct TLogTime {
  uint16_t Year, Month, Day, Hour, Minute, Second, Milliseconds;
};

// One line of the log, UTF-8: "2025-01-30 21:03:11.482 [4242] <text>\r\n". A line break inside
// the text becomes the two characters "\n", any other control character "\xHH", so that one event
// is always one line.
std::string FormatLogLine(const TLogTime& time, uint32_t processId, std::u16string_view text);

// An address as the log may show it: scheme, host, port and path, and the names of the query's
// parameters without their values ("/v3/catalog?major-version=&status="). A user name and password
// before the host, the values of the query and a fragment are left out: any of them may carry a
// secret (a signed download address does).
std::u16string LoggableURL(std::u16string_view url);

// How one request ended, as a line of the log tells it:
// "GET https://host:443/path: 200, 1234 bytes, 56 ms", with "no status" when no status line was
// read and ", <failure>" appended when there is one.
struct TRequestOutcome {
  int32_t StatusCode = 0;
  uint64_t Bytes = 0;
  uint64_t Milliseconds = 0;
  std::u16string Failure;
};
std::u16string RequestLogText(std::u16string_view method, std::u16string_view url,
                              const TRequestOutcome& outcome);

// An earlier log is kept whole up to kRunLogLimit bytes. Beyond, at the next start, only the whole
// lines among its last kRunLogKept bytes are kept: the older half is dropped.
constexpr uint64_t kRunLogLimit = 1 << 20;
constexpr uint64_t kRunLogKept = kRunLogLimit / 2;

// The whole lines that begin within `tail` after its first byte. Given the last kRunLogKept + 1
// bytes of a log, these are the lines kept: the extra byte tells whether the first of the others
// begins a line.
std::string_view KeptRunLog(std::string_view tail);

// "24.0.0.0" from the fixed part (VS_FIXEDFILEINFO) of a version resource's bytes; empty when the
// bytes hold none.
std::u16string FileVersionText(std::string_view resource);

std::u16string DecimalText(int64_t value);

}  // namespace skylaunch
