#!/usr/bin/env python3
"""Measure the download workflow against the local services of a Windows build tree.

    measure_download_program.py --build-dir build/<tree> [--size-mib 64] [--rounds 3]

Serves a catalog of its own (build/<tree>/measure-catalog: one "S24Launch.exe" of random bytes)
on the tree's ports, runs download_program_measure.exe under the tree's Wine, then fetches the
same file with the host's curl as a native reference. The tree's own services (the CTest fixture)
must not be running at the same time; they are stopped here and left stopped.
Figures only: nothing here is a pass or fail.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
FILE_PATH = "/files/2024/Release/S24Launch.exe"


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
    size = size_mib * 1024 * 1024
    if not os.path.exists(path) or os.path.getsize(path) != size:
        with open(path, "wb") as f:
            for _ in range(size_mib):
                f.write(os.urandom(1024 * 1024))
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

    catalog = make_catalog(build_dir, args.size_mib)
    servicectl("start", "--build-dir", build_dir, "--port-base", str(port_base), "--catalog", catalog)
    try:
        subprocess.run([os.path.join(build_dir, "wine-run"), program, str(args.rounds)], check=True)
        times = curl_rounds(build_dir, files_port, args.rounds)
    finally:
        servicectl("stop", "--build-dir", build_dir)
    median = statistics.median(times)
    size = args.size_mib * 1024 * 1024
    print(f"{'curl':<10} median {median:8.3f} s  best {min(times):8.3f} s  "
          f"{size / median / (1024 * 1024):7.1f} MiB/s (median)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
