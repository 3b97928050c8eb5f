#!/usr/bin/python3
"""Builds the user manual: the Markdown chapters of this folder, in the order of their file names,
become one HTML file that needs nothing beside it. Every picture is carried inside as a data: URI,
so the file can be copied anywhere (the installer writes it beside the programs, the Debian package
into /usr/share/doc) and opened from there by any browser.

    build_manual.py OUTPUT.html VERSION
"""

import base64
import html
import mimetypes
import re
import sys
from pathlib import Path

import markdown

HERE = Path(__file__).resolve().parent
ICON = HERE.parent.parent / "data" / "icons" / "scalable" / "quillmark-vireo.svg"

STYLE = """
body { font-family: "DejaVu Sans", "Noto Sans", sans-serif; line-height: 1.5; color: #1a1a1a;
       max-width: 56em; margin: 0 auto; padding: 1em 2em 4em; }
header { display: flex; align-items: center; gap: 1em; border-bottom: 2px solid #2a5d8f; }
header img { width: 64px; height: 64px; }
h1, h2, h3 { color: #2a5d8f; }
h2 { border-bottom: 1px solid #ccd; padding-bottom: .2em; margin-top: 2.2em; }
code, pre { font-family: "DejaVu Sans Mono", monospace; background: #f3f4f7; }
code { padding: 0 .2em; }
pre { padding: .6em 1em; overflow-x: auto; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #ccd; padding: .3em .6em; text-align: left; vertical-align: top; }
th { background: #eef1f6; }
img.shot { display: block; max-width: 100%; border: 1px solid #bbb; margin: 1em 0;
           box-shadow: 2px 2px 6px rgba(0, 0, 0, .15); }
nav.toc ul { list-style: none; padding-left: 1.2em; }
nav.toc > ul { padding-left: 0; }
.note { background: #fff8dc; border-left: 4px solid #e0b000; padding: .5em 1em; }
"""


def data_uri(path: Path) -> str:
    kind = mimetypes.guess_type(path.name)[0] or "application/octet-stream"
    return f"data:{kind};base64," + base64.b64encode(path.read_bytes()).decode("ascii")


def inline_images(body: str) -> str:
    """Replaces every <img src="relative path"> by the picture's bytes; a missing picture stops the
    build rather than leaving a hole in the manual."""

    def replace(match: re.Match) -> str:
        source = html.unescape(match.group(2))
        if source.startswith("data:"):
            return match.group(0)
        picture = (HERE / source).resolve()
        if not picture.is_file():
            sys.exit(f"build_manual: the manual shows {source}, which does not exist")
        return f'{match.group(1)}"{data_uri(picture)}" class="shot"'

    return re.sub(r'(<img[^>]*?\bsrc=)"([^"]+)"', replace, body)


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    output, version = Path(sys.argv[1]), sys.argv[2]
    chapters = sorted(HERE.glob("[0-9][0-9]-*.md"))
    if not chapters:
        sys.exit("build_manual: no chapters found")
    # One converter for the whole text, so heading anchors stay unique across chapters and the
    # table of contents covers them all.
    converter = markdown.Markdown(extensions=["tables", "toc", "attr_list", "fenced_code", "sane_lists"],
                                  extension_configs={"toc": {"toc_depth": "1-2"}})
    text = "\n\n".join(chapter.read_text(encoding="utf-8") for chapter in chapters)
    body = converter.convert(text)
    body = inline_images(body)  # pictures are named relative to this folder
    page = f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Vireo {html.escape(version)} User Manual</title>
<link rel="icon" href="{data_uri(ICON)}">
<style>{STYLE}</style>
</head>
<body>
<header><img src="{data_uri(ICON)}" alt=""><h1>Vireo {html.escape(version)} User Manual</h1></header>
<nav class="toc"><h2>Contents</h2>{converter.toc}</nav>
{body}
</body>
</html>
"""
    # Written under another name and renamed, so a failed build never leaves half a manual.
    partial = output.with_name(output.name + ".part")
    partial.write_text(page, encoding="utf-8")
    partial.replace(output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
