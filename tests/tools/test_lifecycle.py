import hashlib
import os
import pathlib
import re
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import time
import unittest

from support import TOOLS_DIR, services, tls_context  # first: puts tools/ on the path

import make_certs  # noqa: E402
import wine_import_ca  # noqa: E402


class CertificateTest(unittest.TestCase):
    def test_second_run_keeps_the_certificates(self):
        certdir = services().certs
        def contents():
            return {n: pathlib.Path(certdir, n).read_bytes() for n in make_certs.FILES}
        before = contents()
        make_certs.ensure_certs(certdir)
        self.assertEqual(before, contents())

    def test_server_certificate_names(self):
        text = subprocess.run(["openssl", "x509", "-noout", "-ext", "subjectAltName", "-in",
                               os.path.join(services().certs, "server.pem")],
                              capture_output=True, text=True, check=True).stdout
        self.assertEqual({"IP Address:127.0.0.1", "DNS:127.0.0.1", "DNS:localhost"},
                         set(re.split(r",\s*", text.splitlines()[1].strip())))
        with socket.create_connection(("127.0.0.1", services().ports["files"])) as raw:
            tls_context().wrap_socket(raw, server_hostname="localhost").close()


class WineImportTest(unittest.TestCase):
    def test_registry_value_is_a_serialised_certificate(self):
        with open(os.path.join(services().certs, "ca.pem")) as f:
            der = ssl.PEM_cert_to_DER_cert(f.read())
        text = wine_import_ca.reg_file_text(der)
        key = re.search(r"^\[(.*)\]\r$", text, re.M).group(1)
        self.assertEqual(wine_import_ca.ROOT_CERTIFICATES + "\\"
                         + hashlib.sha1(der).hexdigest().upper(), key)
        octets = re.sub(r"[\\\s]", "", text.split('"Blob"=hex:')[1])
        blob = bytes.fromhex(octets.replace(",", ""))
        self.assertEqual((32, 1, len(der)), struct.unpack("<III", blob[:12]))
        self.assertEqual(der, blob[12:])

    def test_refuses_a_folder_that_is_no_prefix(self):
        with tempfile.TemporaryDirectory() as empty:
            with self.assertRaises(RuntimeError):
                wine_import_ca.import_ca(empty, os.path.join(services().certs, "ca.pem"))


class ServiceControlTest(unittest.TestCase):
    def servicectl(self, *args):
        subprocess.run([sys.executable, os.path.join(TOOLS_DIR, "servicectl.py"), *args,
                        "--build-dir", self.build_dir], check=True, capture_output=True)

    def pid(self):
        with open(os.path.join(self.build_dir, "local-services", "services.pid")) as f:
            return int(f.read())

    def test_start_replaces_a_running_copy_and_stop_ends_it(self):
        with tempfile.TemporaryDirectory() as self.build_dir:
            os.symlink(services().certs, os.path.join(self.build_dir, "certs"))
            self.servicectl("start", "--port-base", "0")
            first = self.pid()
            self.servicectl("start", "--port-base", "0")
            second = self.pid()
            self.assertFalse(_alive(first))
            self.servicectl("stop")
            deadline = time.monotonic() + 5
            while _alive(second) and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertFalse(_alive(second))
            state = os.listdir(os.path.join(self.build_dir, "local-services"))
            self.assertNotIn("services.pid", state)
            self.assertNotIn("ready.json", state)  # removed by a clean SIGTERM exit


def _alive(pid):
    """Running, as opposed to gone or a zombie awaiting its parent."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(") ")[1][0] != "Z"
    except OSError:
        return False


if __name__ == "__main__":
    unittest.main()
