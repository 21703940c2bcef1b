#!/usr/bin/env python3
"""Create the certificates of the local services with the openssl command.

    make_certs.py CERTDIR

CERTDIR receives:
  ca.pem, ca.key                      test CA that the Wine prefix trusts
  server.pem, server.key              127.0.0.1 server certificate signed by that CA
  untrusted-ca.pem, untrusted-ca.key  a second CA that nobody trusts
  untrusted-server.pem/.key           the same server names, signed by the untrusted CA

Idempotent: when every file is there and the server certificates stay valid
for another 30 days (a stamp file records their end), nothing is done.
Callers running in parallel (test fixtures, the Wine wrapper) serialise on a
lock file in CERTDIR.
"""
import fcntl
import os
import secrets
import subprocess
import sys
import tempfile
import time

CA_DAYS = 3650
SERVER_DAYS = 825
# Wine's certificate check wants the address as a DNS name as well as an IP.
SERVER_NAMES = "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost"

TRUSTED = ("ca", "server")
UNTRUSTED = ("untrusted-ca", "untrusted-server")
FILES = [f"{stem}.{ext}" for stem in TRUSTED + UNTRUSTED for ext in ("pem", "key")]
# Reading the end date back would cost two openssl start-ups on every call.
STAMP = "valid-until"
RENEW_BEFORE = 30 * 86400

CA_EXTENSIONS = """\
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
"""

SERVER_EXTENSIONS = f"""\
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = {SERVER_NAMES}
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""


def _openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def _serial():
    # Fresh random serials keep a re-made certificate from looking like the old one.
    return "0x" + secrets.token_hex(16)


def _make_pair(workdir, ca_stem, server_stem, ca_name):
    ca_ext = os.path.join(workdir, "ca.ext")
    server_ext = os.path.join(workdir, "server.ext")
    with open(ca_ext, "w") as f:
        f.write(CA_EXTENSIONS)
    with open(server_ext, "w") as f:
        f.write(SERVER_EXTENSIONS)
    ca_key, ca_pem = (os.path.join(workdir, f"{ca_stem}.{e}") for e in ("key", "pem"))
    key, pem = (os.path.join(workdir, f"{server_stem}.{e}") for e in ("key", "pem"))
    csr = os.path.join(workdir, f"{server_stem}.csr")
    ca_csr = os.path.join(workdir, f"{ca_stem}.csr")
    _openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key,
             "-subj", f"/O=Skylaunch tests/CN={ca_name}", "-out", ca_csr)
    _openssl("x509", "-req", "-in", ca_csr, "-signkey", ca_key, "-days", str(CA_DAYS),
             "-set_serial", _serial(), "-extfile", ca_ext, "-out", ca_pem)
    _openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
             "-subj", "/O=Skylaunch tests/CN=127.0.0.1", "-out", csr)
    _openssl("x509", "-req", "-in", csr, "-CA", ca_pem, "-CAkey", ca_key,
             "-days", str(SERVER_DAYS), "-set_serial", _serial(),
             "-extfile", server_ext, "-out", pem)


def _still_valid(certdir):
    if not all(os.path.isfile(os.path.join(certdir, name)) for name in FILES + [STAMP]):
        return False
    with open(os.path.join(certdir, STAMP)) as f:
        valid_until = float(f.read().strip() or 0)
    return valid_until - time.time() > RENEW_BEFORE


def ensure_certs(certdir):
    """Make the certificates in certdir unless usable ones are already there."""
    os.makedirs(certdir, exist_ok=True)
    with open(os.path.join(certdir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if _still_valid(certdir):
            return
        valid_until = time.time() + SERVER_DAYS * 86400
        with tempfile.TemporaryDirectory(dir=certdir) as workdir:
            _make_pair(workdir, *TRUSTED, "Skylaunch Test CA")
            _make_pair(workdir, *UNTRUSTED, "Skylaunch Untrusted CA")
            for name in FILES:
                os.replace(os.path.join(workdir, name), os.path.join(certdir, name))
        with open(os.path.join(certdir, STAMP), "w") as f:
            f.write(f"{valid_until:.0f}\n")


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_certs.py CERTDIR\n")
        return 2
    try:
        ensure_certs(argv[1])
    except subprocess.CalledProcessError as e:
        sys.stderr.write(f"openssl failed: {e.stderr.decode(errors='replace')}\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
