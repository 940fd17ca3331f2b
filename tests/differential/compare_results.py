#!/usr/bin/env python3
"""compare_results.py NATIVE WINDOWS [FOLDER]

Compares what differential_runner wrote for the native build and for the Windows build under Wine,
document by document: exit code, every value below the product's key (name, type, data) and every
box (caption and text). In a box that quotes the XML parser's reason for a load error, the reason's
first line is each parser's own wording and is only required to be there; the line number and the
source line are compared where Wine's MSXML gives them (it gives neither: its parse errors carry
line 0 and no source text, unlike MSXML on Windows). Prints each divergence (with the document's
text when FOLDER is given) and a summary line; exits 1 when any document diverged.
"""
import sys

IMPORT_ERROR = "| Could not import the program configuration due to the following error:"


def read_results(path):
    runs = {}
    order = []
    with open(path, "rb") as source:
        lines = source.read().decode("cp1252", "replace").split("\n")
    name = None
    for line in lines:
        if line.startswith("document "):
            name = line[len("document "):]
            runs[name] = []
            order.append(name)
        elif line == "end":
            name = None
        elif name is not None:
            runs[name].append(line)
    return runs, order


def normalised(lines, line_known):
    """The run's lines with what the two parsers may word differently taken out."""
    out = []
    i = 0
    while i < len(lines):
        line = lines[i]
        out.append(line)
        i += 1
        if line == IMPORT_ERROR and i < len(lines):
            reason = lines[i]
            i += 1
            # A load error: reason, "Line: N", source text; other import errors have no "Line:".
            if i < len(lines) and lines[i].startswith("| Line: "):
                out.append("| <parser reason>" if reason != "| " else "| <no reason>")
                if line_known:
                    out.extend(lines[i:i + 2])
                else:
                    out.append("| Line: <not given by Wine>")
                    out.append("| <source not given by Wine>")
                i += 2
            else:
                out.append(reason)
    return out


def wine_gives_lines(lines):
    return not any(line == "| Line: 0" for line in lines)


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit("usage: compare_results.py NATIVE WINDOWS [FOLDER]")
    native, order = read_results(sys.argv[1])
    windows, _ = read_results(sys.argv[2])
    folder = sys.argv[3] if len(sys.argv) == 4 else None
    diverged = 0
    missing = 0
    for name in order:
        if name not in windows:
            missing += 1
            print("%s: no result from the Windows build" % name)
            continue
        known = wine_gives_lines(windows[name])
        a = normalised(native[name], known)
        b = normalised(windows[name], known)
        if a == b:
            continue
        diverged += 1
        print("=== %s diverges" % name)
        print("--- native build")
        print("\n".join(native[name]))
        print("--- Windows build under Wine")
        print("\n".join(windows[name]))
        if folder:
            with open("%s/%s" % (folder, name), "rb") as document:
                print("--- document (bytes)")
                print(repr(document.read()))
    same = len(order) - diverged - missing
    print("differential: %d passed, %d failed" % (same, diverged + missing))
    return 0 if diverged == 0 and missing == 0 and order else 1


if __name__ == "__main__":
    sys.exit(main())
