#pragma once
// Module ZaltoManifestBinding: the release manifest that the release-catalog service answers
// with, bound to objects, written back as JSON, and the lookups the download workflow uses.
//
// Every class lists its properties once, in declaration order, in VisitProperties: the JSON
// binding and the serialisation both walk that list, so the keys are spelled in one place and
// the output follows the declaration order. A property `X` reads its field `FX` through `X()`
// and writes it through `SetX`.
//
// Ownership: the manifest owns its file items and revisions, a file item its metadata, a
// metadata object its install manifest, an install manifest its actions and file records.
// Array elements may be null (an array entry that was not a JSON object).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skylaunch {

class TFileItem;
class TProductReleaseRevision;
class TMetadata;
class TManifest;
class TAction;
class TFileData;

using ArrayOfFileItems = std::vector<std::unique_ptr<TFileItem>>;
using ArrayOfProductReleaseRevisions = std::vector<std::unique_ptr<TProductReleaseRevision>>;
using ArrayOfActions = std::vector<std::unique_ptr<TAction>>;
using ArrayOfFiles = std::vector<std::unique_ptr<TFileData>>;
using ArrayOfText = std::vector<std::u16string>;

class TFileData {
 public:
  const std::u16string& RelativeFullName() const { return FRelativeFullName; }
  void SetRelativeFullName(std::u16string value) { FRelativeFullName = std::move(value); }
  const std::u16string& Version() const { return FVersion; }
  void SetVersion(std::u16string value) { FVersion = std::move(value); }

  // Calls visit(key, field) for every property in declaration order.
  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"RelativeFullName", self.FRelativeFullName);
    visit(u"Version", self.FVersion);
  }

 private:
  std::u16string FRelativeFullName;
  std::u16string FVersion;
};

class TAction {
 public:
  const std::u16string& Action() const { return FAction; }
  void SetAction(std::u16string value) { FAction = std::move(value); }
  const std::u16string& RelativeActionFilePath() const { return FRelativeActionFilePath; }
  void SetRelativeActionFilePath(std::u16string value) { FRelativeActionFilePath = std::move(value); }
  const ArrayOfText& InputValues() const { return FInputValues; }
  void SetInputValues(ArrayOfText value) { FInputValues = std::move(value); }
  const ArrayOfText& Arguments() const { return FArguments; }
  void SetArguments(ArrayOfText value) { FArguments = std::move(value); }
  bool IsAsync() const { return FIsAsync; }
  void SetIsAsync(bool value) { FIsAsync = value; }

  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"Action", self.FAction);
    visit(u"RelativeActionFilePath", self.FRelativeActionFilePath);
    visit(u"InputValues", self.FInputValues);
    visit(u"Arguments", self.FArguments);
    visit(u"IsAsync", self.FIsAsync);
  }

 private:
  std::u16string FAction;
  std::u16string FRelativeActionFilePath;
  ArrayOfText FInputValues;
  ArrayOfText FArguments;
  bool FIsAsync = false;
};

// The install steps of a file item.
class TManifest {
 public:
  TManifest() = default;
  TManifest(const TManifest&) = delete;
  TManifest& operator=(const TManifest&) = delete;
  ~TManifest();

  const std::u16string& Version() const { return FVersion; }
  void SetVersion(std::u16string value) { FVersion = std::move(value); }
  bool IsGlobal() const { return FIsGlobal; }
  void SetIsGlobal(bool value) { FIsGlobal = value; }
  const ArrayOfActions& PreparationSteps() const { return FPreparationSteps; }
  void SetPreparationSteps(ArrayOfActions value);
  const ArrayOfActions& InstallationAction() const { return FInstallationAction; }
  void SetInstallationAction(ArrayOfActions value);
  const ArrayOfActions& UnInstallationActions() const { return FUnInstallationActions; }
  void SetUnInstallationActions(ArrayOfActions value);
  const ArrayOfFiles& FileList() const { return FFileList; }
  void SetFileList(ArrayOfFiles value);

  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"Version", self.FVersion);
    visit(u"IsGlobal", self.FIsGlobal);
    visit(u"PreparationSteps", self.FPreparationSteps);
    visit(u"InstallationAction", self.FInstallationAction);
    visit(u"UnInstallationActions", self.FUnInstallationActions);
    visit(u"FileList", self.FFileList);
  }

 private:
  std::u16string FVersion;
  bool FIsGlobal = false;
  ArrayOfActions FPreparationSteps;
  ArrayOfActions FInstallationAction;
  ArrayOfActions FUnInstallationActions;
  ArrayOfFiles FFileList;
};

