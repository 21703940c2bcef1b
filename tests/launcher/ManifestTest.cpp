// The application manifest of the built program as the platform reads it from the program's
// resources. Wine runs every program per-monitor DPI-aware whatever its manifest says, so the DPI
// entries can only be seen here.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// An element of the compatibility information as the platform writes it now: the toolchain's
// headers lack the last member, which changes the element's size and the list's alignment.
struct TCompatibilityElement {
  GUID Id;
  ACTCTX_COMPATIBILITY_ELEMENT_TYPE Type;
  ULONGLONG MaxVersionTested;
};

std::wstring ProgramPath() {
  std::wstring path = L"Z:";
  for (const char c : std::string(SKYLAUNCH_PROGRAM_PATH)) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

class ProgramManifest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring program = ProgramPath();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    context = CreateActCtxW(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << GetLastError();
  }
  void TearDown() override {
    if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);
  }

  std::wstring Setting(const wchar_t* nameSpace, const wchar_t* name) const {
    wchar_t value[128]{};
    SIZE_T written = 0;
    return QueryActCtxSettingsW(0, context, nameSpace, name, value, 128, &written) ? value : L"(none)";
  }

  // What QueryActCtxW answers for `infoClass`, in a buffer of the size it asks for; empty when it
  // fails.
  std::vector<BYTE> Information(ULONG infoClass, void* subInstance = nullptr) const {
    SIZE_T size = 0;
    QueryActCtxW(0, context, subInstance, infoClass, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !QueryActCtxW(0, context, subInstance, infoClass, buffer.data(), size, &size))
      buffer.clear();
    return buffer;
  }

  HANDLE context{INVALID_HANDLE_VALUE};
};

TEST_F(ProgramManifest, DeclaresDpiAwarenessSupportedSystemsAdministratorAndCommonControls) {
  // Per-monitor (v2 where known) from Windows 10 on; system-aware before.
  EXPECT_EQ(L"PerMonitorV2, PerMonitor",
            Setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"));
  EXPECT_EQ(L"true", Setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"));

  // The element count, then the elements at their alignment.
  const std::vector<BYTE> compatibility = Information(CompatibilityInformationInActivationContext);
  ASSERT_GE(compatibility.size(), sizeof(DWORD));
  const DWORD count = *reinterpret_cast<const DWORD*>(compatibility.data());
  ASSERT_GE(compatibility.size(), alignof(TCompatibilityElement) + count * sizeof(TCompatibilityElement));
  const auto* elements =
      reinterpret_cast<const TCompatibilityElement*>(compatibility.data() + alignof(TCompatibilityElement));
  std::set<std::wstring> ids;
  for (DWORD i = 0; i < count; ++i) {
    wchar_t id[40]{};
    StringFromGUID2(elements[i].Id, id, 40);
    if (elements[i].Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) ids.insert(id);
  }
  EXPECT_EQ((std::set<std::wstring>{L"{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",    // Windows 7
                                    L"{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}",    // 8
                                    L"{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",    // 8.1
                                    L"{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}"}),  // 10 and 11
            ids);

  const std::vector<BYTE> runLevel = Information(RunlevelInformationInActivationContext);
  ASSERT_FALSE(runLevel.empty());
  EXPECT_EQ(ACTCTX_RUN_LEVEL_REQUIRE_ADMIN,
            reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(runLevel.data())->RunLevel);

  // Assembly 1 is the program itself; its dependency comes next, as the platform resolved it.
  DWORD index = 2;
  const std::vector<BYTE> dependency = Information(AssemblyDetailedInformationInActivationContext, &index);
  ASSERT_FALSE(dependency.empty());
  const std::wstring identity =
      reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(dependency.data())
          ->lpAssemblyEncodedAssemblyIdentity;
  EXPECT_NE(std::wstring::npos, identity.find(L"Microsoft.Windows.Common-Controls")) << identity;
  EXPECT_NE(std::wstring::npos, identity.find(L"version=\"6.")) << identity;
}

}  // namespace
