"""The whole-program harness finds the shared folder where the program does: by the program's
architecture and the prefix's registry."""
import pathlib
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools/winprobe"))
import harness  # noqa: E402

# The CurrentVersion keys of a 64-bit prefix, as Wine writes them (abridged).
SYSTEM_REG_64 = r'''WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Microsoft\\Windows\\CurrentVersion] 1796842574
#time=1dd880ef72b718c
"CommonFilesDir"="C:\\Program Files\\Common Files"
"ProgramFilesDir"="C:\\Program Files"
"ProgramFilesDir (x86)"="C:\\Program Files (x86)"

[Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion] 1796842574
#time=1dd880ef72b718c
"ProgramFilesDir"="C:\\Program Files (x86)\\"
'''


def program(machine):
    """The headers of a Windows program for the given machine, enough to tell its architecture."""
    return b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0" + struct.pack("<H", machine) + bytes(18)


class SharedFolderTest(unittest.TestCase):
    def build(self, folder, system_reg, machine):
        build = harness.Build(folder, wine_run="/bin/false", prefix=pathlib.Path(folder) / "prefix")
        build.prefix.mkdir()
        (build.prefix / "system.reg").write_text(system_reg)
        build.launcher = pathlib.Path(folder) / "Skylaunch_local.exe"
        build.launcher.write_bytes(program(machine))
        return build

    def test_by_program_and_prefix(self):
        with tempfile.TemporaryDirectory() as folder:
            wow64 = self.build(folder, SYSTEM_REG_64, harness.IMAGE_FILE_MACHINE_I386)
            self.assertEqual("C:\\Program Files (x86)\\Common Files\\Tarvosa Shared", wow64.shared_folder())
            self.assertEqual(wow64.drive_c / "Program Files (x86)/Common Files/Tarvosa Shared",
                             wow64.host_path(wow64.shared_folder()))
        with tempfile.TemporaryDirectory() as folder:
            self.assertEqual("C:\\Program Files\\Common Files\\Tarvosa Shared",
                             self.build(folder, SYSTEM_REG_64, 0x8664).shared_folder())
        # A 32-bit prefix: the 32-bit program reads the key itself.
        win32 = SYSTEM_REG_64.replace("#arch=win64", "#arch=win32").replace(
            r'"ProgramFilesDir"="C:\\Program Files"', r'"ProgramFilesDir"="C:\\Apps"')
        with tempfile.TemporaryDirectory() as folder:
            self.assertEqual("C:\\Apps\\Common Files\\Tarvosa Shared",
                             self.build(folder, win32, harness.IMAGE_FILE_MACHINE_I386).shared_folder())


if __name__ == "__main__":
    unittest.main()
