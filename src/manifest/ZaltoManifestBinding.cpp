#include "ZaltoManifestBinding.h"

#include "ManifestBinder.h"
#include "ManifestJson.h"
#include "TextUtils.h"

namespace skylaunch {
namespace {

// Frees the elements from the first to the last, then empties the array.
template <class T>
void FreeElements(std::vector<std::unique_ptr<T>>& elements) {
  for (auto& element : elements) element.reset();
  elements.clear();
}

}  // namespace

TManifest::~TManifest() {
  FreeElements(FPreparationSteps);
  FreeElements(FInstallationAction);
  FreeElements(FUnInstallationActions);
  FreeElements(FFileList);
}

void TManifest::SetPreparationSteps(ArrayOfActions value) {
  FreeElements(FPreparationSteps);
  FPreparationSteps = std::move(value);
}

void TManifest::SetInstallationAction(ArrayOfActions value) {
  FreeElements(FInstallationAction);
  FInstallationAction = std::move(value);
}

void TManifest::SetUnInstallationActions(ArrayOfActions value) {
  FreeElements(FUnInstallationActions);
  FUnInstallationActions = std::move(value);
}

void TManifest::SetFileList(ArrayOfFiles value) {
  FreeElements(FFileList);
  FFileList = std::move(value);
}

TZaltoManifest::~TZaltoManifest() {
  FreeElements(FFileItems);
  FreeElements(FProductReleaseRevision);
}

void TZaltoManifest::SetFileItems(ArrayOfFileItems value) {
  FreeElements(FFileItems);
  FFileItems = std::move(value);
}

void TZaltoManifest::SetProductReleaseRevision(ArrayOfProductReleaseRevisions value) {
  FreeElements(FProductReleaseRevision);
  FProductReleaseRevision = std::move(value);
}

std::unique_ptr<TZaltoManifest> TZaltoManifest::CreateObjectFromString(const std::u16string& jsonString) {
  const TJsonText json(jsonString);
  if (!json.Root().IsObject()) throw ExceptionLite(u"The release manifest is not a JSON object.");
  return BindManifest(json.Root());
}

const TFileItem* TZaltoManifest::GetFileItemByComponentName(std::u16string_view componentName) const {
  for (const auto& item : FFileItems) {
    if (item && SameTextAscii(item->FileName(), componentName)) return item.get();
  }
  return nullptr;
}

// A first element that is null (an entry that was not an object) counts as no revision: there
// is nothing to read the version from.
const TProductReleaseRevision* TZaltoManifest::FirstRevision() const {
  return FProductReleaseRevision.empty() ? nullptr : FProductReleaseRevision.front().get();
}

std::u16string TZaltoManifest::GetCompleteReleaseVersion() const {
  const TProductReleaseRevision* revision = FirstRevision();
  if (revision == nullptr) return {};
  return revision->Major() + u"." + revision->Minor() + u"." + revision->Revision() + u"." + u"0";
}

std::u16string TZaltoManifest::GetReleaseMajorVersion() const {
  const TProductReleaseRevision* revision = FirstRevision();
  return revision ? revision->Major() : std::u16string();
}

}  // namespace skylaunch
