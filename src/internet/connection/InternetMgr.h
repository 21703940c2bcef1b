#pragma once
// Before any download starts: can the machine reach the release-catalog service? Reads the
// platform's connected state, can ask it to dial the default connection unattended, and validates
// reachability by opening one URL with a short receive time-out. Synchronous; reports what it
// does as status texts. No operation raises: failures are `false` with the platform's code in
// LastError().
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ConnectionType.h"
#include "RootObject.h"

namespace skylaunch {

class TInternetManager;

using TInternetMgrStatusChange = std::function<void(TInternetManager* Sender, const std::u16string& Status)>;
using TInternetMgrDisconnected = std::function<void(TInternetManager* Sender, bool& CanHangup)>;

// The platform's connection services. The real one is WinInet's; tests give other answers.
class TConnectionPlatform {
 public:
  virtual ~TConnectionPlatform() = default;
  // InternetGetConnectedState: connected or not, and the connection flags.
  virtual bool ConnectedState(uint32_t& flags) = 0;
  // InternetAutodial, unattended.
  virtual bool Autodial(HWND window) = 0;
  virtual void AutodialHangup() = 0;

  static std::unique_ptr<TConnectionPlatform> WinInet();
};

class TInternetManager : public TObject {
 public:
  static constexpr char16_t kDefaultValidationURL[] = u"http://skylaunch.invalid/health/full";

  explicit TInternetManager(HWND windowHandle,
                            std::unique_ptr<TConnectionPlatform> platform = TConnectionPlatform::WinInet());

  bool Connect();
  void Disconnect();
  bool ValidateConnection();

  bool ConnectionAvailable();
  TConnectionType ConnectionType();
  int32_t LastError() const { return FLastError; }
  const std::u16string& ValidationHost() const { return FValidationHost; }
  void SetValidationHost(const std::u16string& value);
  uint32_t ValidationTimeout() const { return FValidationTimeout; }
  void SetValidationTimeout(uint32_t value) { FValidationTimeout = value; }
  HWND WindowHandle() const { return FWindowHandle; }
  // From any thread: from now on no validation request is sent and nothing is dialled (a
  // validation then fails with ERROR_INTERNET_OPERATION_CANCELLED). One already sent is not
  // interrupted: its caller stops waiting for it.
  void SetAbort(bool value) { fAbort = value; }

  TInternetMgrStatusChange OnStatusChange;
  TInternetMgrDisconnected OnDisconnected;

 private:
  void RefreshConnectionState();
  bool DoDisconnected();
  void DoStatusChange(const std::u16string& status);
  bool OpenValidationURL(HINTERNET session);
  void RestoreTimeout(HINTERNET session, DWORD timeout);
  void RecordLastError() { FLastError = static_cast<int32_t>(GetLastError()); }

  bool FConnected{false};
  uint32_t FConnectionFlags{0};
  int32_t FLastError{0};
  std::u16string FValidationHost{kDefaultValidationURL};
  uint32_t FValidationTimeout{7000};
  HWND FWindowHandle{nullptr};
  std::unique_ptr<TConnectionPlatform> fPlatform;
  std::atomic<bool> fAbort{false};
};

}  // namespace skylaunch
