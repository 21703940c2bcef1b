#!/usr/bin/env python3
"""Trust a test CA inside one Wine prefix, never on the host.

    wine_import_ca.py WINEPREFIX CA.pem

Writes the certificate to the prefix's current-user Root store: the key
HKCU\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\<SHA-1>, value
"Blob" in the serialised certificate-store form, imported with
`wine regedit /S`. The Wine command is $WINE when set, otherwise "wine".

Idempotent: a marker file in the prefix records each imported thumbprint, so
a repeated call costs no Wine start.
"""
import fcntl
import hashlib
import os
import ssl
import struct
import subprocess
import sys
import tempfile

ROOT_CERTIFICATES = r"HKEY_CURRENT_USER\Software\Microsoft\SystemCertificates\Root\Certificates"
# Serialised store element: property id, a reserved 1, the length, the data.
# Property 32 (CERT_CERT_PROP_ID) is the encoded certificate itself.
CERT_CERT_PROP_ID = 32
HEX_BYTES_PER_LINE = 24


def serialised_blob(der):
    return struct.pack("<III", CERT_CERT_PROP_ID, 1, len(der)) + der


def reg_file_text(der):
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    octets = [f"{b:02x}" for b in serialised_blob(der)]
    lines = [",".join(octets[i:i + HEX_BYTES_PER_LINE])
             for i in range(0, len(octets), HEX_BYTES_PER_LINE)]
    value = ",\\\r\n  ".join(lines)
    return (f"REGEDIT4\r\n\r\n[{ROOT_CERTIFICATES}\\{thumbprint}]\r\n"
            f"\"Blob\"=hex:{value}\r\n\r\n")


def import_ca(prefix, ca_pem):
    with open(ca_pem) as f:
        der = ssl.PEM_cert_to_DER_cert(f.read())
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    if not os.path.isfile(os.path.join(prefix, "system.reg")):
        raise RuntimeError(f"{prefix} is not an initialised Wine prefix")
    marker = os.path.join(prefix, f"skylaunch-ca-{thumbprint}.imported")
    with open(os.path.join(prefix, "skylaunch-ca.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(marker):
            return
        with tempfile.NamedTemporaryFile("w", suffix=".reg", newline="",
                                         delete=False) as reg:
            reg.write(reg_file_text(der))
        try:
            environment = dict(os.environ, WINEPREFIX=os.path.abspath(prefix))
            environment.setdefault("WINEDEBUG", "-all")
            wine = os.environ.get("WINE", "wine")
            # Drive Z: is the Unix root in every Wine prefix.
            windows_path = "Z:" + reg.name.replace("/", "\\")
            subprocess.run([wine, "regedit", "/S", windows_path], env=environment,
                           check=True, stdout=subprocess.DEVNULL)
        finally:
            os.remove(reg.name)
        open(marker, "w").close()


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: wine_import_ca.py WINEPREFIX CA.pem\n")
        return 2
    try:
        import_ca(argv[1], argv[2])
    except (OSError, RuntimeError, subprocess.CalledProcessError) as e:
        sys.stderr.write(f"wine_import_ca: {e}\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
