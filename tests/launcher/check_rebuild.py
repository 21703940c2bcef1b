"""A deployer's rebuild of the release program, signed: the tree's sources are copied to another
folder and built there with the release preset, the tree's constants and a throw-away code-signing
certificate made here, with its password in an environment variable.

    check_rebuild.py --source <dir> --work <dir> --program <the tree's Skylaunch.exe>
                     --osslsigncode <path> [--define NAME=VALUE]...

Checks, one line each:
  - osslsigncode verify accepts the rebuilt program against the throw-away CA, and refuses it once one
    byte is changed;
  - without its signature, the rebuilt program is the tree's program byte for byte (without the tree's
    own signature, where it has one): the same sources and constants give the same bytes wherever
    they are built, and signing adds nothing but the signature;
  - the password is in neither the build's output nor any file of its build tree;
  - with a wrong password the build fails and leaves no program where the signed one belongs.
The work folder is removed when every check passed and kept for a look otherwise.
"""
import argparse
import os
import pathlib
import secrets
import shutil
import struct
import subprocess
import sys

PASSWORD_VARIABLE = "SKYLAUNCH_TEST_SIGNING_PASSWORD"


def run(command, log, **options):
    """Runs a command with its output appended to the log; its exit code."""
    with open(log, "ab") as out:
        return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                              **options).returncode


def copy_sources(source, target):
    """The sources without the version control's folder and without build trees."""
    def skipped(folder, names):
        return {name for name in names
                if (folder == str(source) and name in (".git", "build"))
                or (pathlib.Path(folder, name) / "CMakeCache.txt").exists()}
    shutil.copytree(source, target, symlinks=True, ignore=skipped)


def make_certificate(folder, log, env):
    """A CA and a code-signing certificate issued by it, the latter with its key in a PKCS#12 file
    whose password is the environment's PASSWORD_VARIABLE."""
    folder.mkdir()
    (folder / "leaf.cnf").write_text("basicConstraints = CA:FALSE\nkeyUsage = critical, digitalSignature\n"
                                     "extendedKeyUsage = codeSigning\n")
    steps = [
        ["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Skylaunch throw-away CA",
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign",
         "-keyout", "ca.key", "-out", "ca.pem"],
        ["req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Skylaunch throw-away publisher",
         "-keyout", "leaf.key", "-out", "leaf.csr"],
        ["x509", "-req", "-days", "2", "-in", "leaf.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial", "1",
         "-extfile", "leaf.cnf", "-out", "leaf.pem"],
        ["pkcs12", "-export", "-inkey", "leaf.key", "-in", "leaf.pem", "-certfile", "ca.pem",
         "-passout", f"env:{PASSWORD_VARIABLE}", "-out", "signing.p12"],
    ]
    for step in steps:
        if run(["openssl", *step], log, cwd=folder, env=env) != 0:
            raise RuntimeError(f"openssl {step[0]} failed (see {log})")
    return folder / "signing.p12", folder / "ca.pem"


def verified(osslsigncode, program, ca, log):
    return run([osslsigncode, "verify", "-CAfile", ca, "-in", program], log) == 0


def is_signed(program):
    """Whether the PE file's security directory (its Authenticode signature) is there."""
    data = pathlib.Path(program).read_bytes()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, header + 24)[0]
    directories = header + 24 + (96 if magic == 0x10B else 112)
    return struct.unpack_from("<II", data, directories + 4 * 8)[1] != 0


def unsigned_bytes(osslsigncode, program, out, log):
    if not is_signed(program):
        return pathlib.Path(program).read_bytes()
    if run([osslsigncode, "remove-signature", "-in", program, "-out", out], log) != 0:
        raise RuntimeError(f"osslsigncode could not remove the signature of {program} (see {log})")
    return pathlib.Path(out).read_bytes()


def differences(a, b):
    if a == b:
        return ""
    offsets = [i for i in range(min(len(a), len(b))) if a[i] != b[i]]
    return (f"{len(a)} and {len(b)} bytes, {len(offsets)} differ"
            + (f", first at {', '.join(hex(i) for i in offsets[:8])}" if offsets else ""))


def files_holding(folder, secret):
    return [path for path in folder.rglob("*") if path.is_file() and not path.is_symlink()
            and secret in path.read_bytes()]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True, type=pathlib.Path)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    parser.add_argument("--program", required=True)
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--define", action="append", default=[])
    args = parser.parse_args()
    if not shutil.which(args.osslsigncode):
        print(f"osslsigncode not found ({args.osslsigncode}): scripts/setup installs it")
        return 1

    work = args.work.resolve()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    log = work / "rebuild.log"
    source = work / "source"
    copy_sources(args.source.resolve(), source)
    password = secrets.token_urlsafe(18)
    env = dict(os.environ, **{PASSWORD_VARIABLE: password})
    pkcs12, ca = make_certificate(work / "signing", log, env)

    tree = source / "build/release"
    program = tree / "src/launcher/Skylaunch.exe"
    configure = ["cmake", "--preset", "release", *(f"-D{d}" for d in args.define),
                 f"-DSKYLAUNCH_SIGNING_PKCS12={pkcs12}", f"-DSKYLAUNCH_SIGNING_PASSWORD_ENV={PASSWORD_VARIABLE}"]
    build = ["cmake", "--build", "--preset", "release"]
    if run(configure, log, cwd=source, env=env) != 0 or run(build, log, cwd=source, env=env) != 0:
        print(f"the rebuild in {source} failed (see {log})")
        return 1

    results = []

    def check(passed, claim, fault=""):
        results.append(passed)
        print(("ok: " if passed else "FAILED: ") + claim + (f": no, {fault}" if fault and not passed else ""))

    tampered = bytearray(program.read_bytes())
    tampered[len(tampered) // 2] ^= 0x01  # in the code: inside the digest, before the signature
    (work / "tampered.exe").write_bytes(tampered)
    check(verified(args.osslsigncode, program, ca, log)
          and not verified(args.osslsigncode, work / "tampered.exe", ca, log),
          "signed: verified against the throw-away CA, and refused with one byte changed")

    difference = differences(unsigned_bytes(args.osslsigncode, program, work / "rebuilt-unsigned.exe", log),
                             unsigned_bytes(args.osslsigncode, args.program, work / "tree-unsigned.exe", log))
    check(not difference, f"without the signatures, {program} and {args.program} are the same bytes", difference)

    leaks = files_holding(tree, password.encode()) + ([log] if password.encode() in log.read_bytes() else [])
    check(not leaks, "the password is in no file of the build tree nor in its output",
          f"in {', '.join(map(str, leaks))}")

    program.unlink()
    refused = run(build, log, cwd=source, env=dict(env, **{PASSWORD_VARIABLE: password + "x"})) != 0
    faults = ([] if refused else ["the build succeeded"]) + ([f"{program} is there"] if program.exists() else [])
    check(not faults, "with a wrong password the build fails and leaves no program", " and ".join(faults))

    if all(results):
        shutil.rmtree(work)
        return 0
    print(f"the rebuild, its output ({log}) and the certificates are kept in {work}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
