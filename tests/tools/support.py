"""Shared set-up of the local services' tests: one service instance on free
ports for the whole run, a small catalog, and HTTPS helpers."""
import atexit
import base64
import http.client
import json
import os
import shutil
import socket
import ssl
import sys
import tempfile
import unittest

TOOLS_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, os.path.abspath(TOOLS_DIR))

import skyservices  # noqa: E402  (needs the path above)
from localsvc import config  # noqa: E402

# A fixed modification time makes Last-Modified predictable.
MTIME = 1714560000  # 2024-05-01 10:40:00 UTC
MTIME_HTTP = "Wed, 01 May 2024 10:40:00 GMT"
CATALOG_FILES = {
    ("2024", "Release", "S24Launch.exe"): b"MZ installer 2024 " * 100,
    ("2024", "Release", "S24Launch.dat"): b"[Skylaunch]\r\nKey=Value\r\n",
    ("2024", "Release", "Skylaunch24.exe"): b"MZ launcher",
    ("2025", "Beta", "S24Launch.exe"): b"MZ installer 2025 beta",
}

_services = None
_workdir = None


def _make_catalog(root):
    for (major, status, name), content in CATALOG_FILES.items():
        folder = os.path.join(root, major, status)
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(content)
        os.utime(path, (MTIME, MTIME))


def services():
    """The running instance, started on first use and stopped at exit."""
    global _services, _workdir
    if _services is None:
        _workdir = tempfile.mkdtemp(prefix="skyservices-test-")
        _make_catalog(os.path.join(_workdir, "catalog"))
        _services = skyservices.SkyServices(_workdir, os.path.join(_workdir, "catalog"),
                                            port_base=0)
        _services.start()
        atexit.register(_shutdown)
    return _services


def _shutdown():
    _services.stop()
    shutil.rmtree(_workdir, ignore_errors=True)


def tls_context(ca="ca.pem"):
    return ssl.create_default_context(cafile=os.path.join(services().certs, ca))


def request(role, method, path, headers=(), body=None):
    """One HTTPS exchange; returns (status, headers as a list, body bytes)."""
    conn = http.client.HTTPSConnection("127.0.0.1", services().ports[role],
                                       context=tls_context(), timeout=10)
    try:
        conn.putrequest(method, path, skip_accept_encoding=True)
        for name, value in headers:
            conn.putheader(name, value)
        if body is not None:
            conn.putheader("Content-Length", str(len(body)))
        conn.endheaders(body)
        response = conn.getresponse()
        return response.status, response.getheaders(), response.read()
    finally:
        conn.close()


def raw_exchange(role, request_text):
    """Send a request and read until the server closes: the bytes on the wire."""
    with socket.create_connection(("127.0.0.1", services().ports[role]), timeout=10) as raw:
        with tls_context().wrap_socket(raw, server_hostname="127.0.0.1") as conn:
            conn.sendall(request_text.encode())
            received = bytearray()
            try:
                while piece := conn.recv(65536):
                    received += piece
            except ssl.SSLError:
                pass  # a dropped connection ends without close_notify
            return bytes(received)


def bearer_token(environment="PROD"):
    """A fresh "bearer <token>" through both OAuth requests."""
    token = config.load()["app_tokens"][environment]
    status, _, body = request("oauth", "POST", "/oauth2/v1/clients", body=(
        f"x_app_token={token}&x_client_context=Tarvosa").encode())
    assert status == 200, body
    client = json.loads(body)
    basic = f"{client['client_id']}:{client['client_secret']}"
    status, _, body = request("oauth", "POST", "/oauth2/v1/tokens/bearer",
                              headers=[("Authorization", "Basic " + basic_value(basic))],
                              body=b"grant_type=client_credentials")
    assert status == 200, body
    answer = json.loads(body)
    return f"{answer['token_type']} {answer['access_token']}"


def basic_value(text):
    return base64.b64encode(text.encode()).decode()


class ServicesTest(unittest.TestCase):
    """Every test starts from the default scenario with an empty log."""

    def setUp(self):
        self.svc = services()
        self.svc.reset()
