#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "ExceptionLite.h"
#include "Utf.h"
#include "WinText.h"
#include "libstate.h"

namespace skylaunch {
namespace {

// System libraries that a test program does not load by itself.
constexpr const wchar_t* kSystemLibraries[] = {L"wininet.dll", L"msimg32.dll", L"hid.dll"};
const std::u16string kMissing = u"skylaunch-no-such-library.dll";

bool IsLoaded(const wchar_t* name) { return GetModuleHandleW(name) != nullptr; }

// Runs `body` on another thread; false when it has not finished within a few seconds (the
// thread is then left behind, blocked).
bool FinishesOnAnotherThread(std::function<void()> body) {
  std::packaged_task<void()> task(std::move(body));
  std::future<void> done = task.get_future();
  std::thread thread(std::move(task));
  if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    thread.detach();
    return false;
  }
  thread.join();
  done.get();
  return true;
}

class LibListTest : public ::testing::Test {
 protected:
  struct TUnload {
    TLibrary* library;
    std::u16string filename;
    bool loaded;
  };

  void SetUp() override {
    InitializeLibState();
    for (const wchar_t* name : kSystemLibraries) {
      ASSERT_FALSE(IsLoaded(name)) << "loaded before the test: " << ToUtf8(as_u16cstr(name));
    }
  }
  void TearDown() override { FinalizeLibState(); }

  // A list that records its events.
  TOwned<TLibList> MakeList() {
    TOwned<TLibList> list = Create<TLibList>();
    list->OnUnLoad = [this](TLibrary* library) {
      unloads.push_back({library, library->Filename(), library->Handle() != nullptr});
    };
    list->OnDLLNotFound = [this](TObject* sender) { notFound.push_back(sender); };
    return list;
  }

  std::vector<std::u16string> UnloadedNames() const {
    std::vector<std::u16string> names;
    for (const auto& unload : unloads) names.push_back(unload.filename);
    return names;
  }

  std::vector<TUnload> unloads;
  std::vector<TObject*> notFound;
};

TEST_F(LibListTest, AddsALibraryOnceAndFindsItByEveryFormOfItsName) {
  TOwned<TLibList> list = MakeList();
  EXPECT_EQ(list->Add(u"WinInet.dll"), 0);
  TLibrary* library = list->Libs(0);
  ASSERT_NE(library, nullptr);
  ASSERT_NE(library->Handle(), nullptr);
  EXPECT_EQ(library->Filename(), u"WinInet");
  EXPECT_EQ(library->DLLState(), dsLoaded);
  EXPECT_TRUE(IsLoaded(L"wininet.dll"));
  const HMODULE handle = library->Handle();

  for (const std::u16string name : {u"WININET.DLL", u"wininet", u"C:\\Windows\\System32\\WinInet.dll"}) {
    EXPECT_EQ(list->Add(name), 0) << ToUtf8(name);
    EXPECT_EQ(list->Libraries(name), library) << ToUtf8(name);
  }
  EXPECT_EQ(library->Handle(), handle);
  EXPECT_TRUE(unloads.empty());
  EXPECT_TRUE(notFound.empty());
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Strings(0), u"wininet");

  // IndexOf compares the text as given, not its key.
  EXPECT_EQ(list->IndexOf(u"WININET"), 0);
  EXPECT_EQ(list->IndexOf(u"WinInet.dll"), -1);
  EXPECT_EQ(list->Libs(-1), nullptr);
  EXPECT_EQ(list->Libs(1), nullptr);
  EXPECT_EQ(list->Libraries(u"msimg32.dll"), nullptr);
  EXPECT_THROW(list->Strings(1), ExceptionLite);
}

TEST_F(LibListTest, KeepsItsKeysSortedWithoutDuplicates) {
  TOwned<TLibList> list = MakeList();
  EXPECT_EQ(list->Add(u"WinInet.dll"), 0);
  EXPECT_EQ(list->Add(u"msimg32.dll"), 0);
  EXPECT_EQ(list->Add(u"HID.DLL"), 0);
  EXPECT_EQ(list->Add(u"Msimg32"), 1);
  EXPECT_EQ(list->Add(u"wininet"), 2);

  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Strings(0), u"hid");
  EXPECT_EQ(list->Strings(1), u"msimg32");
  EXPECT_EQ(list->Strings(2), u"wininet");
  EXPECT_EQ(list->Libs(0)->Filename(), u"HID");
  EXPECT_EQ(list->Libs(1)->Filename(), u"msimg32");
}

