// The start-up binding of the dial-up interface: what it binds from where, and what it leaves
// unbound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "RASINTF.h"
#include "RASKeyScope.h"
#include "Utf.h"
#include "WinText.h"

namespace {

using namespace skylaunch;
using skylaunch::testing::TRASKeyScope;

constexpr const char* kBasicNames[] = {"RasDialW",
                                       "RasEnumConnectionsW",
                                       "RasEnumEntriesW",
                                       "RasGetConnectStatusW",
                                       "RasGetErrorStringW",
                                       "RasHangUpW",
                                       "RasGetProjectionInfoW",
                                       "RasCreatePhonebookEntryW",
                                       "RasEditPhonebookEntryW",
                                       "RasSetEntryDialParamsW",
                                       "RasGetEntryDialParamsW"};
constexpr const char* kExtendedNames[] = {
    "RasDeleteEntryW", "RasEnumDevicesW",        "RasGetCountryInfoW",   "RasGetEntryPropertiesW",
    "RasRenameEntryW", "RasSetEntryPropertiesW", "RasValidateEntryNameW"};

// The entries of a function table, in binding order, as untyped addresses.
template <class Table, size_t N>
std::vector<void*> Entries(const Table& table) {
  static_assert(sizeof(Table) == N * sizeof(void*), "every entry is one function pointer");
  std::vector<void*> entries(N);
  std::memcpy(entries.data(), &table, sizeof(Table));
  return entries;
}
std::vector<void*> BasicEntries(const TRASInterface& ras) {
  return Entries<TRASBasicFunctions, 11>(ras.Basic);
}
std::vector<void*> ExtendedEntries(const TRASInterface& ras) {
  return Entries<TRASExtendedFunctions, 7>(ras.Extended);
}

std::vector<void*> Exports(HMODULE module, const auto& names) {
  std::vector<void*> addresses;
  for (const char* name : names) addresses.push_back(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return addresses;
}

std::wstring ModuleFolder(HMODULE module) {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH]{};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

TEST(RASBindingTest, WithoutTheRASKeyNothingIsBound) {
  TRASKeyScope scope(false);
  const TRASInterface& ras = RASInterface();
  EXPECT_FALSE(ras.BasicLoaded);
  EXPECT_FALSE(ras.ExtendedLoaded);
  EXPECT_EQ(nullptr, ras.RasApi32);
  EXPECT_THAT(BasicEntries(ras), ::testing::Each(nullptr));
  EXPECT_THAT(ExtendedEntries(ras), ::testing::Each(nullptr));
}

TEST(RASBindingTest, WithTheRASKeyBindsWhatTheSystemLibraryExports) {
  TRASKeyScope scope(true);
  const TRASInterface& ras = RASInterface();
  // Whether the platform has all basic functions is its own affair; what is bound must be exactly
  // the system library's exports.
  const HMODULE system = LoadLibraryW((SystemFolder() + L"\\RASAPI32.DLL").c_str());
  ASSERT_NE(nullptr, system);
  const std::vector<void*> basic = Exports(system, kBasicNames);
  const bool complete = std::find(basic.begin(), basic.end(), nullptr) == basic.end();
  ASSERT_EQ(complete, ras.BasicLoaded);
  if (!ras.BasicLoaded) {
    EXPECT_THAT(BasicEntries(ras), ::testing::Each(nullptr));
    FreeLibrary(system);
    return;
  }
  EXPECT_EQ(basic, BasicEntries(ras));
  EXPECT_EQ(system, ras.RasApi32);
  // A RASAPI32.DLL lies beside the test; the one bound must come from the system folder.
  EXPECT_EQ(CSTR_EQUAL,
            CompareStringOrdinal(ModuleFolder(ras.RasApi32).c_str(), -1, SystemFolder().c_str(), -1, TRUE))
      << "bound from " << ToUtf8(FromWide(ModuleFolder(ras.RasApi32).c_str()));

  if (ras.ExtendedLoaded) {
    EXPECT_EQ(Exports(ras.RnaPh ? ras.RnaPh : ras.RasApi32, kExtendedNames), ExtendedEntries(ras));
  } else {
    EXPECT_THAT(ExtendedEntries(ras), ::testing::Each(nullptr));
  }
  FreeLibrary(system);
}

TEST(RASBindingTest, UnloadClearsEverything) {
  TRASKeyScope scope(true);
  UnloadRASInterface();
  const TRASInterface& ras = RASInterface();
  EXPECT_FALSE(ras.BasicLoaded);
  EXPECT_FALSE(ras.ExtendedLoaded);
  EXPECT_EQ(nullptr, ras.RasApi32);
  EXPECT_EQ(nullptr, ras.RnaPh);
  EXPECT_THAT(BasicEntries(ras), ::testing::Each(nullptr));
  EXPECT_THAT(ExtendedEntries(ras), ::testing::Each(nullptr));
}

struct TMissingCase {
  const char* Name;
  const wchar_t* Module;  // in the test's folder; empty: kernel32
  const char* Basic;
  const char* Extended;
};
void PrintTo(const TMissingCase& c, std::ostream* os) { *os << c.Name; }

class RASBindingErrorTest : public ::testing::TestWithParam<TMissingCase> {
 protected:
  void SetUp() override {
    const std::wstring name = GetParam().Module;
    fModule.Reset(name.empty() ? LoadLibraryW(L"kernel32.dll")
                               : LoadLibraryW((ModuleFolder(nullptr) + L"\\" + name).c_str()));
    ASSERT_TRUE(fModule);
  }
  TModule fModule;
};

TEST_P(RASBindingErrorTest, NamesTheFirstMissingFunction) {
  try {
    BindRASBasicSet(fModule.Get());
    ADD_FAILURE() << "the basic set bound";
  } catch (const ERASDLLError& error) {
    EXPECT_EQ(GetParam().Basic, ToUtf8(error.Message()));
  }
  TModule rnaPh;
  try {
    BindRASExtendedSet(fModule.Get(), rnaPh);
    ADD_FAILURE() << "the extended set bound";
  } catch (const ERASDLLError& error) {
    EXPECT_EQ(GetParam().Extended, ToUtf8(error.Message()));
  }
  // The system has no RNAPH.DLL; the one beside the test is planted and must stay unloaded.
  EXPECT_FALSE(rnaPh);
  EXPECT_EQ(nullptr, GetModuleHandleW(L"RNAPH.DLL"));
}

INSTANTIATE_TEST_SUITE_P(
    Modules, RASBindingErrorTest,
    ::testing::Values(TMissingCase{"NoRASFunctions", L"", "Function RasDialW not found in RASAPI32.DLL",
                                   "RAS Extended -- Function RasDeleteEntryW not found in RASAPI32.DLL"},
                      TMissingCase{"FirstFunctionsOnly", L"ras_partial_exports.dll",
                                   "Function RasGetConnectStatusW not found in RASAPI32.DLL",
                                   "RAS Extended -- Function RasGetCountryInfoW not found in RASAPI32.DLL"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
