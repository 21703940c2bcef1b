#pragma once
// The run log, %TEMP%\Skylaunch.log: what happened in each run, for whoever has to find out why a
// run failed on a user's machine. Every run appends to it (the earlier content is kept up to
// kRunLogLimit, see RunLogText.h); one line per event with the local time and the process id.
//
// Each line goes to the file at once and whole, by one append: the launcher and the copy it
// starts may write at the same time, and a process may be ended at any moment (the closing
// window does not wait long for a worker). A log that cannot be opened or written is left alone:
// the program does the same either way.
//
// Never a secret: no token, client id or secret, application token, Authorization value or
// request body goes into a line. Addresses go through LoggableURL.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "RunLogText.h"

namespace skylaunch {

// Once at the start of a run, before any other line: drops the older half of a log that has grown
// beyond its limit, then writes the start line (file version, program file, command line).
void StartRunLog();

// Appends one event.
void RunLog(std::u16string_view event);

// The last line of a run: its exit code, and why when it is not the usual way out.
void RunLogExit(uint32_t code, std::u16string_view reason = {});

// MessageBoxW, with its caption and text logged before it is shown and the answer after.
int LoggedMessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type);

// One request, told by one line when it ends: method, address (LoggableURL), status code, bytes of
// the body received, duration and what went wrong. End, or the destructor, writes the line of a
// request begun and not yet told.
class TRequestLog {
 public:
  TRequestLog() = default;
  TRequestLog(const TRequestLog&) = delete;
  TRequestLog& operator=(const TRequestLog&) = delete;
  ~TRequestLog() { End(); }

  // Starts the clock of a new request (ending one still open).
  void Begin(std::u16string_view method, std::u16string_view url);
  void SetStatus(int32_t code) { fOutcome.StatusCode = code; }
  void AddBytes(uint64_t count) { fOutcome.Bytes += count; }
  // The first failure told is the one kept: later ones are its consequences.
  void Fail(std::u16string_view failure);
  void End();

 private:
  bool fOpen = false;
  std::u16string fMethod;
  std::u16string fURL;
  uint64_t fStart = 0;
  TRequestOutcome fOutcome;
};

}  // namespace skylaunch
