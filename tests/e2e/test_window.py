"""The launcher window answers from its first moment, also while the connection check waits for the
service, and one chain of launchers runs at a time on a machine: a second start brings the running
chain's window forward and ends. The whole program under Wine against the local services."""
import datetime
import pathlib
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
CAPTION = "24Tarvosa Sky Launch"
LAUNCHER = "Skylaunch_local.exe"
WHOLE_CHAIN = sorted([(LAUNCHER, 0), ("Skylaunch24.exe", 0), ("S24Launch.exe", 0)])
# The launcher's own copy arrives in about three seconds, so that the chain is still at work when
# the next start comes.
SLOW_COPY = {"faults": [{"origin": "files", "path": "*/Skylaunch24.exe", "piece_size": 16384, "delay_body": 0.1}]}


def path_ends(suffix):
    return lambda request: request["path"].split("?")[0].endswith(suffix)


def pid_of(run):
    return next(e["pid"] for e in run.events if e["event"] == "start")


def watch_all(runs):
    """Window snapshots until every run has ended; every message box seen is answered, so that a run
    that shows one still ends. Returns the texts of the boxes."""
    boxes = []
    while any(run.running() for run in runs):
        for window in BUILD.windows():
            if window["class"] == "#32770":
                boxes.append([child["text"] for child in window["children"]])
                BUILD.click(window["text"], "OK")
        time.sleep(0.3)
    for run in runs:
        run.finish()
    return boxes


class AnswersFromTheFirstMoment(unittest.TestCase):
    def test_the_window_answers_while_the_health_path_stalls_and_cancel_ends_the_check(self):
        scenario = {"faults": [{"origin": "catalog", "path": "/health/full", "delay_headers": 15}]}
        run = harness.LauncherRun(BUILD, SERVICES, timeout=60, scenario=scenario)
        run.prepare()
        run.start()
        self.assertIsNotNone(run.wait_for_request(path_ends("/health/full")))
        stalled = time.monotonic()
        probes = []
        while not probes or time.monotonic() - stalled < 1:
            probes.append(BUILD.answers(CAPTION))
        clicked_utc, clicked = datetime.datetime.now(datetime.timezone.utc), time.monotonic()
        self.assertTrue(BUILD.click(CAPTION, "&Cancel"))
        run.watch()
        run.finish()
        self.assertEqual([], [probe for probe in probes if not probe.get("answered")])
        self.assertEqual([(LAUNCHER, 0)], run.exits())
        self.assertLess(run.ended_at(LAUNCHER) - clicked, 2.0)
        self.assertEqual([], [(r["origin"], r["path"]) for r in run.requests
                              if datetime.datetime.fromisoformat(r["time"]) > clicked_utc])


class OneChainAtATime(unittest.TestCase):
    def assert_one_whole_chain(self, chain, turned_away, boxes):
        self.assertEqual([], boxes)
        self.assertEqual(WHOLE_CHAIN, chain.exits())
        self.assertEqual(1, len(chain.started()))
        self.assertEqual(["Skylaunch24.exe", "S24Launch.dat", "S24Launch.exe"],
                         [r["path"].rsplit("/", 1)[-1] for r in chain.requested("files")])
        release = BUILD.catalog / "2024/Release"
        for name in ("Skylaunch24.exe", "S24Launch.exe"):
            self.assertEqual((release / name).read_bytes(), (chain.shared / name).read_bytes(), name)
        for run in turned_away:
            self.assertEqual([(LAUNCHER, 0)], run.exits())
            self.assertLess(run.ended_at(LAUNCHER), chain.ended_at(LAUNCHER))

    def test_two_starts_a_moment_apart_make_one_chain(self):
        for repetition in range(3):
            with self.subTest(repetition=repetition):
                first = harness.LauncherRun(BUILD, SERVICES, scenario=SLOW_COPY)
                second = harness.LauncherRun(BUILD, SERVICES)
                first.prepare()
                log = harness.RunLogTail(BUILD)
                first.start()
                time.sleep(0.3)
                second.start()
                boxes = watch_all([first, second])
                self.assert_one_whole_chain(first, [second], boxes)
                told = [line.split("] ", 1)[1] for line in log.lines() if f" [{pid_of(second)}] " in line]
                self.assertEqual(["chain lock: another launcher is running",
                                  "the running launcher's window is brought to the front",
                                  "exit code 0 (another launcher is running)"], told[1:])

    def test_a_start_brings_the_minimised_window_back_and_a_killed_chain_blocks_nothing(self):
        killed = harness.LauncherRun(BUILD, SERVICES, scenario=SLOW_COPY)
        killed.prepare()
        killed.start()
        self.addCleanup(watch_all, [killed])  # a failure below leaves nothing running for the next test
        self.assertIsNotNone(killed.wait_for_request(path_ends("/Skylaunch24.exe")))
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(CAPTION)}$"],
                               capture_output=True, text=True, timeout=10).stdout.split()
        subprocess.run(["xdotool", "windowminimize", "--sync", found[0]], check=True, timeout=10)
        forward = harness.LauncherRun(BUILD, SERVICES)
        forward.start()
        self.assertEqual([], watch_all([forward]))
        self.assertEqual([(LAUNCHER, 0)], forward.exits())
        window = harness.find_window(BUILD.windows(), caption=CAPTION, class_name="TDownloadForm")
        self.assertTrue(window and window["foreground"], window)

        BUILD.wine("taskkill", "/F", "/PID", pid_of(killed))
        watch_all([killed])
        after = harness.LauncherRun(BUILD, SERVICES)
        after.prepare()
        after.start()
        self.assert_one_whole_chain(after, [], watch_all([after]))


def configure(build, services, _):
    global BUILD, SERVICES
    BUILD, SERVICES = build, services


if __name__ == "__main__":
    harness.test_main(configure)
