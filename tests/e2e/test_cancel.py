"""Cancel means stop, and a failed update keeps what was there: the whole program under Wine against
the local services, with origins that stall, trickle, fail or cut a download short."""
import datetime
import os
import pathlib
import random
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
CAPTION = "24Tarvosa Sky Launch"
LAUNCHER = "Skylaunch_local.exe"
STALL = 15  # seconds that a stalled answer keeps the program waiting


def path_ends(suffix):
    return lambda request: request["path"].split("?")[0].endswith(suffix)


def now_utc():
    return datetime.datetime.now(datetime.timezone.utc)


def logged_at(request):
    return datetime.datetime.fromisoformat(request["time"])


def read(path):
    return path.read_bytes() if path.exists() else None


def big_file(name, size):
    """A file of `size` random bytes in the build tree's catalog, served by the file origin; the
    catalog item that names it."""
    path = BUILD.catalog / "2024/E2E" / name
    path.parent.mkdir(parents=True, exist_ok=True)
    if not path.exists() or path.stat().st_size != size:
        path.write_bytes(os.urandom(size))
    return harness.catalog_item(path, f"https://127.0.0.1:{SERVICES.files_port}/files/2024/E2E/{name}")


class CancelMeansStop(unittest.TestCase):
    def cancel(self, run):
        """Presses Cancel; returns when the click was handed to the window, in both clocks."""
        clicked_utc = now_utc()
        self.assertTrue(BUILD.click(CAPTION, "&Cancel"))
        return clicked_utc, time.monotonic()

    def assert_stopped(self, run, clicked_utc, clicked):
        """The launcher is gone within 2 seconds of the click and nothing was asked of the services,
        or started, after it."""
        run.watch()
        run.finish()
        self.assertEqual([(LAUNCHER, 0)], run.exits())
        self.assertLess(run.ended_at(LAUNCHER) - clicked, 2.0)
        self.assertEqual([], [(r["origin"], r["path"]) for r in run.requests if logged_at(r) > clicked_utc])
        self.assertEqual([], run.started())

    def test_cancel_during_a_fast_download_never_hands_over(self):
        # The origin serves at about 3 MB/s: quick enough that the body is read in bursts, slow
        # enough that Cancel lands while it arrives. The completion handler must not run after it.
        item = big_file("fast.bin", 4 << 20)
        fast = {"origin": "files", "path": "/files/2024/E2E/*", "piece_size": 32768, "delay_body": 0.01}
        for component, args in (("Skylaunch24.exe", []), ("S24Launch.dat", ["/WebInstall"]),
                                 ("S24Launch.exe", ["/WebInstall"])):
            for repetition in range(6):
                with self.subTest(component=component, repetition=repetition):
                    run = harness.LauncherRun(BUILD, SERVICES, args=args, timeout=60,
                                              scenario={"items": {component: item}, "faults": [fast]})
                    run.prepare()
                    log = harness.RunLogTail(BUILD)
                    run.start()
                    self.assertIsNotNone(run.wait_for_request(path_ends("/fast.bin")),
                                         "\n".join([*map(str, run.events), *log.lines()]))
                    time.sleep(random.uniform(0.0, 0.4))
                    clicked_utc, clicked = self.cancel(run)
                    self.assert_stopped(run, clicked_utc, clicked)
                    self.assertFalse(run.shortcut.exists())
                    shared = sorted(p.name for p in run.shared.iterdir()) if run.shared.exists() else []
                    self.assertEqual([], [name for name in shared if name.startswith("Skylaunch24.") or
                                          name.endswith(".part")], run.events)

    def test_esc_alt_c_and_enter_act_as_cancel(self):
        # The focus is on the Cancel button, and Tab keeps it there, so Enter presses it as in a dialog.
        slow = {"origin": "files", "piece_size": 4096, "delay_body": 0.5}
        for keys in ("Escape", "alt+c", "Return", "Tab Return"):
            with self.subTest(keys=keys):
                run = harness.LauncherRun(BUILD, SERVICES, timeout=60, scenario={"faults": [slow]})
                run.prepare()
                run.start()
                self.assertIsNotNone(run.wait_for_request(path_ends("Skylaunch24.exe")))
                pressed_utc, pressed = now_utc(), time.monotonic()
                self.assertTrue(harness.press_keys(CAPTION, keys))
                self.assert_stopped(run, pressed_utc, pressed)
                self.assertFalse(run.shortcut.exists())

    def test_cancel_in_every_phase_ends_the_program_at_once(self):
        trickle = {"origin": "files", "piece_size": 1, "delay_body": 1}
        # Each phase: the launcher's arguments, the faults, and the request (and how many of them) that
        # the phase begins with; Cancel comes a second later.
        phases = {
            "activation": ([], [{"origin": "oauth", "path": "/oauth2/v1/clients", "delay_headers": STALL}],
                           path_ends("/oauth2/v1/clients"), 1),
            "token": ([], [{"origin": "oauth", "path": "/oauth2/v1/tokens/bearer", "delay_headers": STALL}],
                      path_ends("/tokens/bearer"), 1),
            "catalog": ([], [{"origin": "catalog", "path": "/v3/*", "delay_headers": STALL}],
                        lambda r: r["path"].startswith("/v3/"), 1),
            "stalled download": ([], [{"origin": "files", "delay_headers": STALL}], path_ends("Skylaunch24.exe"), 1),
            "trickling download": ([], [trickle], path_ends("Skylaunch24.exe"), 1),
            # Every attempt is cut at once: the second is followed by a wait of 2 seconds.
            "waiting to try the download again": ([], [{"origin": "files", "drop_after": 4096}],
                                                  path_ends("Skylaunch24.exe"), 2),
            # The configuration is in; the second connection check stalls.
            "between configuration and installer": (
                ["/WebInstall"], [{"origin": "catalog", "path": "/health/full", "times": 1},
                                  {"origin": "catalog", "path": "/health/full", "delay_headers": STALL}],
                path_ends("/health/full"), 2),
        }
        for phase, (args, faults, reached, count) in phases.items():
            with self.subTest(phase=phase):
                run = harness.LauncherRun(BUILD, SERVICES, args=args, timeout=60, scenario={"faults": faults})
                run.prepare()
                run.start()
                self.assertIsNotNone(run.wait_for_request(reached, count=count), phase)
                time.sleep(1)
                clicked_utc, clicked = self.cancel(run)
                self.assert_stopped(run, clicked_utc, clicked)


