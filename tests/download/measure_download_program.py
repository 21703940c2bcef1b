#!/usr/bin/env python3
"""Measure the download workflow against the local services of a Windows build tree.

    measure_download_program.py --build-dir build/<tree> [--size-mib 64] [--rounds 3]

Serves a catalog of its own (build/<tree>/measure-catalog: "S24Launch.exe" of random bytes and the
tree's "S24Launch.dat") on the tree's ports, runs download_program_measure.exe under the tree's
Wine, then the whole program as a user meets it: the launcher with its window, started with
/WebInstall, fetching the configuration and then the large file (its time from the program's run
log), and last the same file with the host's curl as a native reference. The window needs an X
display: DISPLAY must be set (xvfb-run -a does that). The tree's own services (the CTest fixture)
must not be running at the same time; they are stopped here and left stopped.
Figures only: nothing here is a pass or fail.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, os.path.join(TOOLS, "winprobe"))
import harness  # noqa: E402

FILE_PATH = "/files/2024/Release/S24Launch.exe"
MIB = 1024 * 1024


def cache_value(build_dir, name):
    with open(os.path.join(build_dir, "CMakeCache.txt")) as cache:
        for line in cache:
            match = re.match(rf"{name}:[A-Z]+=(.*)", line.strip())
            if match:
                return match.group(1)
    raise SystemExit(f"{name} is not in {build_dir}/CMakeCache.txt")


def make_catalog(build_dir, size_mib):
    folder = os.path.join(build_dir, "measure-catalog", "2024", "Release")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "S24Launch.exe")
    size = size_mib * MIB
    if not os.path.exists(path) or os.path.getsize(path) != size:
        with open(path, "wb") as f:
            for _ in range(size_mib):
                f.write(os.urandom(MIB))
    # The configuration that the launcher fetches before it.
    shutil.copyfile(os.path.join(build_dir, "catalog", "2024", "Release", "S24Launch.dat"),
                    os.path.join(folder, "S24Launch.dat"))
    return os.path.join(build_dir, "measure-catalog")


def servicectl(*args):
    subprocess.run([sys.executable, os.path.join(TOOLS, "servicectl.py"), *args], check=True)


def curl_rounds(build_dir, files_port, rounds):
    url = f"https://127.0.0.1:{files_port}{FILE_PATH}"
    ca = os.path.join(build_dir, "certs", "ca.pem")
    times = []
    with tempfile.TemporaryDirectory() as scratch:
        target = os.path.join(scratch, "S24Launch.exe")
        for _ in range(rounds):
            out = subprocess.run(["curl", "-sS", "--cacert", ca, "-o", target, "-w", "%{time_total}", url],
                                 check=True, capture_output=True, text=True).stdout
            times.append(float(out))
    return times


def whole_program_rounds(build_dir, port_base, rounds):
    """(seconds of the large file's request as the program's run log tells it, seconds of the whole
    chain) per run of the launcher with its window."""
    build = harness.Build(build_dir)
    services = harness.Services(port_base, port_base + 3)
    figures = []
    for _ in range(rounds):
        log = harness.RunLogTail(build)
        run = harness.LauncherRun(build, services, args=["/WebInstall"], timeout=600)
        started = time.monotonic()
        run.run()
        chain = time.monotonic() - started
        lines = [line for line in log.lines() if f"GET https://127.0.0.1:{port_base + 3}{FILE_PATH}" in line]
        if not lines or not re.search(r": 200, \d+ bytes, \d+ ms$", lines[-1]):
            raise SystemExit("the launcher did not download the file:\n" + "\n".join(log.lines()))
        figures.append((int(re.search(r"(\d+) ms", lines[-1])[1]) / 1000, chain))
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--size-mib", type=int, default=64)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    build_dir = os.path.abspath(args.build_dir)
    port_base = int(cache_value(build_dir, "SKYLAUNCH_LOCAL_PORT_BASE"))
    files_port = port_base + 3
    program = os.path.join(build_dir, "tests", "download", "download_program_measure.exe")

    if not os.environ.get("DISPLAY"):
        raise SystemExit("the launcher's window needs an X display: set DISPLAY (or run under xvfb-run -a)")

    catalog = make_catalog(build_dir, args.size_mib)
    servicectl("start", "--build-dir", build_dir, "--port-base", str(port_base), "--catalog", catalog)
    try:
        figures = subprocess.run([os.path.join(build_dir, "wine-run"), program, str(args.rounds)], check=True,
                                 capture_output=True, text=True).stdout
        print(figures, end="")
        whole = whole_program_rounds(build_dir, port_base, args.rounds)
        times = curl_rounds(build_dir, files_port, args.rounds)
    finally:
        servicectl("stop", "--build-dir", build_dir)
    size = args.size_mib * MIB
    file_part = statistics.median(t for t, _ in whole)
    print(f"{'program':<10} median {file_part:8.3f} s  best {min(t for t, _ in whole):8.3f} s  "
          f"{size / file_part / MIB:7.1f} MiB/s (median; the file's request in the launcher with its window, "
          f"whole chain {statistics.median(c for _, c in whole):.1f} s)")
    loop4 = float(re.search(r"^loop 4K +median +([\d.]+) s", figures, re.MULTILINE)[1])
    print(f"program beside loop 4K: {loop4 / file_part:.2f}")
    median = statistics.median(times)
    print(f"{'curl':<10} median {median:8.3f} s  best {min(times):8.3f} s  "
          f"{size / median / MIB:7.1f} MiB/s (median)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
