"""Fails, naming them, when a program's import table holds a library that a file planted beside the
program could replace.

    check_imports.py --objdump <cross objdump> <program>...

The platform loads a library named in the import table before any of the program's code runs, from
the program's own folder first, unless it always takes it from the system folder (the KnownDLLs) or
the application manifest binds it through the side-by-side store (Common-Controls 6).
"""
import argparse
import subprocess
import sys

ALLOWED = {
    # KnownDLLs: loaded from the system folder whatever lies beside the program.
    "advapi32.dll", "combase.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll",
    "kernel32.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll",
    "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
    # Bound by the application manifest through the side-by-side store.
    "comctl32.dll",
}


def imported_libraries(objdump, program):
    listing = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    return sorted({line.split(":", 1)[1].strip().lower() for line in listing.splitlines()
                   if line.strip().startswith("DLL Name:")})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    failed = False
    for program in args.programs:
        libraries = imported_libraries(args.objdump, program)
        risky = [name for name in libraries if name not in ALLOWED]
        print(f"{program}: imports {', '.join(libraries)}")
        if risky:
            print(f"{program}: a file planted beside it would replace {', '.join(risky)}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