# An installation from before: the programs and the version files that must survive a failed update.
PREVIOUS = {"Skylaunch24.exe": b"previous launcher", "Skylaunch24.ver": " Mon, 01 Jan 2024 00:00:00 GMT",
            "S24Launch.exe": b"previous installer", "S24Launch.ver": " Mon, 01 Jan 2024 00:00:00 GMT"}


def error_box(snapshot):
    return harness.find_window(snapshot, caption="Error", class_name="#32770")


class Stalls(unittest.TestCase):
    def test_a_stalled_token_request_ends_at_the_receive_timeout(self):
        scenario = {"faults": [{"origin": "oauth", "path": "/oauth2/v1/tokens/bearer", "delay_headers": 25}]}
        run = harness.LauncherRun(BUILD, SERVICES, scenario=scenario, timeout=90)
        run.prepare()
        run.start()
        self.assertIsNotNone(run.watch(until=error_box))
        self.assertTrue(BUILD.click("Error", "OK"))
        run.watch()
        run.finish()
        self.assertEqual([(LAUNCHER, 1)], run.exits())
        token = next(r for r in run.requests if path_ends("/tokens/bearer")(r))
        query = next(r for r in run.requests if r["path"].startswith("/v3/"))
        self.assertAlmostEqual(20, (logged_at(query) - logged_at(token)).total_seconds(), delta=1.5)

    def test_a_slow_health_path_fails_the_check_at_the_validation_timeout(self):
        # The check validates, then validates once more while trying to connect: two time-outs.
        scenario = {"faults": [{"origin": "catalog", "path": "/health/full", "delay_headers": 9}]}
        run = harness.LauncherRun(BUILD, SERVICES, scenario=scenario, timeout=90)
        run.prepare()
        run.start()
        self.assertIsNotNone(run.watch(until=error_box))
        boxed = now_utc()
        self.assertTrue(BUILD.click("Error", "Cancel"))
        run.watch()
        run.finish()
        self.assertEqual([(LAUNCHER, 0)], run.exits())
        checks = [logged_at(r) for r in run.requests if path_ends("/health/full")(r)]
        self.assertEqual(2, len(checks))
        self.assertAlmostEqual(7, (checks[1] - checks[0]).total_seconds(), delta=1)
        self.assertAlmostEqual(7, (boxed - checks[1]).total_seconds(), delta=1.5)
        self.assertEqual([], [r for r in run.requests if r["origin"] != "catalog"])


class FailedUpdates(unittest.TestCase):
    """An update that is cancelled, fails or is cut short leaves the installed programs and their
    version files exactly as they were, and the next run still works."""


    def test_previous_files_survive_a_cancelled_a_failed_and_a_cut_short_update(self):
        slow = {"piece_size": 4096, "delay_body": 0.5}
        failures = {"cancelled": slow, "failed": {"status": 500}, "cut short": {"drop_after": 4096}}
        for component, args in (("Skylaunch24.exe", []), ("S24Launch.exe", ["/WebInstall"])):
            for failure, fault in failures.items():
                with self.subTest(component=component, failure=failure):
                    fault = dict(fault, origin="files", path="*/" + component)
                    run = harness.LauncherRun(BUILD, SERVICES, args=args, timeout=60, scenario={"faults": [fault]})
                    run.prepare()
                    before = harness.plant(run.shared, PREVIOUS)
                    run.start()
                    if failure == "cancelled":
                        self.assertIsNotNone(run.wait_for_request(path_ends(component)))
                        time.sleep(1)
                        self.assertTrue(BUILD.click(CAPTION, "&Cancel"))
                    else:
                        self.assertIsNotNone(run.watch(until=error_box))
                        self.assertTrue(BUILD.click("Error", "OK"))
                    run.watch()
                    run.finish()
                    self.assertEqual(before, {name: read(run.shared / name) for name in before})
                    self.assertEqual([], [p.name for p in run.shared.iterdir() if p.suffix in (".new", ".part")])
        # The next run installs the current copies.
        run = harness.LauncherRun(BUILD, SERVICES).run(keep_shared=True)
        self.assertEqual(sorted([(LAUNCHER, 0), ("Skylaunch24.exe", 0), ("S24Launch.exe", 0)]), run.exits())
        release = BUILD.catalog / "2024/Release"
        for name in ("Skylaunch24.exe", "S24Launch.exe"):
            self.assertEqual((release / name).read_bytes(), (run.shared / name).read_bytes())


def configure(build, services, _):
    global BUILD, SERVICES
    BUILD, SERVICES = build, services


if __name__ == "__main__":
    harness.test_main(configure)
