#include "RunLog.h"

#include <string>

#include "Handles.h"
#include "SystemUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr char16_t kLogName[] = u"Skylaunch.log";

std::u16string FinalPath(HANDLE handle) {
  wchar_t path[MAX_PATH * 2]{};
  const DWORD length = GetFinalPathNameByHandleW(handle, path, MAX_PATH * 2, FILE_NAME_NORMALIZED);
  return length > 0 && length < MAX_PATH * 2 ? FromWide(path) : std::u16string();
}

// The temporary folder belongs to the user, and the program often runs elevated: anything the user
// runs may put a link where the log goes, and the program would then write to, or cut short, the
// file the link names. So the log is only a plain file with a single name that stands in the
// folder itself: not a link (opened as itself, never followed), not a second name of another file,
// and not reached through a redirection of its own name.
bool IsPlainFileInFolder(HANDLE file, const std::u16string& folder) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info) || info.nNumberOfLinks != 1 ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return false;
  }
  const TFileHandle folderHandle(CreateFileW(as_wcstr(folder), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::u16string folderPath = folderHandle ? FinalPath(folderHandle.Get()) : std::u16string();
  const std::u16string expected = folderPath + u"\\" + kLogName;
  const std::u16string actual = FinalPath(file);
  return !folderPath.empty() &&
         CompareStringOrdinal(as_wcstr(expected), -1, as_wcstr(actual), -1, TRUE) == CSTR_EQUAL;
}

// The log opened for `access` when it is the plain file it should be; none otherwise.
TFileHandle OpenLog(DWORD access, DWORD disposition) {
  const std::u16string folder = SystemTempFolder();
  TFileHandle file(CreateFileW(as_wcstr(folder + u"\\" + kLogName), access,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file && !IsPlainFileInFolder(file.Get(), folder)) file.Reset();
  return file;
}

// Opened by StartRunLog, so that only the program writes a log, not the tests of its parts. Set
// before the run's other threads exist; the process's end closes it.
TFileHandle& LogFile() {
  static TFileHandle file;
  return file;
}

// Keeps the whole lines among the last kRunLogKept bytes of a log that has grown beyond its limit.
void DropOlderHalf() {
  const TFileHandle file = OpenLog(GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size) || static_cast<uint64_t>(size.QuadPart) <= kRunLogLimit)
    return;
  std::string tail(kRunLogKept + 1, '\0');
  LARGE_INTEGER from{};
  from.QuadPart = size.QuadPart - static_cast<LONGLONG>(tail.size());
  DWORD read = 0;
  if (!SetFilePointerEx(file.Get(), from, nullptr, FILE_BEGIN) ||
      !ReadFile(file.Get(), tail.data(), static_cast<DWORD>(tail.size()), &read, nullptr)) {
    return;
  }
  tail.resize(read);
  const std::string_view kept = KeptRunLog(tail);
  const LARGE_INTEGER start{};
  DWORD written = 0;
  if (SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) &&
      WriteFile(file.Get(), kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr) &&
      written == kept.size()) {
    SetEndOfFile(file.Get());
  }
}

// The file version in the program's own version resource, read from the resource itself: the
// platform's version functions live in a library the program does not import.
std::u16string OwnFileVersion() {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  HGLOBAL loaded = info ? LoadResource(nullptr, info) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const std::u16string version =
      data ? FileVersionText(std::string_view(static_cast<const char*>(data), SizeofResource(nullptr, info)))
           : std::u16string();
  return version.empty() ? u"(no version resource)" : version;
}

std::u16string OwnProgramFile() {
  wchar_t path[MAX_PATH + 1]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return FromWide(path);
}

std::u16string_view AnswerName(int answer) {
  switch (answer) {
    case IDOK:
      return u"OK";
    case IDCANCEL:
      return u"Cancel";
    case IDABORT:
      return u"Abort";
    case IDRETRY:
      return u"Retry";
    case IDIGNORE:
      return u"Ignore";
    case IDYES:
      return u"Yes";
    case IDNO:
      return u"No";
    default:
      return u"nothing (the box could not be shown)";
  }
}

}  // namespace

void StartRunLog() {
  try {
    DropOlderHalf();
    // Appending only: the platform then writes each line at the end of the file as it is at that
    // moment, also when another process appends at the same time.
    LogFile() = OpenLog(FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, OPEN_ALWAYS);
    RunLog(u"start Skylaunch " + OwnFileVersion() + u", program file " + OwnProgramFile() +
           u", command line " + FromWide(GetCommandLineW()));
  } catch (...) {
    // Without a log the program runs as it would with one.
  }
}

void RunLog(std::u16string_view event) {
  try {
    const TFileHandle& file = LogFile();
    if (!file) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string line = FormatLogLine(
        {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds},
        GetCurrentProcessId(), event);
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } catch (...) {
    // A line that cannot be made is a line less; the program goes on as it would.
  }
}

void RunLogExit(uint32_t code, std::u16string_view reason) {
  std::u16string text = u"exit code " + DecimalText(code);
  if (!reason.empty()) text.append(u" (").append(reason).append(u")");
  RunLog(text);
}

int LoggedMessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) {
  const std::u16string shownText(text);
  const std::u16string shownCaption(caption);
  RunLog(u"box \"" + shownCaption + u"\": " + shownText);
  const int answer = MessageBoxW(owner, as_wcstr(shownText), as_wcstr(shownCaption), type);
  RunLog(u"box \"" + shownCaption + u"\" answered " + std::u16string(AnswerName(answer)));
  return answer;
}

void TRequestLog::Begin(std::u16string_view method, std::u16string_view url) {
  End();
  fMethod = method;
  fURL = LoggableURL(url);
  fOutcome = TRequestOutcome();
  fStart = GetTickCount64();
  fOpen = true;
}

void TRequestLog::Fail(std::u16string_view failure) {
  if (fOpen && fOutcome.Failure.empty()) fOutcome.Failure = failure;
}

void TRequestLog::End() {
  if (!fOpen) return;
  fOpen = false;
  fOutcome.Milliseconds = GetTickCount64() - fStart;
  try {
    RunLog(RequestLogText(fMethod, fURL, fOutcome));
  } catch (...) {
    // As RunLog: a line less, nothing else.
  }
}

}  // namespace skylaunch
