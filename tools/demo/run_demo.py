#!/usr/bin/env python3
"""Runs the launcher as a user would meet it, in a fresh Wine prefix against the local services, and
reports what happened. Started by scripts/demo, which provides the display, the Wine server and the
services.

    run_demo.py --build-dir build/win64 --demo-dir build/demo --port-base N [--failure token-refused]

The normal run first shows the launcher on a screen of 144 DPI (the prefix's setting, put back
afterwards), photographs its window during the download and presses Cancel; then it follows the whole
chain at 96 DPI (self-update, "Skylaunch24.exe /WebInstall", configuration, installer).
--failure token-refused lets the catalog refuse the bearer token: the user sees the
"Error" box, which is answered after a moment, and the program ends with exit code 1.
Exits 0 when the run ended as it should.
"""
import argparse
import json
import pathlib
import subprocess
import sys
import time

TOOLS = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TOOLS / "winprobe"))
import harness  # noqa: E402

CAPTION = "24Tarvosa Sky Launch"
# Slow enough that the window can be seen and photographed during each download.
VISIBLE_DOWNLOADS = {"faults": [
    {"origin": "files", "path": "/files/2024/Release/Skylaunch24.exe", "piece_size": 65536, "delay_body": 0.3},
    {"origin": "files", "path": "/files/2024/Release/S24Launch.exe", "piece_size": 16384, "delay_body": 0.3}]}
FAILURES = {
    "token-refused": {
        "scenario": {"faults": [{"origin": "catalog", "path": "/v3/*", "status": 401,
                                 "body": "{\"error\":\"invalid_token\"}"}]},
        "expected_exits": [("Skylaunch.exe", 1)],
    },
}


def launcher_window(snapshot):
    return harness.find_window(snapshot, caption=CAPTION, class_name="TDownloadForm")


def error_box(snapshot):
    return harness.find_window(snapshot, caption="Error", class_name="#32770")


def label_of(window):
    statics = [c["text"] for c in window.get("children", []) if c["class"].lower() == "static"]
    return statics[0] if statics else ""


def progress_of(window):
    bars = [c for c in window.get("children", []) if c["class"] == "msctls_progress32" and "max" in c]
    return (bars[0]["position"], bars[0]["max"]) if bars else (0, 0)


def downloading(window):
    """The launcher window with a download well under way: worth a picture."""
    position, maximum = progress_of(window)
    return label_of(window).startswith("Downloading ") and maximum // 4 < position < maximum


class Camera:
    """Screenshots of the X display, cropped to one window and its frame."""

    FRAME = 30  # room for the window manager's title bar and border

    def __init__(self, folder):
        self.folder = folder
        self.taken = []
        folder.mkdir(parents=True, exist_ok=True)

    def shoot(self, name, window):
        left, top, right, bottom = window["rect"]
        crop = (f"{right - left + 2 * 8}x{bottom - top + self.FRAME + 8}"
                f"+{max(left - 8, 0)}+{max(top - self.FRAME, 0)}")
        path = self.folder / f"{name}.png"
        done = subprocess.run(["import", "-silent", "-window", "root", "-crop", crop, "+repage", str(path)],
                              capture_output=True, timeout=30)
        if done.returncode == 0:
            self.taken.append(path)


class Photographer:
    """Decides, snapshot by snapshot, which moments of the run are worth a picture: each download
    of the launcher once it is under way, the installer's window, an error box."""

    def __init__(self, camera):
        self.camera, self.seen = camera, set()
        self.downloads = 0

    def __call__(self, snapshot):
        window = launcher_window(snapshot)
        if window and downloading(window) and self._first(("download", progress_of(window)[1])):
            self.downloads += 1
            self.camera.shoot(f"launcher-{self.downloads}", window)
        for name, found in (("installer", harness.find_window(snapshot, caption="Setup started")),
                            ("error", error_box(snapshot))):
            if found and self._first(name):
                self.camera.shoot(name, found)
        return False

    def _first(self, key):
        new = key not in self.seen
        self.seen.add(key)
        return new


def run_at_144_dpi(build, services, camera, launcher):
    """Starts the launcher on a screen of 144 DPI, photographs its window during the download and
    presses Cancel; returns the run and the window as photographed (None when it was not seen)."""
    with build.dpi(144):
        run = harness.LauncherRun(build, services, scenario=VISIBLE_DOWNLOADS, launcher=launcher)
        run.prepare()
        run.start()
        snapshot = run.watch(until=lambda s: launcher_window(s) and downloading(launcher_window(s)))
        window = launcher_window(snapshot)
        if window:
            camera.shoot("launcher-144dpi", window)
        build.click(CAPTION, "&Cancel")
        run.watch()
        run.finish()
    return run, window


