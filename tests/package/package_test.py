#!/usr/bin/python3
"""The Debian package as a user receives it: built here with cpack into a scratch folder, its
control fields and file list read back with dpkg-deb, then unpacked into a scratch root, where the
unpacked programs run, the menu entry and the user unit are validated and the man pages render.

    package_test.py BUILD-DIR VERSION CPACK
"""

import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import unittest
from pathlib import Path

BUILD, VERSION, CPACK = Path(sys.argv[1]).resolve(), sys.argv[2], sys.argv[3]
del sys.argv[1:4]

PACKAGE = "quillmark-vireo"
ICON_SIZES = ["16x16", "32x32", "48x48", "64x64", "128x128", "256x256"]
PROGRAMS = ["usr/bin/vireo", "usr/bin/picmill"]
DATA_FILES = (
    ["usr/share/applications/quillmark-vireo.desktop",
     "usr/share/icons/hicolor/scalable/apps/quillmark-vireo.svg",
     f"usr/share/doc/{PACKAGE}/manual.html",
     "usr/share/man/man1/vireo.1.gz",
     "usr/share/man/man1/picmill.1.gz",
     "usr/lib/systemd/user/vireo.service"]
    + [f"usr/share/icons/hicolor/{size}/apps/quillmark-vireo.png" for size in ICON_SIZES])


def run(*command: str, **options) -> subprocess.CompletedProcess:
    options.setdefault("timeout", 300)
    return subprocess.run(command, capture_output=True, text=True, **options)


def private_environment(home: Path) -> dict:
    """The programs see a home of their own: no setting, lock or folder of whoever runs the test."""
    environment = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    environment.update(HOME=str(home), LC_ALL="C.UTF-8")
    return environment


