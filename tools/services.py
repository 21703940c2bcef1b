#!/usr/bin/env python3
"""Local release-catalog, OAuth and file services over HTTPS, with fault injection.

    services.py --certs DIR --catalog DIR --log FILE [--port-base N] [--ready-file FILE]

Ports are --port-base plus the offsets in local_services.json (base 0: the
system picks free ports). Once every port listens, FILE of --ready-file is
written with {"pid": ..., "ports": {role: port}}. SIGTERM or SIGINT stop the
program; it then removes the ready file. See README.md in this folder.
"""
import argparse
import json
import os
import signal
import sys
import threading

from localsvc import config
from localsvc.app import App


def _write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        f.write(text)
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port-base", type=int, default=config.load()["port_base"])
    parser.add_argument("--certs", required=True, help="folder made by make_certs.py")
    parser.add_argument("--catalog", required=True, help="catalog root: M/S/files")
    parser.add_argument("--log", required=True, help="request log, JSON Lines")
    parser.add_argument("--ready-file")
    args = parser.parse_args()

    stop = threading.Event()
    for number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(number, lambda *_: stop.set())

    app = App(args.port_base, args.certs, args.catalog, args.log)
    app.start()
    if args.ready_file:
        _write_atomically(args.ready_file, json.dumps(
            {"pid": os.getpid(), "ports": app.services.ports}) + "\n")
    try:
        # A bounded wait lets the signal handler's flag be seen promptly.
        while not stop.wait(0.2):
            pass
    finally:
        app.stop()
        if args.ready_file and os.path.exists(args.ready_file):
            os.remove(args.ready_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
