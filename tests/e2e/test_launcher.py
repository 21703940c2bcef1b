"""The whole program under Wine: started as downloaded, it installs its current copy, which fetches
the configuration and the installer and starts it; plus the ways a run can end early."""
import os
import pathlib
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
CAPTION = "24Tarvosa Sky Launch"
# The shared folder as the program names it, and the installer in it: from the prefix (see main).
SHARED_WIN = INSTALLER_WIN = None
# The programs of a run and their exit codes (sorted by name, as LauncherRun.exits gives them).
WHOLE_CHAIN = sorted([("Skylaunch_local.exe", 0), ("Skylaunch24.exe", 0), ("S24Launch.exe", 0)])
SECOND_PASS = sorted([("Skylaunch_local.exe", 0), ("S24Launch.exe", 0)])
NO_CONNECTION = ("Unable to establish an internet connection.\nPlease check your internet configuration "
                 "and try again.")


def utf16(path):
    return path.read_bytes().decode("utf-16-le")


def texts(window):
    return [child["text"] for child in window.get("children", [])]


def launcher_window(snapshot):
    return harness.find_window(snapshot, caption=CAPTION, class_name="TDownloadForm")


def error_box(snapshot):
    return harness.find_window(snapshot, caption="Error", class_name="#32770")


def shows_text(text):
    return lambda snapshot: any(text in texts(window) for window in snapshot or [])


class FirstInstallation(unittest.TestCase):
    def test_chain_from_download_to_installer(self):
        run = harness.LauncherRun(BUILD, SERVICES).run()
        self.assertEqual(WHOLE_CHAIN, run.exits())

        shared = run.shared
        self.assertEqual((BUILD.catalog / "2024/Release/Skylaunch24.exe").read_bytes(),
                         (shared / "Skylaunch24.exe").read_bytes())
        self.assertFalse((shared / "Skylaunch24.new").exists())
        self.assertFalse((shared / "Skylaunch24.old").exists())
        self.assertEqual({"target": SHARED_WIN + "\\Skylaunch24.exe", "workingFolder": SHARED_WIN,
                          "description": CAPTION, "arguments": "", "icon": SHARED_WIN + "\\Skylaunch24.exe",
                          "iconIndex": 0, "showCommand": 0}, BUILD.shortcut(run.shortcut))

        # The installer got its path quoted, then the parameters of both passes of the started copy.
        self.assertEqual([{"program": INSTALLER_WIN, "commandLine": f'"{INSTALLER_WIN}" /WebInstall /WebInstall',
                           "currentFolder": SHARED_WIN}], run.started())

        # Each version file holds the file origin's Last-Modified text after the header's colon.
        release = BUILD.catalog / "2024/Release"
        for version_file, served in (("Skylaunch24.ver", "Skylaunch24.exe"), ("S24Launch.id", "S24Launch.dat"),
                                     ("S24Launch.ver", "S24Launch.exe")):
            self.assertEqual(" " + harness.http_date(release / served), utf16(shared / version_file))
        self.assertEqual(["Skylaunch24.exe", "S24Launch.dat", "S24Launch.exe"],
                         [r["path"].rsplit("/", 1)[-1] for r in run.requested("files")])
        # Every catalog query carried the bearer token.
        queries = [r for r in run.requested("catalog") if r["path"].startswith("/v3/")]
        self.assertEqual(3, len(queries))
        for query in queries:
            self.assertTrue(any(n.lower() == "authorization" and v.lower().startswith("bearer ")
                                for n, v in query["headers"]), query)

    def test_parameters_reach_the_installer_twice(self):
        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall", "/q"]).run()
        self.assertEqual(SECOND_PASS, run.exits())
        self.assertEqual(f'"{INSTALLER_WIN}" /WebInstall /q /WebInstall /q', run.started()[0]["commandLine"])

    def test_unchanged_versions_skip_the_downloads_but_hand_over(self):
        harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"]).run()
        shared = harness.LauncherRun(BUILD, SERVICES).shared
        written = {name: os.stat(shared / name).st_mtime_ns for name in ("S24Launch.dat", "S24Launch.exe")}

        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"]).run(keep_shared=True)
        self.assertEqual(SECOND_PASS, run.exits())
        self.assertEqual(written, {name: os.stat(shared / name).st_mtime_ns for name in written})
        self.assertEqual(1, len(run.started()))

    def test_installer_missing_after_a_skipped_download(self):
        first = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"]).run()
        (first.shared / "S24Launch.exe").unlink()

        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"])
        run.prepare(keep_shared=True)
        run.start()
        box = run.watch(until=lambda s: harness.find_window(s, caption=CAPTION, class_name="#32770"))
        self.assertIsNotNone(box, run.snapshots[-3:])
        self.assertIn("Unable to find S24Launch.exe", texts(harness.find_window(box, caption=CAPTION,
                                                                                class_name="#32770")))
        self.assertTrue(BUILD.click(CAPTION, "OK"))
        run.watch()
        run.finish()
        self.assertEqual([("Skylaunch_local.exe", 0)], run.exits())
        self.assertEqual([], run.started())


