#include "ChainLock.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "RunLog.h"
#include "SystemError.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// How long a copy waits for the launcher that started it to end. That one ends about a second
// after the copy began to wait (its window waits at most a second for its worker); one that has
// not ended after this hangs, and the copy leaves the chain to it.
constexpr DWORD kStarterEnd = 20000;

// The running chain may be starting up or handing over to its copy: its window can be a moment
// away.
constexpr ULONGLONG kWindowWait = 2000;

std::u16string ObjectName(std::u16string_view prefix, std::u16string_view object) {
  return std::u16string(prefix).append(object);
}

// Rather than keep the user from installing, the launcher then runs as it did before there was a
// lock.
void LogUnavailable(DWORD error) {
  RunLog(u"chain lock: not available, " + SystemFailureText(error) + u"; this launcher runs without it");
}

// The chain's objects are for the launchers, which run elevated: the system and the administrators
// may use them, an ordinary user's process can neither open the lock to hold it nor offer or take
// a ticket.
class TChainObjectSecurity {
 public:
  TChainObjectSecurity() {
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1,
                                                         &fDescriptor, nullptr);
  }
  TChainObjectSecurity(const TChainObjectSecurity&) = delete;
  TChainObjectSecurity& operator=(const TChainObjectSecurity&) = delete;
  ~TChainObjectSecurity() { LocalFree(fDescriptor); }
  // The platform's default where the descriptor could not be made.
  SECURITY_ATTRIBUTES* Attributes() {
    fAttributes = {sizeof fAttributes, fDescriptor, FALSE};
    return fDescriptor ? &fAttributes : nullptr;
  }

 private:
  PSECURITY_DESCRIPTOR fDescriptor = nullptr;
  SECURITY_ATTRIBUTES fAttributes{};
};

// Whether a lock that was already there was made by a launcher as elevated as this one: its owner
// is the owner this process gives what it makes (the administrators, for an elevated launcher).
// Any other process may have made it first to keep every launcher out.
bool MadeByALauncher(HANDLE lock) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(lock, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  TKernelHandle token;
  DWORD size = 0;
  bool same = false;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
    GetTokenInformation(token.Get(), TokenOwner, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    same = size > 0 && GetTokenInformation(token.Get(), TokenOwner, buffer.data(), size, &size) &&
           EqualSid(owner, reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner);
  }
  LocalFree(descriptor);
  return same;
}

HWND FindChainWindow(const std::u16string& windowClass) {
  const ULONGLONG deadline = GetTickCount64() + kWindowWait;
  HWND window = FindWindowW(as_wcstr(windowClass), nullptr);
  while (!window && GetTickCount64() < deadline) {
    Sleep(50);
    window = FindWindowW(as_wcstr(windowClass), nullptr);
  }
  return window;
}

}  // namespace

TChainLock::TChainLock(bool handOverCopy, std::u16string_view prefix) {
  TChainObjectSecurity security;
  fMutex.Reset(CreateMutexW(security.Attributes(), FALSE, as_wcstr(ObjectName(prefix, u"Chain"))));
  const DWORD made = GetLastError();
  if (!fMutex) {
    LogUnavailable(made);
    return;
  }
  if (made == ERROR_ALREADY_EXISTS && !MadeByALauncher(fMutex.Get())) {
    fMutex.Reset();
    RunLog(u"chain lock: made by a process that is no elevated launcher; this launcher runs without it");
    return;
  }
  switch (handOverCopy ? WaitAsCopy(prefix) : WaitForSingleObject(fMutex.Get(), 0)) {
    case WAIT_OBJECT_0:
      fOwned = true;
      RunLog(u"chain lock: taken");
      break;
    case WAIT_ABANDONED:
      fOwned = true;
      RunLog(u"chain lock: taken; the chain that held it ended without releasing it");
      break;
    case WAIT_TIMEOUT:
      fAnotherChainRuns = true;
      RunLog(u"chain lock: another launcher is running");
      break;
    default:
      LogUnavailable(GetLastError());
  }
}

DWORD TChainLock::WaitAsCopy(std::u16string_view prefix) {
  TKernelHandle ticket(OpenEventW(SYNCHRONIZE, FALSE, as_wcstr(ObjectName(prefix, u"HandOver"))));
  if (!ticket || WaitForSingleObject(ticket.Get(), 0) != WAIT_OBJECT_0) {
    return WaitForSingleObject(fMutex.Get(), 0);  // no hand-over on offer: like any other start
  }
  RunLog(u"chain lock: handed over; waiting for the launcher that started this one to end");
  TKernelHandle copyWaits(OpenEventW(EVENT_MODIFY_STATE, FALSE, as_wcstr(ObjectName(prefix, u"CopyWaits"))));
  // Telling the starter and beginning to wait in one step: once it has been told, it may end at
  // once, and no other start can come in between.
  return copyWaits ? SignalObjectAndWait(copyWaits.Get(), fMutex.Get(), kStarterEnd, FALSE)
                   : WaitForSingleObject(fMutex.Get(), kStarterEnd);
}

TChainLock::~TChainLock() {
  if (fOwned) ReleaseMutex(fMutex.Get());
}

THandOver::THandOver(std::u16string_view prefix) {
  TChainObjectSecurity security;
  fCopyWaits.Reset(CreateEventW(security.Attributes(), FALSE, FALSE, as_wcstr(ObjectName(prefix, u"CopyWaits"))));
  fTicket.Reset(CreateEventW(security.Attributes(), FALSE, TRUE, as_wcstr(ObjectName(prefix, u"HandOver"))));
  if (!fCopyWaits || !fTicket) {
    RunLog(u"hand-over: no ticket for the copy, " + SystemFailureText(GetLastError()));
  }
}

bool THandOver::AwaitCopy(HANDLE copy, DWORD milliseconds) {
  if (!copy || !fCopyWaits || !fTicket) return false;
  const HANDLE events[] = {fCopyWaits.Get(), copy};
  switch (WaitForMultipleObjects(2, events, FALSE, milliseconds)) {
    case WAIT_OBJECT_0:
      RunLog(u"hand-over: the copy waits for the chain lock");
      return true;
    case WAIT_OBJECT_0 + 1:
      RunLog(u"hand-over: the copy ended before it asked for the chain lock");
      return false;
    default:
      RunLog(u"hand-over: the copy did not ask for the chain lock within " +
             DecimalText(milliseconds / 1000) + u" s");
      return false;
  }
}

void BringChainForward(const std::u16string& windowClass) {
  const HWND window = FindChainWindow(windowClass);
  if (!window) {
    RunLog(u"the running launcher shows no window");
    return;
  }
  // Asynchronous: the window's own thread restores it, and this start does not wait for that.
  if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
  SetForegroundWindow(window);
  RunLog(u"the running launcher's window is brought to the front");
}

}  // namespace skylaunch