def free_loopback_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class DebianPackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="vireo-package-"))
        built = run(CPACK, "-G", "DEB", "--config", str(BUILD / "CPackConfig.cmake"),
                    "-B", str(cls.scratch / "out"), cwd=cls.scratch)
        if built.returncode != 0:
            raise AssertionError("cpack failed:\n" + built.stdout + built.stderr)
        architecture = run("dpkg", "--print-architecture").stdout.strip()
        cls.deb = cls.scratch / "out" / f"{PACKAGE}_{VERSION}_{architecture}.deb"
        if not cls.deb.is_file():
            raise AssertionError(f"cpack wrote no {cls.deb.name}: {sorted(os.listdir(cls.scratch / 'out'))}")
        cls.architecture = architecture
        cls.root = cls.scratch / "root"
        unpacked = run("dpkg-deb", "-x", str(cls.deb), str(cls.root))
        if unpacked.returncode != 0:
            raise AssertionError("dpkg-deb -x failed: " + unpacked.stderr)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def fields(self) -> dict:
        control = run("dpkg-deb", "--field", str(self.deb)).stdout
        fields, last = {}, None
        for line in control.splitlines():
            if line.startswith(" ") and last:
                fields[last] += "\n" + line
            elif ":" in line:
                last, value = line.split(":", 1)
                fields[last] = value.strip()
        return fields

    def test_control_fields(self):
        fields = self.fields()
        self.assertEqual(fields["Package"], PACKAGE)
        self.assertEqual(fields["Version"], VERSION)
        self.assertEqual(fields["Architecture"], self.architecture)
        self.assertRegex(fields["Maintainer"], r"^.+ <.+@.+>$")
        summary, _, text = fields["Description"].partition("\n")
        self.assertEqual(summary, "Personal Desktop Web Server")
        self.assertTrue(text.startswith(" Vireo shares folders"), text[:60])
        self.assertIn("vireo serve", fields["Description"])
        self.assertEqual(fields["Section"], "web")
        # Computed from the programs: the libraries they link, each with its package.
        depends = [entry.split()[0] for entry in fields["Depends"].split(",")]
        for library in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libsqlite3-0", "zlib1g"):
            self.assertIn(library, depends)
        self.assertIn("qt6-image-formats-plugins", fields.get("Recommends", ""))

    def test_holds_exactly_the_installed_files(self):
        listing = run("dpkg-deb", "--contents", str(self.deb)).stdout.splitlines()
        files = {}
        for line in listing:
            mode, owner, _size, _date, _time, path = line.split(None, 5)
            self.assertEqual(owner, "root/root", path)
            if not mode.startswith("d"):
                files[path.removeprefix("./")] = mode
        # Nothing else: no vireo-setup, no test program, no library or header of the build.
        self.assertEqual(sorted(files), sorted(PROGRAMS + DATA_FILES))
        for program in PROGRAMS:
            self.assertEqual(files[program], "-rwxr-xr-x", program)
        for data in DATA_FILES:
            self.assertEqual(files[data], "-rw-r--r--", data)

    def test_programs_are_stripped_and_run(self):
        for program in PROGRAMS:
            self.assertNotIn(b".debug_info", (self.root / program).read_bytes(), program)
        usage = run(str(self.root / "usr/bin/picmill"), env=private_environment(self.scratch))
        self.assertEqual(usage.returncode, 2)
        self.assertIn("Usage: picmill FOLDER", usage.stderr)

    def test_ships_the_built_manual(self):
        shipped = (self.root / f"usr/share/doc/{PACKAGE}/manual.html").read_bytes()
        self.assertEqual(shipped, (BUILD / "vireo-manual.html").read_bytes())

    def test_menu_entry_is_valid_and_starts_the_installed_program(self):
        entry = self.root / "usr/share/applications/quillmark-vireo.desktop"
        checked = run("desktop-file-validate", str(entry))
        self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, ""))
        lines = entry.read_text().splitlines()
        self.assertIn("Exec=vireo", lines)
        self.assertIn("Icon=quillmark-vireo", lines)
        self.assertIn("GenericName=Personal Desktop Web Server", lines)

    def test_man_pages_render_without_warnings(self):
        for page, title in (("vireo", "VIREO(1)"), ("picmill", "PICMILL(1)")):
            packed = self.root / f"usr/share/man/man1/{page}.1.gz"
            header = packed.read_bytes()[:10]
            # Packed as Debian packs them: gzip with neither the file's name nor its time inside.
            self.assertEqual(header[:3], b"\x1f\x8b\x08", page)
            self.assertEqual(header[3] & 0x08, 0, f"{page}: the gzip header names the file")
            self.assertEqual(header[4:8], b"\0\0\0\0", f"{page}: the gzip header holds a time")
            environment = private_environment(self.scratch)
            environment["MANWIDTH"] = "80"
            shown = run("man", "--warnings", "-l", str(packed), env=environment)
            self.assertEqual((shown.returncode, shown.stderr), (0, ""), page)
            self.assertIn(title, shown.stdout)
            self.assertIn("SYNOPSIS", shown.stdout)
            if page == "vireo":
                # Every command the program's own usage text names has its place in the page.
                usage = run(str(self.root / "usr/bin/vireo"), "help", env=environment).stdout
                for command in re.findall(r"^ +vireo \[?([a-z]+)", usage, re.M):
                    self.assertRegex(shown.stdout, rf"\n {{7}}{command}\b", f"vireo(1) misses {command}")

    def test_user_unit_runs_vireo_serve(self):
        unit = self.root / "usr/lib/systemd/user/vireo.service"
        lines = unit.read_text().splitlines()
        self.assertIn("ExecStart=/usr/bin/vireo serve", lines)
        self.assertIn("WantedBy=default.target", lines)
        self.assertIn("[Service]", lines)
        if not shutil.which("systemd-analyze"):
            return
        # systemd checks that the program exists: the copy names the unpacked one, nothing else
        # changes. The man page named in Documentation= is not installed here, so that is not asked.
        copy = self.scratch / "vireo.service"
        copy.write_text(unit.read_text().replace("/usr/bin/vireo", str(self.root / "usr/bin/vireo")))
        verified = run("systemd-analyze", "verify", "--man=no", str(copy))
        self.assertEqual((verified.returncode, verified.stdout + verified.stderr), (0, ""))

    def test_unpacked_server_serves_its_home_page(self):
        home = self.scratch / "home"
        home.mkdir()
        environment = private_environment(home)
        vireo = str(self.root / "usr/bin/vireo")
        port = free_loopback_port()
        for name, value in (("listen_port", str(port)), ("listen_ip", "127.0.0.1")):
            configured = run(vireo, "config", "set", name, value, env=environment)
            self.assertEqual((configured.returncode, configured.stderr), (0, ""))
        server = subprocess.Popen([vireo, "serve"], env=environment, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True)
        try:
            first_line = []
            reader = threading.Thread(target=lambda: first_line.append(server.stdout.readline()))
            reader.start()
            reader.join(60)
            self.assertTrue(first_line, "vireo serve printed nothing within a minute")
            self.assertTrue(first_line[0].startswith(f"Listening on 127.0.0.1:{port}"), first_line[0])
            fetched = run("curl", "--silent", "--max-time", "30", "--output", str(home / "page.html"),
                          "--write-out", "%{http_code}", f"http://127.0.0.1:{port}/")
            self.assertEqual(fetched.stdout, "200")
            self.assertIn("Welcome to My Website!", (home / "page.html").read_text(errors="replace"))
        finally:
            server.send_signal(signal.SIGTERM)
            try:
                status = server.wait(30)
            except subprocess.TimeoutExpired:
                server.kill()
                status = server.wait()
            server.stdout.close()
            server.stderr.close()
        self.assertEqual(status, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
