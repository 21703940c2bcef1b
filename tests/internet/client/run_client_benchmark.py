#!/usr/bin/env python3
"""Serve a 64 MiB file from the local file origin and run the client benchmark against it.

    run_client_benchmark.py --build-dir DIR --port-base N --benchmark EXE [--rounds N]

The services run from DIR/benchmark-services with the tree's own certificates, which the tree's
Wine prefix trusts. The test fixture's state is not touched, but its ports must be free.
"""
import argparse
import os
import subprocess
import sys

TOOLS_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools")
sys.path.insert(0, os.path.abspath(TOOLS_DIR))

import skyservices  # noqa: E402

SIZE = 64 * 1024 * 1024
MAJOR, STATUS, NAME = "2024", "Release", "Benchmark64.bin"


def ensure_file(catalog):
    folder = os.path.join(catalog, MAJOR, STATUS)
    path = os.path.join(folder, NAME)
    if os.path.exists(path) and os.path.getsize(path) == SIZE:
        return
    os.makedirs(folder, exist_ok=True)
    block = bytes(range(256)) * 4096  # 1 MiB of a pattern that no layer compresses away
    with open(path, "wb") as f:
        for _ in range(SIZE // len(block)):
            f.write(block)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--port-base", type=int, required=True)
    parser.add_argument("--benchmark", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    catalog = os.path.join(build, "benchmark-catalog")
    ensure_file(catalog)
    services = skyservices.SkyServices(os.path.join(build, "benchmark-services"), catalog, args.port_base,
                                       certs=os.path.join(build, "certs"))
    with services:
        url = services.file_url(MAJOR, STATUS, NAME)
        return subprocess.call([os.path.join(build, "wine-run"), args.benchmark, url, str(args.rounds)],
                               stdin=subprocess.DEVNULL)


if __name__ == "__main__":
    sys.exit(main())
