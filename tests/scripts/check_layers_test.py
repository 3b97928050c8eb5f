#!/usr/bin/env python3
"""scripts/check-layers passes on the real tree and refuses planted upward dependencies."""
import pathlib
import subprocess
import sys
import tempfile

root = pathlib.Path(sys.argv[1])
script = root / "scripts" / "check-layers"
failures = []


def run(tree):
    return subprocess.run([sys.executable, str(script), str(tree)], capture_output=True, text=True)


def expect(name, tree, code, text=""):
    result = run(tree)
    if result.returncode != code or text not in result.stderr:
        failures.append(f"{name}: exit {result.returncode}, stderr {result.stderr!r}")


def plant(files, cmake="vireo_layer(base vireo_common)\nvireo_layer(http vireo_base Threads::Threads)\n"):
    tree = pathlib.Path(tempfile.mkdtemp())
    (tree / "CMakeLists.txt").write_text(cmake)
    for path, text in files.items():
        (tree / "src" / path).parent.mkdir(parents=True, exist_ok=True)
        (tree / "src" / path).write_text(text)
    return tree


expect("the real tree", root, 0)
expect("a downward include", plant({"http/a.cpp": '#include "base/b.h"\n', "base/b.h": ""}), 0)
expect("an upward include", plant({"http/a.cpp": '#include <vector>\n#include "site/router.h"\n'}), 1,
       'a.cpp:2: http may not include "site/router.h"')
expect("a sideways include", plant({"http/a.h": '#  include "settings/settings.h"\n'}), 1,
       "http may not include")
expect("an unknown folder", plant({"misc/a.cpp": ""}), 1, "not a known layer")
expect("an upward link", plant({}, "vireo_layer(http vireo_base vireo_site)\n"), 1,
       "the http library may not link vireo_site")

for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