class WindowContents(unittest.TestCase):
    def test_caption_and_instruction_of_both_targets(self):
        # A slow health check keeps the instruction line up long enough to be read in both programs.
        scenario = {"faults": [{"origin": "catalog", "path": "/health/full", "delay_headers": 3}]}
        run = harness.LauncherRun(BUILD, SERVICES, scenario=scenario)
        run.prepare()
        run.start()
        for target in ("Sky Launch", "Setup"):
            instruction = f"This program will download and launch 24 {target} application."
            snapshot = run.watch(until=shows_text(instruction))
            self.assertIsNotNone(snapshot, run.snapshots[-3:])
            self.assertIsNotNone(launcher_window(snapshot))
            self.assertEqual([instruction, "", "&Cancel"], texts(launcher_window(snapshot)))
        run.watch()
        run.finish()
        self.assertEqual(WHOLE_CHAIN, run.exits())

    def test_progress_of_a_10000_byte_file(self):
        piece = BUILD.catalog / "2024/E2E/progress.dat"
        piece.parent.mkdir(exist_ok=True)
        piece.write_bytes(bytes(range(256)) * 39 + bytes(16))
        files = f"https://127.0.0.1:{SERVICES.files_port}/files"
        scenario = {"items": {"S24Launch.dat": harness.catalog_item(piece, f"{files}/2024/E2E/progress.dat")},
                    "faults": [{"origin": "files", "path": "/files/2024/E2E/*", "piece_size": 4096,
                                "delay_body": 1.0},
                               {"origin": "files", "path": "/files/2024/Release/*", "delay_headers": 3}]}
        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"], scenario=scenario)
        run.prepare()
        run.start()
        run.watch(until=lambda s: progress(s) == (3, 3))
        run.watch()
        run.finish()
        self.assertEqual(10000, piece.stat().st_size)
        bars = [progress(s) for s in run.snapshots if progress(s)]
        self.assertIn((3, 3), bars)
        # From the first piece on, the bar's maximum is 3 and it moves one step per piece, up to 3.
        pieces = bars[next(i for i, bar in enumerate(bars) if bar[0] == 3):bars.index((3, 3)) + 1]
        self.assertTrue(all(maximum == 3 for maximum, _ in pieces), pieces)
        positions = [position for _, position in pieces]
        self.assertEqual(sorted(positions), positions)
        self.assertEqual({1, 2, 3}, set(positions))
        self.assertEqual(SECOND_PASS, run.exits())


def progress(snapshot):
    window = launcher_window(snapshot)
    bars = [c for c in (window or {}).get("children", []) if c["class"] == "msctls_progress32" and "max" in c]
    return (bars[0]["max"], bars[0]["position"]) if bars else None


class EarlyEndings(unittest.TestCase):
    def test_cancel_during_a_slow_download(self):
        scenario = {"faults": [{"origin": "files", "delay_headers": 1, "delay_body": 0.5, "piece_size": 1024}]}
        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"], scenario=scenario)
        run.prepare()
        run.start()
        # The configuration (one piece) is in; the installer has begun to arrive.
        partial = run.shared / "S24Launch.exe.part"
        installer_bar = (BUILD.catalog / "2024/Release/S24Launch.exe").stat().st_size // 4096 + 1
        form = run.watch(until=lambda s: partial.exists() and (progress(s) or (0, 0))[0] == installer_bar)
        self.assertIsNotNone(form, run.snapshots[-3:])
        self.assertTrue(BUILD.click(CAPTION, "&Cancel"))
        run.watch()
        run.finish()
        self.assertEqual([("Skylaunch_local.exe", 0)], run.exits())
        self.assertFalse(partial.exists())
        self.assertFalse((run.shared / "S24Launch.exe").exists())
        self.assertFalse((run.shared / "S24Launch.ver").exists())
        self.assertTrue((run.shared / "S24Launch.id").exists())
        self.assertEqual([], run.started())

    def test_unreachable_service_cancel_ends_without_a_query(self):
        run = harness.LauncherRun(BUILD, SERVICES, scenario={"connections": {"catalog": "refuse"}})
        run.prepare()
        run.start()
        box = run.watch(until=error_box)
        self.assertIsNotNone(box, run.snapshots[-3:])
        self.assertIn(NO_CONNECTION, texts(error_box(box)))
        self.assertTrue(BUILD.click("Error", "Cancel"))
        run.watch()
        run.finish()
        self.assertEqual([("Skylaunch_local.exe", 0)], run.exits())
        self.assertEqual([], run.requested("catalog"))
        self.assertEqual([], run.requested("files"))

    def test_unreachable_service_retry_after_it_is_back(self):
        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"],
                                  scenario={"connections": {"catalog": "refuse"}})
        run.prepare()
        run.start()
        self.assertIsNotNone(run.watch(until=error_box), run.snapshots[-3:])
        SERVICES.set_scenario({})
        self.assertTrue(BUILD.click("Error", "&Retry"))
        run.watch()
        run.finish()
        self.assertEqual(SECOND_PASS, run.exits())
        self.assertEqual(1, len(run.started()))

    def test_catalog_failure_is_shown_once_and_ends_with_code_1(self):
        scenario = {"faults": [{"origin": "catalog", "path": "/v3/*", "status": 500}]}
        run = harness.LauncherRun(BUILD, SERVICES, scenario=scenario)
        run.prepare()
        run.start()
        box = run.watch(until=error_box)
        self.assertIsNotNone(box, run.snapshots[-3:])
        self.assertIn("The download center is currently unavailable. Please try again later.",
                      texts(error_box(box)))
        self.assertTrue(BUILD.click("Error", "OK"))
        answered = len(run.snapshots)
        run.watch()
        run.finish()
        self.assertEqual([("Skylaunch_local.exe", 1)], run.exits())
        self.assertFalse([s for s in run.snapshots[answered:] if error_box(s)])


def configure(build, services, _):
    global BUILD, SERVICES, SHARED_WIN, INSTALLER_WIN
    BUILD, SERVICES = build, services
    SHARED_WIN = BUILD.shared_folder()
    INSTALLER_WIN = SHARED_WIN + "\\S24Launch.exe"


if __name__ == "__main__":
    harness.test_main(configure)
