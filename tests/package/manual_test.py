#!/usr/bin/python3
"""The built manual covers the program as it is: every screenshot, every setting that
`vireo config show` lists, every command of `vireo config help` and `vireo help`, and every window,
button, box and menu item of the desktop window's code. It needs nothing beside itself.

    manual_test.py MANUAL.html VIREO-BINARY SOURCE-DIR
"""

import base64
import html
import os
import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

MANUAL, VIREO, SOURCE = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
del sys.argv[1:4]

# What the widget code names for the user: windows, buttons, ticks, choices, menu items.
LABEL_CALLS = re.compile(
    r'(?:setWindowTitle|LabelledButton|LabelledCheckBox|QCheckBox|QRadioButton|addAction|QGroupBox)'
    r'\(\s*QStringLiteral\("([^"]+)"\)')


def plain_text(page: str) -> str:
    """The manual as a reader sees it: tags gone, entities decoded, blanks folded."""
    text = re.sub(r"<(head|style)>.*?</\1>", " ", page, flags=re.S)
    text = re.sub(r"<[^>]+>", " ", text)
    return re.sub(r"\s+", " ", html.unescape(text))


def run_vireo(*args: str) -> str:
    with tempfile.TemporaryDirectory() as home:
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env["HOME"] = home
        done = subprocess.run([str(VIREO), *args], env=env, capture_output=True, text=True, timeout=60)
        assert done.returncode == 0, done.stderr
        return done.stdout


class ManualTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.page = MANUAL.read_text(encoding="utf-8")
        cls.text = plain_text(cls.page)
        cls.rows = [plain_text(row) for row in re.findall(r"<tr>.*?</tr>", cls.page, re.S)]

    def test_carries_every_screenshot_inside(self):
        shots = sorted((SOURCE / "docs" / "screenshots").glob("*.png"))
        self.assertTrue(shots)
        for shot in shots:
            with self.subTest(shot=shot.name):
                inlined = "data:image/png;base64," + base64.b64encode(shot.read_bytes()).decode()
                self.assertTrue(inlined in self.page, f"{shot.name} is not shown in the manual")

    def test_needs_no_file_beside_it(self):
        for attribute, target in re.findall(r'\b(src|href)="([^"]*)"', self.page):
            with self.subTest(target=target[:60]):
                self.assertRegex(target, r"^(data:|#|https?://)", f"{attribute} points outside the file")

    def test_every_link_inside_has_its_target(self):
        anchors = set(re.findall(r'\bid="([^"]+)"', self.page))
        for target in re.findall(r'href="#([^"]+)"', self.page):
            with self.subTest(target=target):
                self.assertIn(target, anchors)

    def test_explains_every_setting(self):
        names = [line.split(" = ")[0] for line in run_vireo("config", "show").splitlines() if " = " in line]
        self.assertGreater(len(names), 20)
        for name in names:
            with self.subTest(setting=name):
                self.assertTrue(any(f" {name} " in f" {row} " for row in self.rows),
                                "no row of a table names it")

    def test_explains_every_config_command(self):
        commands = []
        for line in run_vireo("config", "help").splitlines():
            words = re.match(r"^  ([a-z][a-z ]*?)(?= [A-Z0-9\[\"-]| {2,}|$)", line)
            if words:
                commands.append(words.group(1).split())
        self.assertGreater(len(commands), 20)
        for words in commands:
            owner, verb = " ".join(words[:-1]), words[-1]
            with self.subTest(command=" ".join(words)):
                self.assertTrue(any(owner in row and re.search(rf"\b{verb}\b", row) for row in self.rows),
                                "no row of a table names it")
        for option in set(re.findall(r"--[a-z]+", run_vireo("config", "help"))) - {"--help"}:
            with self.subTest(option=option):
                self.assertTrue(option in self.text, f"the manual never names {option}")

    def test_explains_every_program_command(self):
        for command in re.findall(r"^ +vireo (\[?[a-z]+)", run_vireo("help"), re.M):
            with self.subTest(command=command):
                self.assertTrue("vireo " + command.strip("[") in self.text, "the manual never names it")
        self.assertTrue("picmill FOLDER 1" in self.text, "the manual never shows picmill's command line")

    def test_names_every_window_and_control(self):
        labels = set()
        for source in (SOURCE / "src" / "ui").glob("*.cpp"):
            labels.update(LABEL_CALLS.findall(source.read_text(encoding="utf-8")))
        self.assertGreater(len(labels), 60)
        for label in sorted(labels):
            shown = label.split("--- ")[-1]
            if len(shown.strip(". ")) < 2:
                continue  # "..." browse buttons
            with self.subTest(label=label):
                self.assertTrue(shown in self.text, f"the manual never names {shown!r}")

    def test_is_written_for_users(self):
        self.assertIsNone(re.search(r"\bspec(ification)?\b|\bPart \d", self.text))


if __name__ == "__main__":
    unittest.main(verbosity=2)
