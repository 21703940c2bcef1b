#!/usr/bin/env python3
"""Start or stop the local services of a build tree, for test fixtures and scripts.

    servicectl.py start --build-dir DIR [--port-base N] [--catalog DIR]
    servicectl.py stop  --build-dir DIR

start makes the certificates in DIR/certs when missing, starts the services
(state in DIR/local-services/: pid file, request log, output) and returns once
every port listens; a copy left running by an earlier start is stopped first.
stop ends exactly the process named by the pid file.
"""
import argparse
import os
import signal
import sys
import time

import skyservices
from localsvc import config

DEMO_CATALOG = os.path.join(skyservices.TOOLS_DIR, "demo-catalog")


def _pid_file(build_dir):
    return os.path.join(build_dir, "local-services", "services.pid")


def _is_services(pid):
    """Guards against a pid that was reused by an unrelated process."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return skyservices.SERVICES.encode() in f.read()
    except OSError:
        return False


def stop(build_dir):
    path = _pid_file(build_dir)
    if not os.path.exists(path):
        return
    with open(path) as f:
        pid = int(f.read().strip())
    if _is_services(pid):
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + skyservices.STOP_TIMEOUT
        while _is_services(pid) and time.monotonic() < deadline:
            time.sleep(0.05)
        if _is_services(pid):
            os.kill(pid, signal.SIGKILL)
    os.remove(path)


def start(build_dir, port_base, catalog):
    stop(build_dir)
    services = skyservices.SkyServices(os.path.join(build_dir, "local-services"), catalog,
                                       port_base, certs=os.path.join(build_dir, "certs"))
    services.start()
    with open(_pid_file(build_dir), "w") as f:
        f.write(f"{services.process.pid}\n")
    print(f"local services listening: {services.ports}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("command", choices=("start", "stop"))
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--port-base", type=int, default=config.load()["port_base"])
    parser.add_argument("--catalog", default=DEMO_CATALOG)
    args = parser.parse_args()
    build_dir = os.path.abspath(args.build_dir)
    if args.command == "start":
        start(build_dir, args.port_base, args.catalog)
    else:
        stop(build_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