def run_failure(run, photographer):
    """Waits for the "Error" box, lets the user read it, answers it; returns its message."""
    snapshot = run.watch(until=lambda s: photographer(s) or error_box(s))
    if not snapshot:
        return None
    time.sleep(1.5)
    run.build.click("Error", "OK")
    run.watch(until=photographer)
    return " ".join(c["text"] for c in error_box(snapshot)["children"] if c["class"].lower() == "static" and c["text"])


def report(run, camera, run_log, lines=print):
    lines("== requests, by service")
    for origin in ("catalog", "oauth", "files"):
        for r in run.requested(origin):
            lines(f"  {origin:8} {r['method']:5} {r['status']}  {r['path']}")
    lines(f"== shared folder {run.build.shared_folder()} ({run.shared})")
    if not run.shared.exists() or not any(run.shared.iterdir()):
        lines("  (empty)")
    else:
        for path in sorted(run.shared.iterdir()):
            extra = ""
            if path.suffix in (".ver", ".id"):
                extra = f"  holds {path.read_bytes().decode('utf-16-le')!r}"
            lines(f"  {path.name:18} {path.stat().st_size:9} bytes{extra}")
    lines("== shortcut " + str(run.shortcut.relative_to(run.build.drive_c)))
    if run.shortcut.exists():
        for key, value in run.build.shortcut(run.shortcut).items():
            lines(f"  {key:14} {value!r}")
    else:
        lines("  (none)")
    lines("== installer")
    for started in run.started():
        lines(f"  command line   {started['commandLine']!r}")
        lines(f"  working folder {started['currentFolder']!r}")
    if not run.started():
        lines("  (not started)")
    lines("== processes")
    for image, code in run.exits():
        lines(f"  {image:20} exit code {code}")
    lines(f"== run log {run_log.path.name}, the lines of this run ({run_log.path})")
    for line in run_log.lines() or ["(none)"]:
        lines(f"  {line}")
    lines("== screenshots")
    for path in camera.taken:
        lines(f"  {path}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--demo-dir", required=True)
    parser.add_argument("--port-base", type=int, required=True)
    parser.add_argument("--failure", choices=sorted(FAILURES))
    args = parser.parse_args()

    demo = pathlib.Path(args.demo_dir).resolve()
    build = harness.Build(args.build_dir, wine_run=demo / "wine-run", prefix=demo / "wineprefix")
    offsets = json.loads((TOOLS / "local_services.json").read_text())["port_offsets"]
    services = harness.Services(args.port_base + offsets["control"], args.port_base + offsets["files"])
    camera = Camera(demo / "screenshots")
    photographer = Photographer(camera)

    failure = FAILURES.get(args.failure)
    scenario = failure["scenario"] if failure else VISIBLE_DOWNLOADS
    launcher = build.user_download(build.catalog / "2024/Release/Skylaunch24.exe")
    # Cancelled during its download, the run at 144 DPI leaves nothing behind for the chain.
    high_dpi = None if failure else run_at_144_dpi(build, services, camera, launcher)
    run = harness.LauncherRun(build, services, scenario=scenario, show_ms=2500, launcher=launcher)
    run.prepare()
    run_log = harness.RunLogTail(build)
    run.start()
    message = run_failure(run, photographer) if failure else None
    if not failure:
        run.watch(until=photographer)
    run.finish()

    with open(demo / "report.txt", "w") as out:
        def both(line):
            print(line)
            out.write(line + "\n")
        if high_dpi:
            dpi_run, window = high_dpi
            both("== at 144 DPI, cancelled during the download")
            both(f"  window {window['rect'] if window else '(not seen)'}")
            for image, code in dpi_run.exits():
                both(f"  {image:20} exit code {code}")
        report(run, camera, run_log, both)
        if failure:
            both(f"== the user saw the \"Error\" box: {message!r}")

    expected = failure["expected_exits"] if failure else [("Skylaunch.exe", 0), ("Skylaunch24.exe", 0),
                                                           ("S24Launch.exe", 0)]
    if run.exits() != sorted(expected):
        print(f"demo: expected the processes {expected}, saw {run.exits()}", file=sys.stderr)
        return 1
    if high_dpi and (high_dpi[0].exits() != [("Skylaunch.exe", 0)] or not high_dpi[1]):
        print(f"demo: at 144 DPI, expected the window and a cancelled launcher, saw {high_dpi[0].exits()}",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