TEST_F(LibListTest, ResolvesEntryPointsLoadingTheLibraryOnDemand) {
  TOwned<TLibList> list = MakeList();
  void* open = list->FuncPtr(u"WinInet.dll", u"InternetOpenW");
  ASSERT_EQ(list->Count(), 1);
  TLibrary* library = list->Libs(0);
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open, reinterpret_cast<void*>(GetProcAddress(library->Handle(), "InternetOpenW")));
  EXPECT_EQ(list->FuncPtr(u"wininet", u"InternetOpenW"), open);
  EXPECT_EQ(library->FuncPtr(u"InternetOpenW"), open);

  // Names that no export carries. A conversion that stopped at U+0000 or turned U+0174 into its
  // look-alike 'W' would find InternetOpenW.
  const std::u16string unresolved[] = {u"NoSuchExport", u"", std::u16string(u"InternetOpenW\0x", 15),
                                       u"InternetOpen\u0174", u"internetopenw"};
  for (const auto& name : unresolved) EXPECT_EQ(list->FuncPtr(u"WinInet.dll", name), nullptr) << ToUtf8(name);
  EXPECT_TRUE(notFound.empty());
  EXPECT_EQ(list->Count(), 1);

  library->SetDLLState(dsUnLoading);
  list->FuncPtr(u"WinInet.dll", u"InternetOpenW");
  EXPECT_EQ(library->DLLState(), dsLoaded);
}

TEST_F(LibListTest, AMissingLibraryIsReportedOnceAndStaysListedUnloaded) {
  TOwned<TLibList> list = MakeList();
  EXPECT_EQ(list->Add(kMissing), 0);
  ASSERT_EQ(notFound.size(), 1u);
  TLibrary* library = list->Libs(0);
  EXPECT_EQ(notFound[0], library);
  EXPECT_EQ(library->Handle(), nullptr);
  EXPECT_EQ(library->Filename(), u"");

  EXPECT_EQ(list->Add(kMissing), 0);
  EXPECT_EQ(list->FuncPtr(kMissing, u"Anything"), nullptr);
  EXPECT_EQ(notFound.size(), 1u);

  // Each library keeps the handler that the list had when it was added.
  int laterHandler = 0;
  list->OnDLLNotFound = [&](TObject*) { ++laterHandler; };
  library->SetFilename(kMissing);
  EXPECT_EQ(notFound.size(), 2u);
  EXPECT_EQ(laterHandler, 0);
  // An empty name cannot be loaded either, and says so.
  list->Add(u"");
  EXPECT_EQ(laterHandler, 1);

  list.reset();
  EXPECT_TRUE(unloads.empty());
}

TEST_F(LibListTest, ARaisingHandlerPassesItsErrorAndLeavesTheLockFree) {
  TOwned<TLibList> list = Create<TLibList>();
  list->OnDLLNotFound = [](TObject*) { throw ExceptionLite(u"WinInet.dll not found."); };
  try {
    list->Add(kMissing);
    ADD_FAILURE() << "Add passed the handler's error over";
  } catch (const ExceptionLite& error) {
    EXPECT_EQ(error.Message(), u"WinInet.dll not found.");
  }
  EXPECT_EQ(list->Count(), 1);
  EXPECT_THROW(list->FuncPtr(u"another-missing-library.dll", u"Anything"), ExceptionLite);
  EXPECT_EQ(list->Count(), 2);

  // The same thread loads again, and so does another one.
  list->Add(u"msimg32.dll");
  EXPECT_NE(list->Libraries(u"msimg32")->Handle(), nullptr);
  bool loaded = false;
  ASSERT_TRUE(FinishesOnAnotherThread([&] {
    TOwned<TLibList> own = Create<TLibList>();
    own->Add(u"hid.dll");
    loaded = own->Libs(0)->Handle() != nullptr;
  })) << "LibraryLock is still held";
  EXPECT_TRUE(loaded);
}

TEST_F(LibListTest, HandlersMayLoadLibrariesOnTheirOwnThread) {
  TOwned<TLibList> inner = Create<TLibList>();
  TOwned<TLibList> list = Create<TLibList>();
  list->OnDLLNotFound = [&](TObject*) { inner->Add(u"msimg32.dll"); };
  list->OnUnLoad = [&](TLibrary*) { inner->Delete(u"msimg32.dll"); };
  list->Add(kMissing);
  EXPECT_TRUE(IsLoaded(L"msimg32.dll"));
  list->Add(u"hid.dll");
  list->Delete(u"hid.dll");
  EXPECT_FALSE(IsLoaded(L"msimg32.dll"));
}

