#pragma once
// Release manifests as the release-catalog service writes them, shared by the tests.
#include <string>

namespace skylaunch::samples {

// Two file items, the second with install metadata; two revisions.
inline const std::u16string kReleaseManifest =
    uR"({
  "Id": 12,
  "ProductCode": "TRV",
  "MajorVersion": "2024",
  "ProductReleaseRevision": [
    {"Id": 7, "Major": "2024", "Minor": "2", "ProductId": 3, "ReleaseDate": "2024-02-01T08:00:00Z",
     "ReleaseStatus": "Release", "Revision": "15", "RevisionCreatedBy": "build", "Notes": "Spring update"},
    {"Id": 6, "Major": "2023", "Minor": "9", "Revision": "1"}
  ],
  "FileItems": [
    {"FileName": "Skylaunch24.exe", "Urn": "https://files.example.test/Skylaunch24.exe", "Id": 100},
    {"FileName": "S24Launch.exe", "Urn": "https://files.example.test/S24Launch.exe", "Id": 101,
     "Size": 734003, "Hash": "9f86d081", "MajorVersion": "24", "MinorVersion": "2", "Revision": "15",
     "Build": "4711", "HasDependencies": true, "ProductCode": "TRV", "ReleaseStatus": "Release",
     "Tag": "installer", "Timestamp": "2024-02-01 08:00",
     "Metadata": {
       "Subcomponent": "Setup",
       "Manifest": {
         "Version": "1.0", "IsGlobal": true,
         "PreparationSteps": [{"Action": "Stop", "RelativeActionFilePath": "bin\\svc.exe",
                               "InputValues": ["a", "b"], "Arguments": ["/q"], "IsAsync": false}],
         "InstallationAction": [{"Action": "Run", "RelativeActionFilePath": "setup.exe",
                                 "Arguments": ["/silent", "/norestart"], "IsAsync": true}],
         "UnInstallationActions": [],
         "FileList": [{"RelativeFullName": "bin\\svc.exe", "Version": "24.2.15.4711"},
                      {"RelativeFullName": "readme.txt"}]
       }
     }}
  ]
})";

}  // namespace skylaunch::samples
