"""Only the file the catalog described is ever swapped in or started, and a download that is cut short
goes on: the whole program under Wine against a file origin that cuts, mislabels or changes its files."""
import hashlib
import os
import pathlib
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
LAUNCHER = "Skylaunch_local.exe"
WHOLE_CHAIN = sorted([(LAUNCHER, 0), ("Skylaunch24.exe", 0), ("S24Launch.exe", 0)])
COPY = "Skylaunch24.exe"  # the launcher's own current copy, the first download of a run
PREVIOUS = {"Skylaunch24.exe": b"previous launcher", "Skylaunch24.ver": " Mon, 01 Jan 2024 00:00:00 GMT",
            "S24Launch.exe": b"previous installer", "S24Launch.ver": " Mon, 01 Jan 2024 00:00:00 GMT"}
COMMUNICATION_ERROR = "The program received a communication error.  Please check your internet connection."
NOT_DESCRIBED = "The downloaded file is not the file that the download center describes.\nPlease try again later."


def release(name):
    return BUILD.catalog / "2024/Release" / name


def of(name):
    return lambda request: request["path"].rsplit("/", 1)[-1] == name


def header(request, name):
    return next((v for n, v in request["headers"] if n.lower() == name.lower()), None)


def error_box(snapshot):
    return harness.find_window(snapshot, caption="Error", class_name="#32770")


def cut(name, part=2, **more):
    """A fault that ends the file's answers after 1/part of the file."""
    return {"origin": "files", "path": "*/" + name, "drop_after": release(name).stat().st_size // part, **more}


class NothingButTheDescribedFile(unittest.TestCase):
    def assert_refused(self, scenario, message):
        """Over an installation from before, the launcher's download fails: one "Error" box with
        `message`, exit code 1, every previous file byte for byte, no partial file, nothing started.
        Returns the file origin's requests."""
        run = harness.LauncherRun(BUILD, SERVICES, timeout=90, scenario=scenario)
        run.prepare()
        before = harness.plant(run.shared, PREVIOUS)
        run.start()
        box = run.watch(until=error_box)
        self.assertIsNotNone(box, run.snapshots[-3:])
        self.assertTrue(any(message in text for text in (c["text"] for c in error_box(box)["children"])),
                        error_box(box))
        self.assertTrue(BUILD.click("Error", "OK"))
        run.watch()
        run.finish()
        self.assertEqual([(LAUNCHER, 1)], run.exits())
        self.assertEqual(before, {name: (run.shared / name).read_bytes() for name in before})
        self.assertEqual(sorted(PREVIOUS), sorted(p.name for p in run.shared.iterdir()))
        self.assertEqual([], run.started())
        return run.requested("files")

    def test_a_body_cut_short_without_a_length_is_not_taken(self):
        # Without Content-Length only the catalog's Size tells that the body ended early; every
        # attempt (of the whole file: no byte ranges offered) is cut, whether the connection ends
        # with TLS's own close or without it.
        for clean in (True, False):
            with self.subTest(clean_close=clean):
                fault = cut(COPY, omit_headers=["Content-Length", "Accept-Ranges"], clean_close=clean)
                self.assertEqual(4, len(self.assert_refused({"faults": [fault]}, COMMUNICATION_ERROR)))

    def test_a_file_of_another_size_or_hash_is_not_taken_nor_tried_again(self):
        size = release(COPY).stat().st_size
        other_hash = hashlib.sha256(b"another program").hexdigest().upper()
        for wrong in ({"Size": size + 1}, {"Size": size - 1}, {"Hash": other_hash}):
            with self.subTest(wrong):
                self.assertEqual(1, len(self.assert_refused({"items": {COPY: wrong}}, NOT_DESCRIBED)))

    def test_a_download_cut_every_time_fails_after_four_attempts(self):
        # Each attempt brings an eighth of the file: four do not make it whole.
        requests = self.assert_refused({"faults": [cut(COPY, part=8)]}, COMMUNICATION_ERROR)
        self.assertEqual(4, len(requests))


class ACutDownloadGoesOn(unittest.TestCase):
    def assert_whole_chain(self, run):
        self.assertEqual(WHOLE_CHAIN, run.exits())
        for name, version in ((COPY, "Skylaunch24.ver"), ("S24Launch.dat", "S24Launch.id"),
                              ("S24Launch.exe", "S24Launch.ver")):
            self.assertEqual(release(name).read_bytes(), (run.shared / name).read_bytes(), name)
            self.assertEqual(" " + harness.http_date(release(name)),
                             (run.shared / version).read_bytes().decode("utf-16-le"))
        self.assertEqual(1, len(run.started()))

    def test_cut_once_the_rest_is_asked_for_and_the_chain_completes(self):
        run = harness.LauncherRun(BUILD, SERVICES, scenario={"faults": [cut(COPY, times=1)]}).run()
        self.assert_whole_chain(run)
        first, second = [r for r in run.requested("files") if of(COPY)(r)]
        self.assertEqual((None, 206), (header(first, "Range"), second["status"]))
        offset = int(header(second, "Range").removeprefix("bytes=").removesuffix("-"))
        self.assertTrue(0 < offset <= release(COPY).stat().st_size // 2, offset)
        self.assertEqual(harness.http_date(release(COPY)), header(second, "If-Range"))

    def test_an_origin_that_ignores_the_range_sends_the_file_again(self):
        ignores = {"origin": "files", "path": "*/" + COPY, "ignore_ranges": True}
        run = harness.LauncherRun(BUILD, SERVICES, scenario={"faults": [cut(COPY, times=1), ignores]}).run()
        self.assert_whole_chain(run)
        second = [r for r in run.requested("files") if of(COPY)(r)][1]
        self.assertEqual(200, second["status"])
        self.assertIsNotNone(header(second, "Range"))

    def test_a_file_changed_between_attempts_arrives_new_and_whole(self):
        # A catalog that describes neither size nor hash: the newer file is taken, with its own date.
        path = BUILD.catalog / "2024/E2E/changing.dat"
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(os.urandom(512 << 10))
        url = f"https://127.0.0.1:{SERVICES.files_port}/files/2024/E2E/changing.dat"
        scenario = {"items": {"S24Launch.dat": {"Urn": url, "Size": 0, "Hash": ""}},
                    "faults": [{"origin": "files", "path": "*/changing.dat", "drop_after": 256 << 10, "times": 1}]}
        run = harness.LauncherRun(BUILD, SERVICES, args=["/WebInstall"], scenario=scenario)
        run.prepare()
        run.start()
        self.assertIsNotNone(run.wait_for_request(of("changing.dat")))
        time.sleep(0.3)  # the first answer is cut at once; the next attempt comes a second later
        newer = path.with_suffix(".new")
        newer.write_bytes(os.urandom(300 << 10))
        os.utime(newer, (path.stat().st_mtime + 3600,) * 2)
        os.replace(newer, path)
        run.watch()
        run.finish()
        self.assertEqual(sorted([(LAUNCHER, 0), ("S24Launch.exe", 0)]), run.exits())
        self.assertEqual(path.read_bytes(), (run.shared / "S24Launch.dat").read_bytes())
        self.assertEqual(" " + harness.http_date(path), (run.shared / "S24Launch.id").read_bytes().decode("utf-16-le"))
        self.assertEqual([200, 200], [r["status"] for r in run.requested("files") if of("changing.dat")(r)])


def configure(build, services, _):
    global BUILD, SERVICES
    BUILD, SERVICES = build, services


if __name__ == "__main__":
    harness.test_main(configure)
