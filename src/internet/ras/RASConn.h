#pragma once
// TRASConn: the dial-up connection component over the bound RAS functions (RASINTF.h).
//
// What the asynchronous HTTP client relies on:
//   TOwned<TRASConn> ras = Create<TRASConn>();
//   ras->ConnectionCount()          active dial-up connections (raises ERASError, see below)
//   ras->GetActiveConnections(0)    the first of them, or an all-zero record
//   RASInterface().Basic.RasHangUpW(record.RASConn)   hangs it up
//
// Errors: every failing platform call goes through DoError. With OnError assigned the message and
// the code go to the handler and the operation carries on; otherwise ERASError is raised with the
// message. An object made while RAS was not bound (IsLoaded false) never binds it later: each of
// its calls reports 599, "RASAPI32.DLL is not Loaded!".
//
// Objects are used on the thread that creates them. Once the binding is released, every call of
// an object made before reports 599 as well.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "ExceptionLite.h"
#include "RASINTF.h"
#include "RootObject.h"

namespace skylaunch {

// A dial-up call failed and no OnError handler took the report.
class ERASError : public ExceptionLite {
 public:
  using ExceptionLite::ExceptionLite;
};

using TRASEvent = std::function<void(TObject* Sender, const std::u16string& Msg, int32_t num)>;
using TRASNotifyEvent = std::function<void(TObject* Sender)>;

class TRASConn : public TObject {
 public:
  // Enumerations see at most this many connections.
  static constexpr uint32_t kMaxConnections = 10;

  TRASConn() = default;

  // The number of active dial-up connections; 0 when the platform could not tell. More
  // connections than kMaxConnections are counted, though only that many can be listed.
  uint32_t ConnectionCount();
  // The index-th active connection; an all-zero record when there is none, and for an index
  // of kMaxConnections or more without asking the platform.
  TRASConnW GetActiveConnections(uint32_t index);
  // Whether Handle is one of the active connections.
  bool Connected();
  // Hangs up Handle: -1 when Handle is 0 (and nothing fires). Otherwise a non-zero platform
  // result goes to DoError; then Handle becomes 0 and OnDisConnect fires. Returns the platform's
  // result.
  int32_t Close();
  // The text of the connection's state (RASConnectStatusText); fills DeviceName and DeviceType.
  // Empty when Handle is 0, when RAS is not bound, or when the platform call failed.
  std::u16string GetConnectStatus();

  // The single error path: code 0 is "Undefined RAS Error." (or an empty report with 0); while
  // RAS is not bound every code becomes 599; the message follows RASErrorMessage.
  virtual void DoError(uint32_t code);

  UINT_PTR Handle() const { return fHandle; }
  // Closes a current connection before taking the new handle.
  void SetHandle(UINT_PTR value);
  bool IsLoaded() const { return fLoaded; }
  const std::u16string& DeviceType() const { return fDeviceType; }
  const std::u16string& DeviceName() const { return fDeviceName; }

  // The live component whose Handle is `handle` (the look-up of a dial notification), or null.
  static TRASConn* FindByHandle(UINT_PTR handle);

  TRASEvent OnError;
  TRASNotifyEvent OnDisConnect;

 protected:
  void Construct() override;
  // Hangs up an own connection and waits (at most 3 s) until the platform no longer knows it.
  void Destroy() override;

 private:
  using TConnectionRecords = std::array<TRASConnW, kMaxConnections>;

  // RasEnumConnectionsW into `records`; 599 without calling when RAS is not bound.
  DWORD EnumerateConnections(TConnectionRecords& records, DWORD& count) const;
  // The platform's text for a code from 600 up; empty when it has none.
  std::u16string PlatformErrorText(uint32_t code) const;
  void WaitUntilHungUp(UINT_PTR handle) const;
  // `entry` while this object has RAS bound, else null.
  template <class F>
  F Bound(F entry) const {
    return fLoaded ? entry : nullptr;
  }

  UINT_PTR fHandle{};
  bool fLoaded{};
  std::u16string fDeviceType{};
  std::u16string fDeviceName{};
};

}  // namespace skylaunch
