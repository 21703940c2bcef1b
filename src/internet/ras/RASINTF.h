#pragma once
// The binding of the platform's dial-up interface (RAS). The program has no load-time
// dependency on RASAPI32.DLL: LoadRASInterface, an explicit start-up step, binds its functions
// by name, and UnloadRASInterface releases them at program end. The tables are written only by
// these two steps, before and after every thread of the program, and read-only in between.
//
// Where RAS is missing (on Windows NT no "SOFTWARE\Microsoft\RAS" key under HKEY_LOCAL_MACHINE,
// no RASAPI32.DLL, or one of the basic functions missing) nothing is bound and BasicLoaded stays
// false; the dial-up component (RASConn.h) then reports every call as error 599.
//
// The program runs elevated, so RASAPI32.DLL and RNAPH.DLL are loaded from the system folder
// only, never by a bare name that a planted DLL could answer.
#include <windows.h>

#include <cstddef>

#include "ExceptionLite.h"
#include "Handles.h"

namespace skylaunch {

// A function of the dial-up interface could not be bound. Raised and caught by the binding.
class ERASDLLError : public ExceptionLite {
 public:
  using ExceptionLite::ExceptionLite;
};

// The platform's connection record (RASCONNW in its first wide layout). The platform packs its
// dial-up records to 4 bytes on every architecture, so in a 64-bit build the handle follows the
// size field directly and the record is 820 bytes, not the naturally aligned 824.
#pragma pack(push, 4)
struct TRASConnW {
  DWORD Size;
  HANDLE RASConn;  // the connection handle
  WCHAR EntryName[257];
  WCHAR DeviceType[17];
  WCHAR DeviceName[129];
};
#pragma pack(pop)
static_assert(offsetof(TRASConnW, RASConn) == 4);
static_assert(sizeof(void*) != 4 || sizeof(TRASConnW) == 816);
static_assert(sizeof(void*) != 8 || sizeof(TRASConnW) == 820);

// The platform's connection status record (RASCONNSTATUSW, 304 bytes).
struct TRASConnStatusW {
  DWORD Size;
  DWORD State;  // the connection state, see RASConnectStatusText
  DWORD Error;
  WCHAR DeviceType[17];
  WCHAR DeviceName[129];
};
static_assert(sizeof(TRASConnStatusW) == 304);

// The basic function set, in binding order. Records that nothing in the program fills are
// passed as untyped pointers.
struct TRASBasicFunctions {
  DWORD(WINAPI* RasDialW)
  (void* extensions, LPCWSTR phoneBook, void* dialParams, DWORD notifierType, void* notifier,
   HANDLE* connection);
  DWORD(WINAPI* RasEnumConnectionsW)(TRASConnW* connections, DWORD* size, DWORD* count);
  DWORD(WINAPI* RasEnumEntriesW)
  (LPCWSTR reserved, LPCWSTR phoneBook, void* entryNames, DWORD* size, DWORD* count);
  DWORD(WINAPI* RasGetConnectStatusW)(HANDLE connection, TRASConnStatusW* status);
  DWORD(WINAPI* RasGetErrorStringW)(UINT code, LPWSTR text, DWORD capacity);
  DWORD(WINAPI* RasHangUpW)(HANDLE connection);
  DWORD(WINAPI* RasGetProjectionInfoW)(HANDLE connection, DWORD projection, void* info, DWORD* size);
  DWORD(WINAPI* RasCreatePhonebookEntryW)(HWND owner, LPCWSTR phoneBook);
  DWORD(WINAPI* RasEditPhonebookEntryW)(HWND owner, LPCWSTR phoneBook, LPCWSTR entryName);
  DWORD(WINAPI* RasSetEntryDialParamsW)(LPCWSTR phoneBook, void* dialParams, BOOL removePassword);
  DWORD(WINAPI* RasGetEntryDialParamsW)(LPCWSTR phoneBook, void* dialParams, BOOL* passwordSaved);
};

// The extended function set, in binding order.
struct TRASExtendedFunctions {
  DWORD(WINAPI* RasDeleteEntryW)(LPCWSTR phoneBook, LPCWSTR entryName);
  DWORD(WINAPI* RasEnumDevicesW)(void* devices, DWORD* size, DWORD* count);
  DWORD(WINAPI* RasGetCountryInfoW)(void* countryInfo, DWORD* size);
  DWORD(WINAPI* RasGetEntryPropertiesW)
  (LPCWSTR phoneBook, LPCWSTR entryName, void* entry, DWORD* entrySize, BYTE* deviceInfo,
   DWORD* deviceInfoSize);
  DWORD(WINAPI* RasRenameEntryW)(LPCWSTR phoneBook, LPCWSTR oldName, LPCWSTR newName);
  DWORD(WINAPI* RasSetEntryPropertiesW)
  (LPCWSTR phoneBook, LPCWSTR entryName, void* entry, DWORD entrySize, BYTE* deviceInfo,
   DWORD deviceInfoSize);
  DWORD(WINAPI* RasValidateEntryNameW)(LPCWSTR phoneBook, LPCWSTR entryName);
};

// The process-wide binding. Every entry is null while its set is not bound.
struct TRASInterface {
  TRASBasicFunctions Basic;
  TRASExtendedFunctions Extended;
  bool BasicLoaded;
  bool ExtendedLoaded;
  HMODULE RasApi32;  // while BasicLoaded
  HMODULE RnaPh;     // while ExtendedLoaded and the extended set came from RNAPH.DLL
};

const TRASInterface& RASInterface();

// Start-up: releases any earlier binding, then, on Windows 9x or when the RAS key exists on
// Windows NT, loads RASAPI32.DLL and binds the basic set, and the extended set where the platform
// version has it. A missing function leaves its set unbound (and a library of an unbound set is
// released again); nothing is raised.
void LoadRASInterface();

// Program end: releases the libraries and clears the tables and flags.
void UnloadRASInterface();

// The basic set from `rasApi32`, or ERASDLLError "Function <name> not found in RASAPI32.DLL" for
// the first name, in binding order, that the module does not export.
TRASBasicFunctions BindRASBasicSet(HMODULE rasApi32);

// The extended set: from RNAPH.DLL (loaded from the system folder into `rnaPh`) when `rasApi32`
// lacks RasDeleteEntryW and RNAPH.DLL can be loaded, else from `rasApi32`. A missing name gives
// ERASDLLError "RAS Extended -- Function <name> not found in RASAPI32.DLL", whichever module was
// searched.
TRASExtendedFunctions BindRASExtendedSet(HMODULE rasApi32, TModule& rnaPh);

}  // namespace skylaunch
