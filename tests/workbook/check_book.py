"""Checks a workbook with two independent readers (xlrd and Spreadsheet::ParseExcel)
against expectations given as JSON:

{"sheets": [{"name": ..., "cells": {"r,c": {"kind": ..., "value": ..., "font": [...],
  "format": ..., "border": [...]}}, "merged": [[r1, r2, c1, c2]], "widths": {"c": w},
  "heights": {"r": twips}}], "nsheets": n}

Only the keys given are compared. Exit code 0 when both readers agree with them."""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def dump(reader, path):
    if reader == "xlrd":
        cmd = ["/usr/bin/python3", os.path.join(HERE, "read_xlrd.py"), path]
    else:
        cmd = ["perl", os.path.join(HERE, "read_parseexcel.pl"), path]
    res = subprocess.run(cmd, capture_output=True)
    if res.returncode != 0:
        raise RuntimeError("%s failed: %s" % (reader, res.stderr.decode("utf-8", "replace")))
    return json.loads(res.stdout.decode("utf-8"))


def same(a, b):
    if isinstance(a, float) or isinstance(b, float):
        try:
            return abs(float(a) - float(b)) <= 1e-9 * max(1.0, abs(float(b)))
        except (TypeError, ValueError):
            return False
    if isinstance(a, list) and isinstance(b, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    return a == b


def compare(reader, got, want, errors):
    sheets = got["sheets"]
    if "nsheets" in want and len(sheets) != want["nsheets"]:
        errors.append("%s: %d sheets, want %d" % (reader, len(sheets), want["nsheets"]))
    for i, ws in enumerate(want.get("sheets", [])):
        if i >= len(sheets):
            errors.append("%s: sheet %d missing" % (reader, i))
            continue
        gs = sheets[i]
        if "name" in ws and gs["name"] != ws["name"]:
            errors.append("%s: sheet %d name %r, want %r" % (reader, i, gs["name"], ws["name"]))
        for key, wc in ws.get("cells", {}).items():
            gc = gs["cells"].get(key)
            if gc is None:
                errors.append("%s: sheet %d cell %s missing" % (reader, i, key))
                continue
            for k, v in wc.items():
                if k == "font" and reader == "parseexcel":
                    # ParseExcel gives a bold flag, not the weight: compare the rest.
                    v = v[:2] + [700 if v[2] >= 700 else 400] + v[3:]
                if not same(gc.get(k), v):
                    errors.append("%s: sheet %d cell %s %s = %r, want %r" % (reader, i, key, k, gc.get(k), v))
        if "merged" in ws and sorted(gs["merged"]) != sorted(ws["merged"]):
            errors.append("%s: sheet %d merged %r, want %r" % (reader, i, gs["merged"], ws["merged"]))
        for col, w in ws.get("widths", {}).items():
            g = gs["widths"].get(col)
            if reader == "parseexcel":
                # ParseExcel converts widths to characters its own way: within one.
                ok = g is not None and abs(float(g) * 256 - w) < 256
            else:
                ok = g == w
            if not ok:
                errors.append("%s: sheet %d width of column %s = %r, want %r" % (reader, i, col, g, w))
        for row, h in ws.get("heights", {}).items():
            g = gs["heights"].get(row)
            if g != h:
                errors.append("%s: sheet %d height of row %s = %r, want %r" % (reader, i, row, g, h))


def main(path, expect_path):
    with open(expect_path, encoding="utf-8") as f:
        want = json.load(f)
    errors = []
    for reader in ("xlrd", "parseexcel"):
        try:
            compare(reader, dump(reader, path), want, errors)
        except RuntimeError as e:
            errors.append(str(e))
    for e in errors[:40]:
        print(e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
