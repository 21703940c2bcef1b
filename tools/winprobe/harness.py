"""Runs the real launcher under Wine against the local services and records what happened.

One LauncherRun starts the launcher inside a job (tools/winprobe: every program it starts, detached
ones too, is followed to its end with its exit code), looks at its windows while it runs, can press
their buttons, and afterwards gathers the request log, the shared folder and what the demo
installer recorded.
"""
import argparse
import contextlib
import email.utils
import hashlib
import json
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.request

SHORTCUT = "ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvosa/2024 Tarvosa Sky Launch.lnk"
# Where Wine reads the screen's DPI ("LogPixels"), each time a process starts.
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def http_date(path):
    """The Last-Modified text that the file origin sends for a catalog file."""
    return email.utils.formatdate(os.path.getmtime(path), usegmt=True)


def catalog_item(path, url):
    """What the catalog lists for a file served from `url` in place of its own: the address, and the
    size and SHA-256 that the program checks the download against."""
    data = pathlib.Path(path).read_bytes()
    return {"Urn": url, "Size": len(data), "Hash": hashlib.sha256(data).hexdigest()}


def plant(folder, files):
    """Puts files (name: bytes, or text written as UTF-16LE like a version file) into `folder`;
    returns their bytes by name, to compare with afterwards."""
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in files.items():
        (folder / name).write_bytes(content.encode("utf-16-le") if isinstance(content, str) else content)
    return {name: (folder / name).read_bytes() for name in files}


class Services:
    """The control port of the local services that this build tree's test fixture started."""

    def __init__(self, control_port, files_port):
        self.base = f"http://127.0.0.1:{control_port}"
        self.files_port = files_port

    def _call(self, method, path, body=None):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=10) as answer:
            return answer.read()

    def reset(self):
        self._call("POST", "/reset", {})

    def set_scenario(self, scenario):
        self._call("POST", "/scenario", scenario)

    def requests(self):
        text = self._call("GET", "/log").decode()
        return [json.loads(line) for line in text.splitlines() if line.strip()]


