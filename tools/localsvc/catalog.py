"""The release catalog: a folder tree turned into release manifests.

Layout of the catalog root: ROOT/<major-version>/<status>/<files>, for example
ROOT/2024/Release/S24Launch.exe. The query for (M, S) lists the files of
ROOT/M/S in name order (names starting with "." are left out); an unknown (M, S)
gives a manifest without file items. The file origin serves each file as
/files/M/S/<name>, so that two releases may hold files of the same name.
"""
import datetime
import hashlib
import os
import threading
import urllib.parse
import zlib

from .messages import error_response, json_response

HEALTH_PATH = "/health/full"
QUERY_PATH = "/v3/release-catalog/tarvosa-loader-app"
PRODUCT_CODE = "TVS"
PRODUCT_ID = 24
MINOR, REVISION, BUILD = "1", "0", "0"


def _safe_segment(text):
    return text not in ("", ".", "..") and not any(c in text for c in "/\\\0")


def _timestamp(seconds):
    moment = datetime.datetime.fromtimestamp(int(seconds), datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def _install_metadata(name, major):
    """Installers carry install steps; other files have none ("Metadata": null)."""
    if not name.lower().endswith(".exe"):
        return None
    return {
        "Subcomponent": os.path.splitext(name)[0],
        "Manifest": {
            "Version": "1.0",
            "IsGlobal": True,
            "PreparationSteps": [],
            "InstallationAction": [{"Action": "Execute", "RelativeActionFilePath": name,
                                    "InputValues": [], "Arguments": [], "IsAsync": False}],
            "UnInstallationActions": [],
            "FileList": [{"RelativeFullName": name,
                          "Version": f"{major}.{MINOR}.{REVISION}.{BUILD}"}],
        },
    }


class Catalog:
    def __init__(self, root):
        self.root = root
        self._lock = threading.Lock()
        self._hashes = {}  # (path, size, mtime_ns) -> SHA-256 hex

    def file_path(self, major, status, name):
        """The catalog file for (M, S, name), or None."""
        if not all(_safe_segment(s) for s in (major, status, name)) or name.startswith("."):
            return None
        path = os.path.join(self.root, major, status, name)
        return path if os.path.isfile(path) else None

    def _files(self, major, status):
        if not (_safe_segment(major) and _safe_segment(status)):
            return []
        folder = os.path.join(self.root, major, status)
        if not os.path.isdir(folder):
            return []
        return [(name, os.stat(os.path.join(folder, name)))
                for name in sorted(os.listdir(folder))
                if not name.startswith(".") and os.path.isfile(os.path.join(folder, name))]

    def _sha256(self, path, info):
        key = (path, info.st_size, info.st_mtime_ns)
        with self._lock:
            known = self._hashes.get(key)
        if known is None:
            digest = hashlib.sha256()
            with open(path, "rb") as f:
                while piece := f.read(1 << 20):
                    digest.update(piece)
            known = digest.hexdigest()
            with self._lock:
                self._hashes[key] = known
        return known

    def manifest(self, major, status, file_origin, urns, overrides=None):
        """The manifest of (M, S). file_origin is "https://127.0.0.1:PORT";
        urns maps file names to "Urn" texts that replace the real address, and
        overrides file names to members that replace the item's own."""
        files = self._files(major, status)
        release_id = zlib.crc32(f"{major}/{status}".encode()) % 100000
        items = []
        for index, (name, info) in enumerate(files):
            path = os.path.join(self.root, major, status, name)
            address = "/".join(urllib.parse.quote(s, safe="") for s in (major, status, name))
            items.append({
                "Build": BUILD, "FileName": name, "HasDependencies": False,
                "Hash": self._sha256(path, info), "Id": index + 1, "MajorVersion": major,
                "Metadata": _install_metadata(name, major), "MinorVersion": MINOR,
                "ProductCode": PRODUCT_CODE, "ReleaseStatus": status, "Revision": REVISION,
                "Size": info.st_size, "Tag": "", "Timestamp": _timestamp(info.st_mtime),
                "Urn": urns.get(name, f"{file_origin}/files/{address}"),
            })
            items[-1].update((overrides or {}).get(name, {}))
        revisions = []
        if files:
            newest = max(info.st_mtime for _, info in files)
            revisions.append({
                "Id": release_id, "Major": major, "Minor": MINOR, "ProductId": PRODUCT_ID,
                "ReleaseDate": _timestamp(newest), "ReleaseStatus": status,
                "Revision": REVISION, "RevisionCreatedBy": "local catalog",
                "Notes": f"Local release {major}.{MINOR}.{REVISION} ({status})",
            })
        return {"FileItems": items, "Id": release_id, "MajorVersion": major,
                "ProductCode": PRODUCT_CODE, "ProductReleaseRevision": revisions}


def _authorized(request, services):
    """The Authorization value must be a token type, a blank and a live token."""
    token_type, _, token = (request.header("Authorization") or "").partition(" ")
    return token_type.lower() == "bearer" and services.oauth.token_valid(token)


def route(request, services):
    if request.path not in (HEALTH_PATH, QUERY_PATH):
        return None
    if request.method not in ("GET", "HEAD"):
        return error_response(405, "method not allowed")
    if request.path == HEALTH_PATH:
        return json_response(200, {"status": "Healthy"})
    if not _authorized(request, services):
        return error_response(401, "a valid bearer token is required")
    query = request.query()
    if "major-version" not in query or "status" not in query:
        return error_response(400, "major-version and status are required")
    file_origin = f"https://127.0.0.1:{services.ports['files']}"
    return json_response(200, services.catalog.manifest(
        query["major-version"], query["status"], file_origin, services.scenario.urns(),
        services.scenario.items()))
