"""The run log under Wine: a first installation, then a run whose configuration is unchanged and whose
token the catalog refuses. Read back from the prefix's temporary folder, the log tells the story a
support person looks for, process by process, and holds none of the secrets that passed between the
program and the OAuth service."""
import base64
import json
import pathlib
import re
import sys
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
VERSION = None  # the tree's SKYLAUNCH_VERSION, which the start line tells
PORTS = {}
LINE = re.compile(r"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) \[(\d+)\] (.*)")
CATALOG_QUERY = "/v3/release-catalog/tarvosa-loader-app?major-version=&status="
# The configuration query passes; the installer's query has its token refused.
REFUSED_SECOND_TOKEN = {"faults": [{"origin": "catalog", "path": "/v3/*", "times": 1},
                                   {"origin": "catalog", "path": "/v3/*", "status": 401,
                                    "body": "{\"error\":\"invalid_token\"}"}]}


def request(method, origin, path, status, size=r"\d+"):
    return (re.escape(f"{method} https://127.0.0.1:{PORTS[origin]}{path}: {status}, ") + size +
            r" bytes, \d+ ms")


def secrets_of(requests):
    """The client ids and secrets of the Basic credentials a run sent, the credentials as sent, and
    the bearer tokens."""
    found = set()
    for r in requests:
        for name, value in r["headers"]:
            if name.lower() == "authorization":
                scheme, _, credential = value.partition(" ")
                found.add(credential)
                if scheme.lower() == "basic":
                    found.update(base64.b64decode(credential).decode().split(":", 1))
    return found


class RunLog(unittest.TestCase):
    def assertTells(self, told, expected):
        """Each pattern matches a whole line, in this order."""
        at = 0
        for pattern in expected:
            at = next((i + 1 for i in range(at, len(told)) if re.fullmatch(pattern, told[i])), None)
            self.assertIsNotNone(at, f"no line {pattern!r} in its place in:\n" + "\n".join(told))

    def test_story_of_an_installation_and_a_refused_token_without_a_secret(self):
        log = BUILD.run_log()
        log.unlink(missing_ok=True)
        first = harness.LauncherRun(BUILD, SERVICES).run()
        second = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"], scenario=REFUSED_SECOND_TOKEN)
        second.prepare(keep_shared=True)
        second.start()
        self.assertIsNotNone(second.watch(until=lambda s: harness.find_window(s, "Error", "#32770")))
        self.assertTrue(BUILD.click("Error", "OK"))
        second.watch()
        second.finish()

        text = log.read_bytes().decode("utf-8")
        # No secret, neither as sent nor base64-encoded: the application tokens, and what the OAuth
        # service handed out in these runs (an id, secret, credential and token per run at least).
        secrets = set(json.loads((ROOT / "tools/local_services.json").read_text())["app_tokens"].values())
        secrets |= secrets_of(first.requests) | secrets_of(second.requests)
        self.assertGreaterEqual(len(secrets), 2 + 2 * 4)
        for secret in secrets:
            for form in (secret, base64.b64encode(secret.encode()).decode().rstrip("=")):
                leaks = [line for line in text.splitlines() if form in line]
                self.assertEqual([], leaks, f"the secret {form[:4]}... is in the log")

        processes = {}
        for line in text.splitlines():
            parts = LINE.fullmatch(line)
            self.assertIsNotNone(parts, line)
            processes.setdefault(parts[2], []).append(parts[3])
        launcher, installed, again = processes.values()
        shared = re.escape(BUILD.shared_folder())
        size = (BUILD.catalog / "2024/Release/Skylaunch24.exe").stat().st_size
        self.assertTells(launcher, [
            rf"start Skylaunch {VERSION}, program file .*\\Skylaunch_local\.exe, command line .*",
            rf"target ptSkylaunch .*: component Skylaunch24\.exe, program folder {shared}, .*",
            request("GET", "catalog", "/health/full", 200), "connection check: the service can be reached",
            request("POST", "oauth", "/oauth2/v1/clients", 200),
            request("POST", "oauth", "/oauth2/v1/tokens/bearer", 200),
            request("GET", "catalog", CATALOG_QUERY, 200),
            rf"version file {shared}\\Skylaunch24\.ver holds nothing, .*: "
            rf"downloading {shared}\\Skylaunch24\.new",
            request("GET", "files", "/files/2024/Release/Skylaunch24.exe", 200, str(size)),
            rf"wrote {shared}\\Skylaunch24\.new \({size} bytes\)", rf"wrote {shared}\\Skylaunch24\.ver",
            r"shortcut .*\.lnk to .*: written",
            rf"moved {shared}\\Skylaunch24\.new to {shared}\\Skylaunch24\.exe",
            rf"start \"{shared}\\Skylaunch24\.exe\" /WebInstall +in the launcher's current folder: "
            rf"started, process id {list(processes)[1]}",
            "exit code 0"])
        self.assertTells(installed, [
            rf"start Skylaunch {VERSION}, program file {shared}\\Skylaunch24\.exe, command line .*",
            r"target ptWebConfig .*", request("GET", "catalog", CATALOG_QUERY, 200),
            rf"version file .*: downloading {shared}\\S24Launch\.dat",
            request("GET", "files", "/files/2024/Release/S24Launch.dat", 200),
            rf"wrote {shared}\\S24Launch\.dat .*",
            r"target ptWebInstall .*", request("GET", "catalog", CATALOG_QUERY, 200),
            request("GET", "files", "/files/2024/Release/S24Launch.exe", 200),
            rf"wrote {shared}\\S24Launch\.exe .*",
            rf"start \"{shared}\\S24Launch\.exe\" /WebInstall /WebInstall in {shared}: "
            r"started, process id \d+",
            "exit code 0"])
        self.assertTells(again, [
            r"start Skylaunch .*, command line .* /WebInstall", r"target ptWebConfig .*",
            rf"version file {shared}\\S24Launch\.id holds \".+\", .*: unchanged, download of .* skipped",
            request("GET", "files", "/files/2024/Release/S24Launch.dat", 200, "0"),
            r"target ptWebInstall .*", request("POST", "oauth", "/oauth2/v1/tokens/bearer", 200),
            request("GET", "catalog", CATALOG_QUERY, 401),
            r'box "Error": The download center is currently unavailable\. Please try again later\.',
            'box "Error" answered OK', "exit code 1"])


def configure(build, services, arguments):
    global BUILD, SERVICES, VERSION
    BUILD, SERVICES, VERSION = build, services, re.escape(arguments.program_version)
    offsets = json.loads((ROOT / "tools/local_services.json").read_text())["port_offsets"]
    base = arguments.control_port - offsets["control"]
    PORTS.update({origin: base + offset for origin, offset in offsets.items()})


if __name__ == "__main__":
    harness.test_main(configure, "--program-version")
