#include "RASConn.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "Locks.h"
#include "RASText.h"
#include "WinText.h"

namespace skylaunch {
namespace {

constexpr ULONGLONG kHangUpWaitMs = 3000;
constexpr DWORD kErrorTextCapacity = 255;

// Every TRASConn from its construction to its destruction.
struct TLiveList {
  TLock Lock;
  std::vector<TRASConn*> Items;
};

TLiveList& LiveList() {
  static TLiveList list;
  return list;
}

void JoinLiveList(TRASConn* connection) {
  TLiveList& live = LiveList();
  const TLocked locked(live.Lock);
  live.Items.push_back(connection);
}

void LeaveLiveList(TRASConn* connection) {
  TLiveList& live = LiveList();
  const TLocked locked(live.Lock);
  std::erase(live.Items, connection);
}

HANDLE AsConnection(UINT_PTR handle) { return reinterpret_cast<HANDLE>(handle); }

// A fixed-size text field of a platform record, which need not end in a zero.
template <size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
  return std::u16string(as_u16cstr(field), wcsnlen(field, N));
}

}  // namespace

void TRASConn::Construct() {
  TObject::Construct();
  fHandle = 0;
  JoinLiveList(this);
  fLoaded = RASInterface().BasicLoaded;
}

void TRASConn::Destroy() {
  if (fHandle != 0 && fLoaded) {
    const UINT_PTR connection = fHandle;
    try {
      Close();
    } catch (...) {
      // Tear-down has no one to report to; the line is still waited for below.
    }
    WaitUntilHungUp(connection);
  }
  LeaveLiveList(this);
  TObject::Destroy();
}

TRASConn* TRASConn::FindByHandle(UINT_PTR handle) {
  TLiveList& live = LiveList();
  const TLocked locked(live.Lock);
  const auto found = std::find_if(live.Items.begin(), live.Items.end(),
                                  [handle](const TRASConn* item) { return item->fHandle == handle; });
  return found == live.Items.end() ? nullptr : *found;
}

DWORD TRASConn::EnumerateConnections(TConnectionRecords& records, DWORD& count) const {
  records.fill(TRASConnW{});
  records[0].Size = sizeof(TRASConnW);
  count = 0;
  const auto enumerate = Bound(RASInterface().Basic.RasEnumConnectionsW);
  if (enumerate == nullptr) return kRASNotLoaded;
  DWORD size = sizeof(records);
  return enumerate(records.data(), &size, &count);
}

uint32_t TRASConn::ConnectionCount() {
  TConnectionRecords records;
  DWORD count = 0;
  const DWORD result = EnumerateConnections(records, count);
  if (result != 0 && result != kRASBufferTooSmall) DoError(result);
  return count;
}

TRASConnW TRASConn::GetActiveConnections(uint32_t index) {
  TRASConnW connection{};
  if (index >= kMaxConnections) return connection;
  TConnectionRecords records;
  DWORD count = 0;
  const DWORD result = EnumerateConnections(records, count);
  if (result != 0 && result != kRASBufferTooSmall) {
    DoError(result);
  } else if (result == 0 && index < count) {
    // Only a complete enumeration fills the records; with too small a buffer none is filled.
    connection = records[index];
  }
  return connection;
}

bool TRASConn::Connected() {
  TConnectionRecords records;
  DWORD count = 0;
  const DWORD result = EnumerateConnections(records, count);
  if (result != 0 && result != kRASBufferTooSmall) {
    DoError(result);
    return false;
  }
  if (result != 0) return false;
  const auto end = records.begin() + std::min<DWORD>(count, kMaxConnections);
  return std::any_of(records.begin(), end,
                     [this](const TRASConnW& record) { return record.RASConn == AsConnection(fHandle); });
}

int32_t TRASConn::Close() {
  if (fHandle == 0) return -1;
  const auto hangUp = Bound(RASInterface().Basic.RasHangUpW);
  const DWORD result = hangUp ? hangUp(AsConnection(fHandle)) : kRASNotLoaded;
  if (result != 0) DoError(result);
  fHandle = 0;
  if (OnDisConnect) OnDisConnect(this);
  return static_cast<int32_t>(result);
}

void TRASConn::SetHandle(UINT_PTR value) {
  Close();
  fHandle = value;
}

std::u16string TRASConn::GetConnectStatus() {
  const auto getStatus = Bound(RASInterface().Basic.RasGetConnectStatusW);
  if (fHandle == 0 || getStatus == nullptr) return {};
  TRASConnStatusW status{};
  status.Size = sizeof(status);
  const DWORD result = getStatus(AsConnection(fHandle), &status);
  if (result == 0) {
    fDeviceName = FieldText(status.DeviceName);
    fDeviceType = FieldText(status.DeviceType);
    return RASConnectStatusText(status.State, fDeviceName, fDeviceType);
  }
  // A handle the platform no longer knows reads as a port about to be opened.
  if (result == kRASInvalidHandle || result == kRASInvalidPortHandle) {
    return RASConnectStatusText(0, fDeviceName, fDeviceType);
  }
  DoError(result);
  return {};
}

void TRASConn::DoError(uint32_t code) {
  if (code == 0) {
    if (!OnError) throw ERASError(u"Undefined RAS Error.");
    OnError(this, std::u16string(), 0);
    return;
  }
  if (!fLoaded) code = kRASNotLoaded;
  const std::u16string message =
      RASErrorMessage(code, code >= kRASFirstPlatformError ? PlatformErrorText(code) : std::u16string());
  if (!OnError) throw ERASError(message);
  OnError(this, message, static_cast<int32_t>(code));
}

std::u16string TRASConn::PlatformErrorText(uint32_t code) const {
  const auto errorString = Bound(RASInterface().Basic.RasGetErrorStringW);
  WCHAR text[kErrorTextCapacity + 1]{};
  if (errorString == nullptr || errorString(code, text, kErrorTextCapacity) != 0) return {};
  return FieldText(text);
}

void TRASConn::WaitUntilHungUp(UINT_PTR handle) const {
  const auto getStatus = Bound(RASInterface().Basic.RasGetConnectStatusW);
  if (getStatus == nullptr) return;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    TRASConnStatusW status{};
    status.Size = sizeof(status);
    if (getStatus(AsConnection(handle), &status) == kRASInvalidHandle) return;
    if (GetTickCount64() - start >= kHangUpWaitMs) return;
    Sleep(0);
  }
}

}  // namespace skylaunch