class Build:
    """A Windows build tree: its Wine wrapper, prefix and programs."""

    def __init__(self, build_dir, wine_run=None, prefix=None):
        """The tree's own prefix and Wine wrapper unless others are given (the demo runs in a fresh one)."""
        self.dir = pathlib.Path(build_dir)
        self.wine_run = str(wine_run or self.dir / "wine-run")
        self.prefix = pathlib.Path(prefix or self.dir / "wineprefix")
        self.drive_c = self.prefix / "drive_c"
        self.launcher = self.dir / "src/launcher/Skylaunch_local.exe"
        self.winprobe = self.dir / "tests/e2e/WinProbe.exe"
        self.catalog = self.dir / "catalog"
        self._shared_folder = None

    def shared_folder(self):
        """The shared folder as the program names it: the "ProgramFilesDir" value that the program
        reads from HKLM\\Software\\Microsoft\\Windows\\CurrentVersion (C:\\Program Files without one),
        plus "Common Files\\Tarvosa Shared". A 32-bit program in a 64-bit prefix reads that key
        under Wow6432Node, where the folder is "Program Files (x86)"."""
        if self._shared_folder is None:
            system_reg = self.prefix / "system.reg"
            if not system_reg.exists():
                subprocess.run([self.wine_run, "--prepare-only"], check=True, timeout=300)
            registry = system_reg.read_text(encoding="utf-8", errors="replace")
            prefix_64bit = re.search(r"^#arch=win64$", registry, re.MULTILINE) is not None
            wow64 = prefix_64bit and pe_machine(self.launcher) == IMAGE_FILE_MACHINE_I386
            key = r"Software\Wow6432Node\Microsoft\Windows\CurrentVersion" if wow64 else \
                r"Software\Microsoft\Windows\CurrentVersion"
            program_files = (registry_value(registry, key, "ProgramFilesDir") or "C:\\Program Files").rstrip("\\")
            self._shared_folder = program_files + "\\Common Files\\Tarvosa Shared"
        return self._shared_folder

    def user_download(self, program=None):
        """The launcher as the user downloaded it (`program`, else the tree's local-services build):
        Skylaunch.exe alone in the user's Downloads folder. Wine links that folder to the host user's
        home; it becomes a folder of the prefix's own."""
        users = [p for p in (self.drive_c / "users").iterdir() if p.is_dir() and p.name.lower() != "public"]
        downloads = users[0] / "Downloads"
        if downloads.is_symlink():
            downloads.unlink()
        shutil.rmtree(downloads, ignore_errors=True)
        downloads.mkdir(parents=True)
        launcher = downloads / "Skylaunch.exe"
        shutil.copyfile(program or self.launcher, launcher)
        return launcher

    def run_log(self):
        """Where the program writes its run log: Skylaunch.log in the temporary folder that the
        prefix's user environment names (TMP, which the platform reads before TEMP)."""
        registry = (self.prefix / "user.reg").read_text(encoding="utf-8", errors="replace")
        temp = (registry_value(registry, "Environment", "TMP") or
                registry_value(registry, "Environment", "TEMP"))
        return self.host_path(temp + "\\Skylaunch.log")

    def host_path(self, windows):
        """Where a path on the prefix's drive C: lies on this machine."""
        drive, _, rest = windows.partition(":\\")
        if drive.upper() != "C":
            raise ValueError(f"not on drive C: {windows}")
        return self.drive_c.joinpath(*[part for part in rest.split("\\") if part])

    def wine(self, *args, timeout=60, env=None):
        """Runs a Windows program to its end; returns its exit code and output. The output goes to a
        file, not a pipe: helpers that Wine starts on the way (the desktop, services) inherit the
        handles and would hold a pipe open long after the program has ended."""
        with tempfile.TemporaryFile() as out:
            done = subprocess.run([self.wine_run, *map(str, args)], stdout=out, stderr=subprocess.DEVNULL,
                                  timeout=timeout, env=env)
            out.seek(0)
            return done.returncode, out.read().decode("utf-8", "replace")

    def windows(self):
        """The visible top-level windows with their controls, as WinProbe sees them."""
        try:
            return json.loads(self.wine(self.winprobe, "windows", timeout=15)[1])
        except (subprocess.TimeoutExpired, ValueError):
            return []

    @contextlib.contextmanager
    def dpi(self, dpi):
        """Programs started meanwhile run at `dpi`, then the prefix's setting is put back (removed
        when there was none). A process reads the value when it starts: no Wine server restart."""
        listed = self.wine("reg", "query", DESKTOP_KEY, "/v", "LogPixels")[1]
        previous = re.search(r"LogPixels\s+REG_DWORD\s+0x([0-9a-fA-F]+)", listed)
        self._set_log_pixels(dpi)
        try:
            yield
        finally:
            self._set_log_pixels(int(previous[1], 16) if previous else None)

    def _set_log_pixels(self, dpi):
        change = ("add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f") if dpi else \
            ("delete", DESKTOP_KEY, "/v", "LogPixels", "/f")
        code, output = self.wine("reg", *change)
        if code != 0 and dpi:
            raise RuntimeError(f"could not set LogPixels to {dpi} in {self.prefix}: {output}")

    def click(self, caption, button):
        return json.loads(self.wine(self.winprobe, "click", caption, button)[1] or "{}").get("clicked")

    def answers(self, caption, milliseconds=500):
        """Whether the window captioned `caption` handles a message sent to it within `milliseconds`
        (a hung window does not), and how long it took: {"found", "answered", "ms"}."""
        return json.loads(self.wine(self.winprobe, "answers", caption, milliseconds)[1] or "{}")

    def shortcut(self, link_file):
        """The properties of a shell link, read back through the platform's shell-link object, except
        the show command: Wine's object reads a stored 0 as 1, so it comes from the file's header."""
        properties = json.loads(self.wine(self.winprobe, "shortcut", windows_path(link_file))[1] or "{}")
        properties["showCommand"] = struct.unpack_from("<I", pathlib.Path(link_file).read_bytes(), 0x3C)[0]
        return properties


