"""The launcher window at 96 and at 144 DPI, the whole program under Wine: at 96 the window and its
controls stand exactly where they always have; at 144 every length is half as large again. Wine
takes the DPI from the prefix's LogPixels, which each new process reads."""
import pathlib
import subprocess
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = None
CAPTION = "24Tarvosa Sky Launch"
SCROLL_ARROW_96 = 17  # Wine's SM_CYVSCROLL at 96 DPI: the progress bar's height


def scaled(length, dpi):
    """A length given at 96 DPI, at `dpi`, rounded half up as the platform's MulDiv does."""
    return (length * dpi + 48) // 96


def size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


def expected_controls(client, dpi):
    """The controls' screen rectangles for a client area [left, top, right, bottom] at `dpi`."""
    left, top = client[0], client[1]
    width, height = size(client)

    def at(y, x, w, h):
        return [left + x, top + y, left + x + w, top + y + h]

    return {"Static": at(scaled(15, dpi), scaled(10, dpi), width - scaled(20, dpi), scaled(20, dpi)),
            "msctls_progress32": at(scaled(50, dpi), scaled(10, dpi), width - scaled(20, dpi),
                                    scaled(SCROLL_ARROW_96, dpi)),
            "Button": at(height - scaled(40, dpi), width // 2 - scaled(37, dpi), scaled(75, dpi), scaled(25, dpi))}


class Geometry(unittest.TestCase):
    def test_window_and_controls_at_96_and_144_dpi(self):
        screen = [int(n) for n in subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                                                 text=True, check=True).stdout.split()]
        # A stalled token request keeps the window up, with its message loop running.
        stall = {"faults": [{"origin": "oauth", "path": "/oauth2/v1/tokens/bearer", "delay_headers": 15}]}
        for dpi in (96, 144):
            with self.subTest(dpi=dpi), BUILD.dpi(dpi):
                run = harness.LauncherRun(BUILD, SERVICES, timeout=60, scenario=stall)
                run.prepare()
                run.start()
                try:
                    self.assertIsNotNone(run.wait_for_request(lambda r: r["path"].endswith("/tokens/bearer")))
                    window = harness.find_window(run.watch(until=lambda s: harness.find_window(s, CAPTION)), CAPTION)
                    self.assertIsNotNone(window, run.snapshots[-3:])
                finally:
                    BUILD.click(CAPTION, "&Cancel")
                    run.watch()
                    run.finish()
                # Created at 10, 10 with 350 x 150 (at 96 DPI), then centred from there.
                outer = scaled(350, dpi), scaled(150, dpi)
                corner = [scaled(10, dpi) + (screen[i] - outer[i]) // 2 for i in (0, 1)]
                self.assertEqual(corner + [corner[0] + outer[0], corner[1] + outer[1]], window["rect"])
                self.assertEqual(expected_controls(window["client"], dpi),
                                 {child["class"]: child["rect"] for child in window["children"]})


def configure(build, services, _):
    global BUILD, SERVICES
    BUILD, SERVICES = build, services


if __name__ == "__main__":
    harness.test_main(configure)
