"""Nothing planted beside the launcher runs in it. The program runs with administrator rights from the
user's download folder, and later as Skylaunch24.exe from the shared folder: a decoy of every library
that it loads by its import table or by name lies beside it in both places, and Wine is told to prefer
such files to its own (as Windows does for any library it does not always take from the system
folder). The chain must complete as usual without loading any of them."""
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[1] / "tools/winprobe"))
import harness  # noqa: E402

BUILD = SERVICES = TOOLS = None
# What the program itself loads, by its import table or by name, outside the libraries that the
# platform always takes from the system folder: Common-Controls (imported, bound by the manifest),
# WinInet and the dial-up interface (RNAPH.DLL only on older platforms). The memory protection's
# crypt32.dll is left out: Wine's own WinInet loads it on first use through the process's default
# path, which under Wine still begins with the program's folder after the program restricted the
# search (Windows restricts that load too), so its decoy would test Wine rather than the program.
PLANTED = ["comctl32.dll", "rasapi32.dll", "rnaph.dll", "wininet.dll"]
LAUNCHERS = {"skylaunch.exe", "skylaunch24.exe"}
LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.+?)" at \S+ (\w+)')


def build_decoys(folder, program):
    """One decoy per planted name, exporting everything that `program` imports from that library."""
    imports = imported_functions(program)
    for name in PLANTED:
        definition = folder / (name + ".def")
        exports = "".join(f"  {function} = Planted\n" for function in imports.get(name, []))
        definition.write_text(f"LIBRARY {name}\nEXPORTS\n  Planted\n{exports}")
        subprocess.run([TOOLS.cc, "-shared", "-O1", "-o", str(folder / name), str(HERE / "PlantedLibrary.c"),
                        str(definition)], check=True)


def imported_functions(program):
    """{library: [function, ...]} of a program's import table."""
    listing = subprocess.run([TOOLS.objdump, "-p", str(program)], check=True, capture_output=True,
                             text=True).stdout
    imports, library = {}, None
    for line in listing.splitlines():
        if line.strip().startswith("DLL Name:"):
            library = line.split(":", 1)[1].strip().lower()
            imports[library] = []
        elif library and re.match(r"^\s+[0-9a-f]+\s+\d+\s+\w+$", line):
            imports[library].append(line.split()[-1])
        elif not line.strip():
            library = None
    return imports


def loads_by_launchers(trace):
    """(image, path of every module it loaded) for the launcher's processes, from a +pid,+loaddll trace."""
    modules = {}
    for line in trace.splitlines():
        match = LOADED.match(line)
        if match:
            modules.setdefault(match.group(1), []).append(match.group(2).replace("\\\\", "\\").lower())
    for paths in modules.values():
        image = next((p.rsplit("\\", 1)[-1] for p in paths if p.endswith(".exe")), "")
        if image in LAUNCHERS:
            yield image, paths


class Planting(unittest.TestCase):
    def test_a_first_installation_loads_nothing_planted(self):
        download = BUILD.user_download()
        with tempfile.TemporaryDirectory() as decoys, tempfile.NamedTemporaryFile(suffix=".log") as trace:
            decoys = pathlib.Path(decoys)
            build_decoys(decoys, download)
            run = harness.LauncherRun(BUILD, SERVICES, launcher=download, wine_log=trace.name, timeout=90,
                                      env={"SKYLAUNCH_DLLOVERRIDES": ",".join(n[:-4] for n in PLANTED) + "=n,b",
                                           "SKYLAUNCH_WINEDEBUG": "+pid,+loaddll"})
            run.prepare()
            run.shared.mkdir(parents=True)
            for name in PLANTED:
                shutil.copyfile(decoys / name, download.parent / name)
                shutil.copyfile(decoys / name, run.shared / name)
            try:
                run.start()
                run.watch()
                run.finish()
                loads = list(loads_by_launchers(pathlib.Path(trace.name).read_text(errors="replace")))
            finally:
                for name in PLANTED:
                    (download.parent / name).unlink()

        marker = run.record_dir / "planted.log"
        planted_runs = marker.read_text(encoding="utf-8").splitlines() if marker.exists() else []
        self.assertEqual([], [line for line in planted_runs
                              if line.split("|")[0].rsplit("\\", 1)[-1].lower() in LAUNCHERS])
        self.assertEqual(sorted([("S24Launch.exe", 0), ("Skylaunch.exe", 0), ("Skylaunch24.exe", 0)]), run.exits())
        # Both programs loaded every module from the system folder (or the side-by-side store), the
        # planted names among them: the decoys lay where the program looked.
        self.assertEqual(LAUNCHERS, {image for image, _ in loads})
        for image, paths in loads:
            libraries = [path for path in paths if not path.endswith(".exe")]
            self.assertEqual([], [path for path in libraries if not path.startswith("c:\\windows\\")], image)
            names = {path.rsplit("\\", 1)[-1] for path in libraries}
            self.assertLessEqual(set(PLANTED) - {"rnaph.dll"}, names, image)


def configure(build, services, arguments):
    global BUILD, SERVICES, TOOLS
    BUILD, SERVICES, TOOLS = build, services, arguments


if __name__ == "__main__":
    harness.test_main(configure, "--cc", "--objdump")
