"""The launcher window answers from its first moment, also while the connection check waits for the
service. The whole program under Wine against the local services."""
import datetime
import pathlib
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
CAPTION = "24Tarvosa Sky Launch"
LAUNCHER = "Skylaunch_local.exe"


def path_ends(suffix):
    return lambda request: request["path"].split("?")[0].endswith(suffix)


def now_utc():
    return datetime.datetime.now(datetime.timezone.utc)


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
        clicked_utc, clicked = now_utc(), time.monotonic()
        self.assertTrue(BUILD.click(CAPTION, "&Cancel"))
        run.watch()
        run.finish()
        self.assertEqual([], [probe for probe in probes if not probe.get("answered")])
        self.assertEqual([(LAUNCHER, 0)], run.exits())
        self.assertLess(run.ended_at(LAUNCHER) - clicked, 2.0)
        self.assertEqual([], [(r["origin"], r["path"]) for r in run.requests
                              if datetime.datetime.fromisoformat(r["time"]) > clicked_utc])


def configure(build, services, _):
    global BUILD, SERVICES
    BUILD, SERVICES = build, services


if __name__ == "__main__":
    harness.test_main(configure)
