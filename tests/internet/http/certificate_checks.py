"""Fails when any source of the program names a WinInet flag or option that relaxes the checks
of a server certificate (ignoring certificate errors, or setting security flags on a request).

usage: certificate_checks.py <source folder>
"""
import pathlib
import re
import sys

SUFFIXES = {".h", ".hpp", ".c", ".cpp", ".rc", ".cmake", ".txt", ".in"}
RELAXING = re.compile(r"IGNORE_CERT|SECURITY_FLAG")


def offenders(root):
    for path in sorted(root.rglob("*")):
        if path.suffix not in SUFFIXES or not path.is_file():
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            if RELAXING.search(line):
                yield f"{path}:{number}: {line.strip()}"


def main(argv):
    root = pathlib.Path(argv[1])
    if not any(root.rglob("*.cpp")):
        print(f"no sources under {root}", file=sys.stderr)
        return 2
    found = list(offenders(root))
    for line in found:
        print(line, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
