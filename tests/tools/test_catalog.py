import hashlib
import json
import unittest

from support import CATALOG_FILES, ServicesTest, bearer_token, request

QUERY = "/v3/release-catalog/tarvosa-loader-app?major-version={}&status={}"
ITEM_KEYS = ["Build", "FileName", "HasDependencies", "Hash", "Id", "MajorVersion", "Metadata",
             "MinorVersion", "ProductCode", "ReleaseStatus", "Revision", "Size", "Tag",
             "Timestamp", "Urn"]
REVISION_KEYS = ["Id", "Major", "Minor", "ProductId", "ReleaseDate", "ReleaseStatus",
                 "Revision", "RevisionCreatedBy", "Notes"]
INSTALL_MANIFEST_KEYS = ["Version", "IsGlobal", "PreparationSteps", "InstallationAction",
                         "UnInstallationActions", "FileList"]


class CatalogTest(ServicesTest):
    def query(self, major="2024", status="Release", authorization=None):
        headers = [("Authorization", authorization or bearer_token())]
        status_code, _, body = request("catalog", "GET", QUERY.format(major, status), headers)
        return status_code, body

    def manifest(self, major="2024", status="Release"):
        status_code, body = self.query(major, status)
        self.assertEqual(200, status_code)
        return json.loads(body)

    def test_health(self):
        self.assertEqual(200, request("catalog", "GET", "/health/full")[0])

    def test_manifest_lists_the_release_folder_with_every_key(self):
        manifest = self.manifest()
        self.assertEqual(["FileItems", "Id", "MajorVersion", "ProductCode",
                          "ProductReleaseRevision"], list(manifest))
        self.assertEqual(REVISION_KEYS, list(manifest["ProductReleaseRevision"][0]))
        items = {item["FileName"]: item for item in manifest["FileItems"]}
        self.assertEqual(["S24Launch.dat", "S24Launch.exe", "Skylaunch24.exe"], list(items))
        for name, item in items.items():
            content = CATALOG_FILES[("2024", "Release", name)]
            self.assertEqual(ITEM_KEYS, list(item))
            self.assertEqual(len(content), item["Size"])
            self.assertEqual(hashlib.sha256(content).hexdigest(), item["Hash"])
            self.assertEqual("Release", item["ReleaseStatus"])
        self.assertIsNone(items["S24Launch.dat"]["Metadata"])
        install = items["S24Launch.exe"]["Metadata"]["Manifest"]
        self.assertEqual(INSTALL_MANIFEST_KEYS, list(install))

    def test_urn_leads_to_the_file_of_that_release(self):
        for major, status in (("2024", "Release"), ("2025", "Beta")):
            item = next(i for i in self.manifest(major, status)["FileItems"]
                        if i["FileName"] == "S24Launch.exe")
            prefix = f"https://127.0.0.1:{self.svc.ports['files']}"
            self.assertTrue(item["Urn"].startswith(prefix + "/files/"))
            status_code, _, body = request("files", "GET", item["Urn"][len(prefix):])
            self.assertEqual((200, CATALOG_FILES[(major, status, "S24Launch.exe")]),
                             (status_code, body))

    def test_unknown_release_has_no_file_items(self):
        for major, status in (("2030", "Release"), ("2024", "release"), ("..", "2024")):
            with self.subTest(major=major, status=status):
                self.assertEqual([], self.manifest(major, status)["FileItems"])

    def test_scenario_replaces_urns(self):
        plain = f"http://127.0.0.1:{self.svc.ports['files']}/files/2024/Release/S24Launch.exe"
        self.svc.set_scenario({"urns": {"S24Launch.exe": plain.upper(), "S24Launch.dat": ""}})
        items = {i["FileName"]: i["Urn"] for i in self.manifest()["FileItems"]}
        self.assertEqual(plain.upper(), items["S24Launch.exe"])
        self.assertEqual("", items["S24Launch.dat"])
        self.assertTrue(items["Skylaunch24.exe"].startswith("https://"))

    def test_query_without_a_valid_token_is_refused(self):
        token = bearer_token()
        for authorization in ("", token.split(" ")[1], "bearer nonsense", "Basic " + token):
            with self.subTest(authorization):
                headers = [("Authorization", authorization)] if authorization else []
                self.assertEqual(401, request("catalog", "GET", QUERY.format("2024", "Release"),
                                              headers)[0])

    def test_query_parameters_are_required(self):
        path = "/v3/release-catalog/tarvosa-loader-app?major-version=2024"
        self.assertEqual(400, request("catalog", "GET", path,
                                      [("Authorization", bearer_token())])[0])


if __name__ == "__main__":
    unittest.main()