class LauncherRun:
    """One run of the launcher and of everything it starts."""

    def __init__(self, build, services, args=(), scenario=None, timeout=180, show_ms=0, launcher=None,
                 env=None, wine_log=None):
        """`env`: more environment for the chain (SKYLAUNCH_WINEDEBUG, SKYLAUNCH_DLLOVERRIDES: see
        scripts/wine-run.in); `wine_log`: a file for Wine's own output, which is dropped otherwise."""
        self.build, self.services = build, services
        self.env, self.wine_log = dict(env or {}), wine_log
        self.launcher = launcher or build.launcher
        self.args, self.scenario, self.timeout, self.show_ms = list(args), scenario, timeout, show_ms
        self.events, self.snapshots, self.requests = [], [], []
        self.record_dir = build.drive_c / "skylaunch-e2e"
        self.record = self.record_dir / "started.log"
        self._process = None

    @property
    def shared(self):
        return self.build.host_path(self.build.shared_folder())

    @property
    def shortcut(self):
        return self.build.drive_c / SHORTCUT

    def prepare(self, keep_shared=False):
        """A clean machine: no shared folder (unless kept), no shortcut, no record; fresh services."""
        if not keep_shared:
            shutil.rmtree(self.shared, ignore_errors=True)
        if self.shortcut.exists():
            self.shortcut.unlink()
        shutil.rmtree(self.record_dir, ignore_errors=True)
        self.record_dir.mkdir(parents=True)
        self.services.reset()
        if self.scenario:
            self.services.set_scenario(self.scenario)

    def start(self):
        env = dict(os.environ)
        env["SKYLAUNCH_RECORD"] = "C:\\skylaunch-e2e\\started.log"
        env["SKYLAUNCH_DEMO_SHOW_MS"] = str(self.show_ms)
        env.update(self.env)
        with open(self.wine_log or os.devnull, "w") as wine_output:
            self._process = subprocess.Popen(
                [self.build.wine_run, str(self.build.winprobe), "run", str(self.timeout * 1000),
                 windows_path(self.launcher), *self.args],
                stdout=subprocess.PIPE, stderr=wine_output, text=True, env=env)
        self._reader = threading.Thread(target=self._read_events, daemon=True)
        self._reader.start()

    def _read_events(self):
        for line in self._process.stdout:
            try:
                event = json.loads(line)
            except ValueError:
                continue
            event["at"] = time.monotonic()  # when the probe reported it
            self.events.append(event)

    def wait_for_request(self, matches, count=1, timeout=60):
        """Waits until the services have logged `count` requests for which matches(request) holds;
        returns the last of them, or None when the chain ended or the time ran out first."""
        deadline = time.monotonic() + timeout
        while self.running() and time.monotonic() < deadline:
            found = [r for r in self.services.requests() if matches(r)]
            if len(found) >= count:
                return found[count - 1]
            time.sleep(0.05)
        return None

    def ended_at(self, image):
        """When the program `image` (file name) of the chain ended, on the time.monotonic() clock."""
        return next((e["at"] for e in self.events if e["event"] == "exit" and
                     e["image"].rsplit("\\", 1)[-1].lower() == image.lower()), None)

    def running(self):
        return self._process.poll() is None

    def watch(self, until=None, interval=0.3):
        """Records window snapshots until the chain has ended or until(snapshot) is true; returns the
        snapshot that satisfied `until`, or None."""
        deadline = time.monotonic() + self.timeout
        while self.running() and time.monotonic() < deadline:
            # Only this run's windows: those of a run that just ended may linger for a moment.
            pids = {e["pid"] for e in self.events if e["event"] == "start"}
            snapshot = [w for w in self.build.windows() if w.get("pid") in pids]
            if snapshot:
                self.snapshots.append(snapshot)
            if until and until(snapshot):
                return snapshot
            time.sleep(interval)
        return None

    def finish(self):
        """Waits for the chain's end and gathers the outcome."""
        try:
            self._process.wait(timeout=self.timeout + 30)
        finally:
            if self._process.poll() is None:
                self._process.kill()
        self._reader.join(timeout=5)  # the last lines of the probe
        self._process.stdout.close()
        self.requests = self.services.requests()
        return self

    def run(self, **prepare):
        self.prepare(**prepare)
        self.start()
        self.watch()
        return self.finish()

    # What happened.

    def exits(self):
        """(image file name, exit code) of every program of the chain, sorted by name: detached
        programs end in no fixed order."""
        return sorted((e["image"].rsplit("\\", 1)[-1], e["exitCode"]) for e in self.events
                      if e["event"] == "exit" and not is_wine_own(e))

    def started(self):
        """What the demo installer (and every stand-in of it) recorded."""
        if not self.record.exists():
            return []
        return [json.loads(line) for line in self.record.read_text().splitlines() if line.strip()]

    def requested(self, origin):
        return [r for r in self.requests if r["origin"] == origin]


