#!/usr/bin/env python3
"""Writes the bitmaps and dialog templates of effect/resources/velmora.rc as a C++ source of data
the Linux module carries, for the stand-in of the Win32 calls (platform/win32_ui_posix.cpp). The
.rc stays the one description of both builds' resources: the Linux build runs this whenever the
.rc or a bitmap changes.

Usage: embed_resources.py OUTPUT.cpp"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
RC = ROOT / "effect" / "resources" / "velmora.rc"

# The style names the dialog uses, with their Windows values.
STYLES = {
    "DS_MODALFRAME": 0x80, "DS_CENTER": 0x800, "DS_3DLOOK": 0x4, "DS_SETFONT": 0x40,
    "WS_POPUP": 0x80000000, "WS_CAPTION": 0x00C00000, "WS_SYSMENU": 0x00080000,
    "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000, "WS_TABSTOP": 0x00010000, "WS_GROUP": 0x00020000,
    "SS_LEFT": 0x0, "SS_BITMAP": 0xE, "SS_REALSIZEIMAGE": 0x800, "SS_SUNKEN": 0x1000,
    "BS_PUSHBUTTON": 0x0, "BS_DEFPUSHBUTTON": 0x1,
}
# The short control statements: class and the styles they imply.
STATEMENTS = {
    "LTEXT": ("STATIC", STYLES["SS_LEFT"] | STYLES["WS_GROUP"]),
    "PUSHBUTTON": ("BUTTON", STYLES["BS_PUSHBUTTON"] | STYLES["WS_TABSTOP"]),
    "DEFPUSHBUTTON": ("BUTTON", STYLES["BS_DEFPUSHBUTTON"] | STYLES["WS_TABSTOP"]),
}


def style_value(expr):
    value = 0
    for name in expr.split("|"):
        name = name.strip()
        if name not in STYLES:
            sys.exit(f"embed_resources: unknown style {name}")
        value |= STYLES[name]
    return value


def split_args(text):
    """Splits a statement's arguments at commas outside quotes."""
    args, cur, quoted = [], "", False
    for ch in text:
        if ch == '"':
            quoted = not quoted
        if ch == "," and not quoted:
            args.append(cur.strip())
            cur = ""
        else:
            cur += ch
    args.append(cur.strip())
    return args


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def c_bytes(data):
    """A string literal of the bytes, octal escapes for all but plain characters, in short lines."""
    lines, cur = [], ""
    for b in data:
        ch = chr(b)
        if 32 <= b < 127 and ch not in '\\"?':
            cur += ch
        else:
            cur += "\\%03o" % b
        if len(cur) >= 96:
            lines.append('"' + cur + '"')
            cur = ""
    if cur:
        lines.append('"' + cur + '"')
    return "\n    ".join(lines)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: embed_resources.py OUTPUT.cpp")
    out_path = Path(sys.argv[1])
    rc = RC.read_text()
    bitmaps = [(int(m.group(1)), m.group(2)) for m in re.finditer(r'^(\d+)\s+BITMAP\s+"([^"]+)"', rc, re.M)]
    dialogs = []
    for m in re.finditer(r'^(\d+)\s+DIALOGEX\s+([^\n]+)\n(.*?)^BEGIN\n(.*?)^END', rc, re.M | re.S):
        rect = [int(v) for v in split_args(m.group(2))]
        head, body = m.group(3), m.group(4)
        caption = re.search(r'^CAPTION\s+"([^"]*)"', head, re.M).group(1)
        font = re.search(r'^FONT\s+(\d+),\s*"([^"]*)"', head, re.M)
        style = style_value(re.search(r'^STYLE\s+(.+)$', head, re.M).group(1))
        controls = []
        for line in body.splitlines():
            line = line.split("//")[0].strip()
            if not line:
                continue
            word, rest = line.split(None, 1)
            args = split_args(rest)
            if word == "CONTROL":
                text, cid, cls, cstyle = args[0], int(args[1]), args[2].strip('"'), style_value(args[3])
                if not text.startswith('"'):
                    text = "#" + text          # a resource ordinal, as Windows writes it
                x, y, w, h = (int(v) for v in args[4:8])
            elif word in STATEMENTS:
                text, cid = args[0], int(args[1])
                cls, cstyle = STATEMENTS[word]
                x, y, w, h = (int(v) for v in args[2:6])
            else:
                sys.exit(f"embed_resources: unknown dialog statement {word}")
            controls.append((cid, cls, text.strip('"'), cstyle, x, y, w, h))
        dialogs.append((int(m.group(1)), caption, font.group(2), int(font.group(1)), style, rect[2], rect[3],
                        controls))

    out = ["// Made by scripts/embed_resources.py from effect/resources/velmora.rc at build time.",
           "// The module's bitmaps and dialog templates for the Win32 stand-in of the Linux build.",
           "#if !defined(_WIN32)",
           '#include "platform/win32_ui.h"', ""]
    out.append("namespace {")
    for rid, path in bitmaps:
        data = (ROOT / path).read_bytes()
        out.append(f"// {path}, {len(data)} bytes")
        out.append(f"const char Bitmap{rid}[] =\n    {c_bytes(data)};")
    for did, _, _, _, _, _, _, controls in dialogs:
        out.append(f"const StandInControlTemplate Dialog{did}Controls[] = {{")
        for cid, cls, text, cstyle, x, y, w, h in controls:
            out.append(f"    {{{cid}, {c_string(cls)}, {c_string(text)}, 0x{cstyle:X}u, {x}, {y}, {w}, {h}}},")
        out.append("};")
    out.append("} // namespace\n")
    out.append("const StandInBitmapResource StandInBitmaps[] = {")
    for rid, path in bitmaps:
        size = len((ROOT / path).read_bytes())
        out.append(f"    {{{rid}, reinterpret_cast<const unsigned char*>(Bitmap{rid}), {size}}},")
    out.append("};")
    out.append("const size_t StandInBitmapCount = sizeof StandInBitmaps / sizeof StandInBitmaps[0];\n")
    out.append("const StandInDialogTemplate StandInDialogs[] = {")
    for did, caption, font, points, style, w, h, controls in dialogs:
        out.append(f"    {{{did}, {c_string(caption)}, {c_string(font)}, {points}, 0x{style:X}u, {w}, {h}, "
                   f"Dialog{did}Controls, {len(controls)}}},")
    out.append("};")
    out.append("const size_t StandInDialogCount = sizeof StandInDialogs / sizeof StandInDialogs[0];")
    out.append("#endif")
    # Written under another name and renamed, so an interrupted run leaves no half source behind.
    part = out_path.with_name(out_path.name + ".part")
    part.write_text("\n".join(out) + "\n")
    part.replace(out_path)


if __name__ == "__main__":
    main()
