"""Start, steer and stop the local services from Python tests and scripts.

    with SkyServices(workdir, catalog="tools/demo-catalog") as svc:
        svc.set_scenario({"faults": [{"origin": "files", "status": 404}]})
        ...                                   # run the program under test
        entries = svc.requests()              # the parsed request log

The certificates are made in certs (default workdir/certs) when missing.
port_base 0 lets the system choose free ports, which suits the services' own
tests; programs with compiled-in addresses need the configured base.
"""
import json
import os
import signal
import subprocess
import sys
import time
import urllib.error
import urllib.request

import make_certs
from localsvc import config

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
SERVICES = os.path.join(TOOLS_DIR, "services.py")
START_TIMEOUT = 20
STOP_TIMEOUT = 10

# The control endpoint is on loopback; a proxy from the environment must not intercept it.
_opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))


class SkyServices:
    def __init__(self, workdir, catalog, port_base=None, certs=None):
        self.workdir = os.path.abspath(workdir)
        self.catalog = os.path.abspath(catalog)
        self.port_base = config.load()["port_base"] if port_base is None else port_base
        self.certs = os.path.abspath(certs or os.path.join(self.workdir, "certs"))
        self.log_path = os.path.join(self.workdir, "requests.jsonl")
        self.ready_file = os.path.join(self.workdir, "ready.json")
        self.output_path = os.path.join(self.workdir, "services.out")
        self.process = None
        self.ports = {}

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        """Start the service program and wait until every port listens.

        The program runs in a session of its own with no pipes to this one, so
        it can outlive the caller (servicectl) without holding a test runner's
        output open."""
        os.makedirs(self.workdir, exist_ok=True)
        make_certs.ensure_certs(self.certs)
        if os.path.exists(self.ready_file):
            os.remove(self.ready_file)
        with open(self.output_path, "w") as output:
            self.process = subprocess.Popen(
                [sys.executable, SERVICES, "--port-base", str(self.port_base),
                 "--certs", self.certs, "--catalog", self.catalog, "--log", self.log_path,
                 "--ready-file", self.ready_file],
                stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT,
                start_new_session=True)
        deadline = time.monotonic() + START_TIMEOUT
        while not os.path.exists(self.ready_file):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                with open(self.output_path) as f:
                    raise RuntimeError(f"the local services did not start:\n{f.read()}")
            time.sleep(0.02)
        with open(self.ready_file) as f:
            self.ports = json.load(f)["ports"]

    def stop(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(STOP_TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def origin(self, role):
        return f"https://127.0.0.1:{self.ports[role]}"

    def file_url(self, major, status, name, role="files"):
        return f"{self.origin(role)}/files/{major}/{status}/{name}"

    def _control(self, method, path, value=None):
        data = None if value is None else json.dumps(value).encode()
        request = urllib.request.Request(f"http://127.0.0.1:{self.ports['control']}{path}",
                                         data=data, method=method)
        try:
            with _opener.open(request, timeout=10) as response:
                return response.read()
        except urllib.error.HTTPError as e:
            raise ValueError(e.read().decode(errors="replace")) from None

    def set_scenario(self, scenario):
        """Replace the scenario (see localsvc/scenario.py); ValueError if refused."""
        self._control("POST", "/scenario", scenario)

    def reset(self):
        """Default scenario, no clients or tokens, empty request log."""
        self._control("POST", "/reset", {})

    def requests(self):
        """The request log so far, one dict per request."""
        text = self._control("GET", "/log").decode()
        return [json.loads(line) for line in text.splitlines() if line]
