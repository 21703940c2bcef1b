#include "DownloadProgram.h"

#include "DownloadProgramRules.h"

namespace skylaunch {
namespace {

// Closes the exchange's handles when the block that used them is left, on any way out.
class TExchangeScope {
 public:
  explicit TExchangeScope(std::function<void()> close) : fClose(std::move(close)) {}
  TExchangeScope(const TExchangeScope&) = delete;
  TExchangeScope& operator=(const TExchangeScope&) = delete;
  ~TExchangeScope() { fClose(); }

 private:
  std::function<void()> fClose;
};

}  // namespace

TDownloadProgram::~TDownloadProgram() { CloseHandles(); }

void TDownloadProgram::SetAbort(bool value) {
  const TLocked locked(fHandlesLock);
  fAbort = value;
  if (!value) return;
  fStopRequested = true;
  SetEvent(fStopEvent.Get());
  CloseHandlesLocked();
}

void TDownloadProgram::Execute(const std::u16string& AURL, const std::u16string& AFileName,
                               const std::u16string& VersionFileName) {
  try {
    Run(AURL, AFileName, VersionFileName);
  } catch (...) {
    // The closed handles make the call that was in progress fail; the stop is no error.
    if (fStopRequested) return;
    throw;
  }
}

void TDownloadProgram::Run(const std::u16string& AURL, const std::u16string& AFileName,
                           const std::u16string& VersionFileName) {
  fDestFileName = AFileName;
  fVersionFileName = VersionFileName;
  fTotalBytesDownloaded = 0;
  fContext = reinterpret_cast<DWORD_PTR>(this);

  if (Abort()) return;
  ParseDownloadURL(AURL);
  if (Abort()) return;
  SetStatusText(u"Setting up connection...");
  if (!OpenConnection()) RaiseLastInternetError();
  {
    TExchangeScope catalogExchange([this] {
      CloseHandles();
      EndExchangeLog();
    });
    if (Abort()) return;
    if (!OpenRequest()) RaiseLastInternetError();
    if (Abort()) return;
    QueryReleaseCatalog();
    if (Abort()) return;
  }

  fDownloadURL = ForceHttpsScheme(fDownloadURL);
  ParseDownloadURL(fDownloadURL);
  if (Abort()) return;
  SetStatusText(u"Downloading...");
  if (!OpenConnection()) RaiseLastInternetError();
  {
    TExchangeScope fileExchange([this] {
      CloseHandles();
      EndExchangeLog();
    });
    if (Abort()) return;
    if (!OpenRequest()) RaiseLastInternetError();
    if (Abort()) return;
    CompareAndDownload();
  }
}

void TDownloadProgram::EndExchangeLog() {
  if (fStopRequested) fExchangeLog.Fail(u"stopped");
  fExchangeLog.End();
}

void TDownloadProgram::SetStatusText(const std::u16string& text) {
  if (!Abort() && OnUpdateStatusText) OnUpdateStatusText(text);
}

}  // namespace skylaunch