TEST_F(LibListTest, FreeingTheListUnloadsFromTheLastLibraryToTheFirst) {
  enum TWay { wDestroy, wClear };
  for (TWay way : {wDestroy, wClear}) {
    SCOPED_TRACE(way == wDestroy ? "destroy" : "clear");
    unloads.clear();
    TOwned<TLibList> list = MakeList();
    for (const std::u16string name : {u"WinInet.dll", u"msimg32.dll", u"hid.dll"}) list->Add(name);
    list->Add(kMissing);  // never loaded: fires nothing
    ASSERT_EQ(list->Count(), 4);

    if (way == wDestroy) {
      list.reset();
    } else {
      list->Clear();
      EXPECT_EQ(list->Count(), 0);
    }
    EXPECT_EQ(UnloadedNames(), (std::vector<std::u16string>{u"WinInet", u"msimg32", u"hid"}));
    for (const auto& unload : unloads) EXPECT_TRUE(unload.loaded) << "fired after the module was freed";
    for (const wchar_t* name : kSystemLibraries) EXPECT_FALSE(IsLoaded(name)) << ToUtf8(as_u16cstr(name));
  }
}

TEST_F(LibListTest, DeleteUnloadsTheLibraryOfTheKeyOnly) {
  TOwned<TLibList> list = MakeList();
  list->Add(u"WinInet.dll");
  list->Add(u"msimg32.dll");
  TLibrary* wininet = list->Libraries(u"WinInet.dll");

  list->Delete(u"never-added.dll");
  EXPECT_EQ(list->Count(), 2);
  EXPECT_TRUE(unloads.empty());

  list->Delete(u"C:\\Windows\\System32\\wininet.dll");
  ASSERT_EQ(unloads.size(), 1u);
  EXPECT_EQ(unloads[0].library, wininet);
  EXPECT_EQ(unloads[0].filename, u"WinInet");
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Libraries(u"wininet"), nullptr);
  EXPECT_FALSE(IsLoaded(L"wininet.dll"));
  EXPECT_TRUE(IsLoaded(L"msimg32.dll"));
}

TEST_F(LibListTest, RemoveFromListHandsTheLibraryOverStillLoaded) {
  TOwned<TLibList> list = MakeList();
  list->Add(u"WinInet.dll");
  TOwned<TLibrary> library = list->RemoveFromList(u"WININET");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->RemoveFromList(u"wininet"), nullptr);
  EXPECT_TRUE(IsLoaded(L"wininet.dll"));
  EXPECT_TRUE(unloads.empty());

  library.reset();
  EXPECT_EQ(UnloadedNames(), std::vector<std::u16string>{u"WinInet"});
  EXPECT_FALSE(IsLoaded(L"wininet.dll"));
}

TEST_F(LibListTest, AssigningAnotherNameReloadsTheLibrary) {
  TOwned<TLibList> list = MakeList();
  list->Add(u"WinInet.dll");
  TLibrary* library = list->Libs(0);

  library->SetFilename(u"WinInet");  // its own Filename: nothing happens
  EXPECT_TRUE(unloads.empty());

  library->SetFilename(u"WinInet.dll");  // the full name again: unloaded and loaded again
  EXPECT_EQ(UnloadedNames(), std::vector<std::u16string>{u"WinInet"});
  EXPECT_NE(library->Handle(), nullptr);
  EXPECT_EQ(library->Filename(), u"WinInet");
  EXPECT_TRUE(IsLoaded(L"wininet.dll"));

  library->SetFilename(u"msimg32.dll");
  EXPECT_EQ(unloads.size(), 2u);
  EXPECT_FALSE(IsLoaded(L"wininet.dll"));
  EXPECT_TRUE(IsLoaded(L"msimg32.dll"));
  EXPECT_EQ(list->Strings(0), u"wininet");  // the key stays that of the name it was added by
}

TEST_F(LibListTest, ARaisingUnloadHandlerStillFreesTheModule) {
  TOwned<TLibList> list = Create<TLibList>();
  list->OnUnLoad = [](TLibrary*) { throw ExceptionLite(u"refused"); };
  for (const std::u16string name : {u"WinInet.dll", u"msimg32.dll", u"hid.dll"}) list->Add(name);

  EXPECT_THROW(list->Delete(u"wininet.dll"), ExceptionLite);
  EXPECT_FALSE(IsLoaded(L"wininet.dll"));
  EXPECT_EQ(list->Count(), 2);

  EXPECT_THROW(list->Clear(), ExceptionLite);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_FALSE(IsLoaded(L"msimg32.dll"));
  EXPECT_FALSE(IsLoaded(L"hid.dll"));

  list->Add(u"msimg32.dll");
  EXPECT_TRUE(IsLoaded(L"msimg32.dll"));
  list.reset();  // the error cannot leave the tear-down; the module is freed all the same
  EXPECT_FALSE(IsLoaded(L"msimg32.dll"));
}

TEST(LibStateModule, ListsRefuseToLoadBeforeTheModuleStarts) {
  TOwned<TLibList> list = Create<TLibList>();
  EXPECT_THROW(list->Add(u"msimg32.dll"), ExceptionLite);
  EXPECT_FALSE(IsLoaded(L"msimg32.dll"));
}

}  // namespace
}  // namespace skylaunch