class TMetadata {
 public:
  const std::u16string& Subcomponent() const { return FSubcomponent; }
  void SetSubcomponent(std::u16string value) { FSubcomponent = std::move(value); }
  const TManifest* Manifest() const { return FManifest.get(); }
  void SetManifest(std::unique_ptr<TManifest> value) { FManifest = std::move(value); }

  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"Subcomponent", self.FSubcomponent);
    visit(u"Manifest", self.FManifest);
  }

 private:
  std::u16string FSubcomponent;
  std::unique_ptr<TManifest> FManifest;
};

// One downloadable file of the release.
class TFileItem {
 public:
  const std::u16string& Build() const { return FBuild; }
  void SetBuild(std::u16string value) { FBuild = std::move(value); }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(std::u16string value) { FFileName = std::move(value); }
  bool HasDependencies() const { return FHasDependencies; }
  void SetHasDependencies(bool value) { FHasDependencies = value; }
  const std::u16string& Hash() const { return FHash; }
  void SetHash(std::u16string value) { FHash = std::move(value); }
  int32_t Id() const { return FId; }
  void SetId(int32_t value) { FId = value; }
  const std::u16string& MajorVersion() const { return FMajorVersion; }
  void SetMajorVersion(std::u16string value) { FMajorVersion = std::move(value); }
  const TMetadata* Metadata() const { return FMetadata.get(); }
  void SetMetadata(std::unique_ptr<TMetadata> value) { FMetadata = std::move(value); }
  const std::u16string& MinorVersion() const { return FMinorVersion; }
  void SetMinorVersion(std::u16string value) { FMinorVersion = std::move(value); }
  const std::u16string& ProductCode() const { return FProductCode; }
  void SetProductCode(std::u16string value) { FProductCode = std::move(value); }
  const std::u16string& ReleaseStatus() const { return FReleaseStatus; }
  void SetReleaseStatus(std::u16string value) { FReleaseStatus = std::move(value); }
  const std::u16string& Revision() const { return FRevision; }
  void SetRevision(std::u16string value) { FRevision = std::move(value); }
  int32_t Size() const { return FSize; }
  void SetSize(int32_t value) { FSize = value; }
  const std::u16string& Tag() const { return FTag; }
  void SetTag(std::u16string value) { FTag = std::move(value); }
  const std::u16string& Timestamp() const { return FTimestamp; }
  void SetTimestamp(std::u16string value) { FTimestamp = std::move(value); }
  const std::u16string& Urn() const { return FUrn; }
  void SetUrn(std::u16string value) { FUrn = std::move(value); }

  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"Build", self.FBuild);
    visit(u"FileName", self.FFileName);
    visit(u"HasDependencies", self.FHasDependencies);
    visit(u"Hash", self.FHash);
    visit(u"Id", self.FId);
    visit(u"MajorVersion", self.FMajorVersion);
    visit(u"Metadata", self.FMetadata);
    visit(u"MinorVersion", self.FMinorVersion);
    visit(u"ProductCode", self.FProductCode);
    visit(u"ReleaseStatus", self.FReleaseStatus);
    visit(u"Revision", self.FRevision);
    visit(u"Size", self.FSize);
    visit(u"Tag", self.FTag);
    visit(u"Timestamp", self.FTimestamp);
    visit(u"Urn", self.FUrn);
  }

 private:
  std::u16string FBuild;
  std::u16string FFileName;
  bool FHasDependencies = false;
  std::u16string FHash;
  int32_t FId = 0;
  std::u16string FMajorVersion;
  std::unique_ptr<TMetadata> FMetadata;
  std::u16string FMinorVersion;
  std::u16string FProductCode;
  std::u16string FReleaseStatus;
  std::u16string FRevision;
  int32_t FSize = 0;
  std::u16string FTag;
  std::u16string FTimestamp;
  std::u16string FUrn;
};

