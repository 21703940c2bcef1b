#pragma once
// Where things are: the program target of this run, the folders, the component and version-file
// names of each target, the Start-menu shortcut and the release-catalog addresses. Read once at
// creation from the registry, the shell's special folders and Install.ini.
#include <string>

#include "ProgramTarget.h"
#include "RootObject.h"

namespace skylaunch {

class TSkylaunchData : public TObject {
 public:
  TSkylaunchData() = default;

  TProgramTarget AppType() const { return FAppType; }
  void SetAppType(TProgramTarget value) { FAppType = value; }

  const std::u16string& AppDescription() const { return FAppDescription; }
  const std::u16string& ProgramFiles() const { return FProgramFiles; }
  const std::u16string& Desktop() const { return FDesktop; }
  const std::u16string& StartMenu() const { return FStartMenu; }
  const std::u16string& LaunchFolder() const { return FLaunchFolder; }
  std::u16string TempFolder() const;
  const std::u16string& LinkFilename() const { return FLinkFilename; }
  const std::u16string& LinkTarget() const { return FLinkTarget; }
  const std::u16string& LinkArguments() const { return FLinkArguments; }
  const std::u16string& LinkTargetPath() const { return FTarvosaSharedPath; }
  const std::u16string& InstallFolder() const { return FTarvosaSharedPath; }
  std::u16string Caption() const;
  std::u16string Component() const;
  std::u16string ComponentFullFileName() const;
  std::u16string Product() const;
  std::u16string VersionFile() const;
  std::u16string ValidateURL() const;
  // The keys of Install.ini as read at creation (the catalog query's values).
  const std::u16string& ReleaseStatus() const { return FReleaseStatus; }
  const std::u16string& MajorVersion() const { return FMajorVersion; }
  std::u16string ServiceURL() const;

  // Writes one key of section "Skylaunch" of Install.ini; raises "Unable to write to <file>"
  // when the platform refuses. The folder is not created.
  void WriteToInstallINI(const std::u16string& keyName, const std::u16string& value) const;

  // Platform lookups, public so that they can be checked on their own.
  static std::u16string GetProgramFilesDir();
  static std::u16string GetSpecialFolder(int csidl);
  static std::u16string ReadReleaseStatus(const std::u16string& folder);
  static std::u16string ReadMajorVersion(const std::u16string& folder);
  static std::u16string ReleaseServiceBaseURL();

 protected:
  void Construct() override;

 private:
  std::u16string FLaunchFolder;
  std::u16string FProgramFiles;
  std::u16string FDesktop;
  std::u16string FStartMenu;
  std::u16string FAppDescription;
  std::u16string FLinkFilename;
  std::u16string FLinkTarget;
  std::u16string FLinkArguments;
  std::u16string FTarvosaSharedPath;
  std::u16string FValidateURL;
  std::u16string FReleaseStatus;
  std::u16string FMajorVersion;
  TProgramTarget FAppType{ptSkylaunch};
};

}  // namespace skylaunch