IMAGE_FILE_MACHINE_I386 = 0x14C


def pe_machine(program):
    """The machine field of a Windows program's file header."""
    data = pathlib.Path(program).read_bytes()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[header:header + 4] != b"PE\0\0":
        raise ValueError(f"not a Windows program: {program}")
    return struct.unpack_from("<H", data, header + 4)[0]


def registry_value(registry, key, name):
    """A string value of a key in a Wine registry file's text, or None. The file writes a key as
    [Software\\\\Microsoft...] and a value as "name"="text", both with backslashes doubled."""
    in_key = False
    for line in registry.splitlines():
        if line.startswith("["):
            in_key = line[1:line.find("]")].replace("\\\\", "\\").lower() == key.lower()
        elif in_key:
            match = re.match(r'"((?:[^"\\]|\\.)*)"=(?:str\(2\):)?"((?:[^"\\]|\\.)*)"$', line)
            if match and unescape(match[1]).lower() == name.lower():
                return unescape(match[2])
    return None


def unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


class RunLogTail:
    """The lines that the program adds to its run log from now on: the log keeps earlier runs."""

    def __init__(self, build):
        self.path = build.run_log()
        self.start = self.path.stat().st_size if self.path.exists() else 0

    def lines(self):
        if not self.path.exists():
            return []
        with open(self.path, "rb") as log:
            log.seek(self.start)
            return log.read().decode("utf-8", "replace").splitlines()


def press_keys(caption, keys):
    """Activates the window captioned `caption` and presses `keys` one after the other (xdotool's
    names, separated by blanks: "Escape", "alt+c", "Tab Return"), as a user at the keyboard would;
    False when no such window is on the display."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(caption)}$"],
                           capture_output=True, text=True, timeout=10).stdout.split()
    if not found:
        return False
    subprocess.run(["xdotool", "windowactivate", "--sync", found[0]], check=True, timeout=10)
    subprocess.run(["xdotool", "key", *keys.split()], check=True, timeout=10)
    return True


def is_wine_own(event):
    """Programs that Wine starts for its own needs inside the job: the desktop's explorer when the
    first window of a session appears, and the menu builder for every shortcut saved. The prefixes
    disable the menu builder (no menu entries on the host), so it ends at once, before its image
    could be named, with "DLL not found"."""
    image = event["image"].lower()
    return image.startswith("c:\\windows\\") or (image == "" and event["exitCode"] == 0xC0000135)


def find_window(snapshot, caption=None, class_name=None):
    for window in snapshot or []:
        if (caption is None or window["text"] == caption) and (class_name is None or window["class"] == class_name):
            return window
    return None


def test_main(configure, *options):
    """Runs the cases of a whole-program test file. Its command line names the build tree and the
    services' ports (--build-dir, --control-port, --files-port) and the file's own required `options`;
    configure(build, services, arguments) prepares the file, and what is left goes to unittest (a
    case's name, say)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--control-port", type=int, required=True)
    parser.add_argument("--files-port", type=int, required=True)
    for option in options:
        parser.add_argument(option, required=True)
    arguments, rest = parser.parse_known_args()
    configure(Build(arguments.build_dir), Services(arguments.control_port, arguments.files_port), arguments)
    unittest.main(module="__main__", argv=[sys.argv[0], "-v", *rest])
