"""Signs a Windows program in place with Authenticode (SHA-256) through osslsigncode, as the last step
of its build.

    sign_program.py --osslsigncode <path> --pkcs12 <file> (--password-file <file> | --password-env <name>)
                    [--timestamp-url <url>] <program>

Afterwards the program's path holds the signed program or nothing: a signing that fails removes the
unsigned file, so that it is not taken for the signed one, and the next build links and signs again
(make would remove it as a failed target's file; other build tools leave it).
The password reaches osslsigncode in a file, never on a command line: the given file, or for an
environment variable a temporary file that only this user can read, removed at once.
"""
import argparse
import os
import subprocess
import sys
import tempfile


class SigningError(Exception):
    pass


def sign_with(args, password_file):
    folder, name = os.path.split(os.path.abspath(args.program))
    # osslsigncode writes only to a new file; one in the program's folder replaces it in one step.
    with tempfile.TemporaryDirectory(dir=folder, prefix=".signing-") as work:
        signed = os.path.join(work, name)
        command = [args.osslsigncode, "sign", "-pkcs12", args.pkcs12, "-readpass", password_file, "-h", "sha256"]
        if args.timestamp_url:
            command += ["-ts", args.timestamp_url]
        command += ["-in", args.program, "-out", signed]
        if subprocess.run(command, stdout=subprocess.DEVNULL).returncode != 0:
            raise SigningError("osslsigncode failed (its messages are above)")
        os.chmod(signed, os.stat(args.program).st_mode)
        os.replace(signed, args.program)


def sign(args):
    if args.password_file:
        sign_with(args, args.password_file)
        return
    password = os.environ.get(args.password_env)
    if password is None:
        raise SigningError(f"the environment variable {args.password_env} that should hold the password is not set")
    with tempfile.NamedTemporaryFile("w", prefix="skylaunch-signing-") as file:  # readable by this user only
        file.write(password)
        file.flush()
        sign_with(args, file.name)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--pkcs12", required=True)
    password = parser.add_mutually_exclusive_group(required=True)
    password.add_argument("--password-file")
    password.add_argument("--password-env")
    parser.add_argument("--timestamp-url")
    parser.add_argument("program")
    args = parser.parse_args()
    try:
        sign(args)
    except (SigningError, OSError) as error:
        if os.path.exists(args.program):
            os.remove(args.program)
        print(f"{args.program}: not signed, removed: {error}", file=sys.stderr)
        return 1
    stamped = f", time stamp from {args.timestamp_url}" if args.timestamp_url else ""
    print(f"{args.program}: signed (Authenticode, SHA-256{stamped})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