class TProductReleaseRevision {
 public:
  int32_t Id() const { return FId; }
  void SetId(int32_t value) { FId = value; }
  const std::u16string& Major() const { return FMajor; }
  void SetMajor(std::u16string value) { FMajor = std::move(value); }
  const std::u16string& Minor() const { return FMinor; }
  void SetMinor(std::u16string value) { FMinor = std::move(value); }
  int32_t ProductId() const { return FProductId; }
  void SetProductId(int32_t value) { FProductId = value; }
  const std::u16string& ReleaseDate() const { return FReleaseDate; }
  void SetReleaseDate(std::u16string value) { FReleaseDate = std::move(value); }
  const std::u16string& ReleaseStatus() const { return FReleaseStatus; }
  void SetReleaseStatus(std::u16string value) { FReleaseStatus = std::move(value); }
  const std::u16string& Revision() const { return FRevision; }
  void SetRevision(std::u16string value) { FRevision = std::move(value); }
  const std::u16string& RevisionCreatedBy() const { return FRevisionCreatedBy; }
  void SetRevisionCreatedBy(std::u16string value) { FRevisionCreatedBy = std::move(value); }
  const std::u16string& Notes() const { return FNotes; }
  void SetNotes(std::u16string value) { FNotes = std::move(value); }

  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"Id", self.FId);
    visit(u"Major", self.FMajor);
    visit(u"Minor", self.FMinor);
    visit(u"ProductId", self.FProductId);
    visit(u"ReleaseDate", self.FReleaseDate);
    visit(u"ReleaseStatus", self.FReleaseStatus);
    visit(u"Revision", self.FRevision);
    visit(u"RevisionCreatedBy", self.FRevisionCreatedBy);
    visit(u"Notes", self.FNotes);  // last, after the alphabetical ones, as the service writes it
  }

 private:
  int32_t FId = 0;
  std::u16string FMajor;
  std::u16string FMinor;
  int32_t FProductId = 0;
  std::u16string FReleaseDate;
  std::u16string FReleaseStatus;
  std::u16string FRevision;
  std::u16string FRevisionCreatedBy;
  std::u16string FNotes;
};

// The root of the document.
class TZaltoManifest {
 public:
  TZaltoManifest() = default;
  TZaltoManifest(const TZaltoManifest&) = delete;
  TZaltoManifest& operator=(const TZaltoManifest&) = delete;
  ~TZaltoManifest();

  // Parses the text and binds it. Raises EJsonParseError for text that is not well-formed JSON
  // and ExceptionLite when its top-level value is not an object.
  static std::unique_ptr<TZaltoManifest> CreateObjectFromString(const std::u16string& jsonString);
  // Windows only: reads the file (UTF-8 when its bytes are valid UTF-8, otherwise the ANSI code
  // page) and binds its text. Raises ExceptionLite when the file cannot be read.
  static std::unique_ptr<TZaltoManifest> CreateObjectFromFile(const std::u16string& fileName);
  // Windows only: creates or truncates the file and writes GetAsJson() as UTF-8 without a BOM.
  void WriteToFile(const std::u16string& fileName) const;

  // Compact JSON, properties in declaration order, null for an absent object, [] for an empty
  // array.
  std::u16string GetAsJson() const;
  // The first file item whose FileName equals componentName, ignoring the case of A to Z; null
  // when there is none. The item stays owned by the manifest.
  const TFileItem* GetFileItemByComponentName(std::u16string_view componentName) const;
  // "Major.Minor.Revision.0" of the first revision; empty without one.
  std::u16string GetCompleteReleaseVersion() const;
  // "Major" of the first revision; empty without one.
  std::u16string GetReleaseMajorVersion() const;

  const ArrayOfFileItems& FileItems() const { return FFileItems; }
  void SetFileItems(ArrayOfFileItems value);
  int32_t Id() const { return FId; }
  void SetId(int32_t value) { FId = value; }
  const std::u16string& MajorVersion() const { return FMajorVersion; }
  void SetMajorVersion(std::u16string value) { FMajorVersion = std::move(value); }
  const std::u16string& ProductCode() const { return FProductCode; }
  void SetProductCode(std::u16string value) { FProductCode = std::move(value); }
  const ArrayOfProductReleaseRevisions& ProductReleaseRevision() const { return FProductReleaseRevision; }
  void SetProductReleaseRevision(ArrayOfProductReleaseRevisions value);

  template <class Self, class Visitor>
  static void VisitProperties(Self& self, Visitor&& visit) {
    visit(u"FileItems", self.FFileItems);
    visit(u"Id", self.FId);
    visit(u"MajorVersion", self.FMajorVersion);
    visit(u"ProductCode", self.FProductCode);
    visit(u"ProductReleaseRevision", self.FProductReleaseRevision);  // singular key, array value
  }

 private:
  const TProductReleaseRevision* FirstRevision() const;

  ArrayOfFileItems FFileItems;
  int32_t FId = 0;
  std::u16string FMajorVersion;
  std::u16string FProductCode;
  ArrayOfProductReleaseRevisions FProductReleaseRevision;
};

}  // namespace skylaunch
