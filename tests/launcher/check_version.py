"""Fails unless each program's version resource, read back from the built file, holds the configured
version: the fixed file and product versions and their texts.

    check_version.py --windres <cross windres> --version 24.0.0.0 <program>...
"""
import argparse
import re
import subprocess
import sys


def version_fields(windres, program):
    """The version resource's fixed numbers and texts, as the resource compiler reads them back."""
    script = subprocess.run([windres, "-J", "coff", "-O", "rc", "-i", program], check=True,
                            capture_output=True, text=True).stdout
    fields = {}
    for name in ("FILEVERSION", "PRODUCTVERSION"):
        found = re.search(rf"^\s*{name}\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*$", script, re.MULTILINE)
        fields[name] = ".".join(found.groups()) if found else None
    for name in ("FileVersion", "ProductVersion"):
        found = re.search(rf'^\s*VALUE "{name}", "([^"]*)"', script, re.MULTILINE)
        fields[name] = found[1] if found else None
    return fields


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windres", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    failed = False
    for program in args.programs:
        fields = version_fields(args.windres, program)
        wrong = {name: value for name, value in fields.items() if value != args.version}
        print(f"{program}: " + ", ".join(f"{name} {value}" for name, value in fields.items()))
        if wrong:
            print(f"{program}: expected version {args.version} in every field")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
