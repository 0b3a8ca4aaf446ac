"""Dumps a workbook as JSON through xlrd (formatting_info=True): sheets, cells with their
fonts and formats, merged areas, column widths and row heights."""
import json
import sys

import xlrd


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    out = {"biff": book.biff_version, "sheets": []}
    for sh in book.sheets():
        cells = {}
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                xf = book.xf_list[cell.xf_index]
                font = book.font_list[xf.font_index]
                fmt = book.format_map[xf.format_key].format_str
                kind = {1: "text", 2: "number", 6: "blank"}.get(cell.ctype, str(cell.ctype))
                cells["%d,%d" % (r, c)] = {
                    "kind": kind,
                    "value": cell.value,
                    "font": [font.name, font.height, font.weight, font.italic, font.colour_index],
                    "format": fmt,
                    "halign": xf.alignment.hor_align,
                    "fill": [xf.background.fill_pattern, xf.background.pattern_colour_index,
                             xf.background.background_colour_index],
                    "pattern": [xf.background.fill_pattern, xf.background.pattern_colour_index],
                    "border": [xf.border.top_line_style, xf.border.bottom_line_style,
                               xf.border.left_line_style, xf.border.right_line_style],
                }
        out["sheets"].append({
            "name": sh.name,
            "cells": cells,
            "merged": sorted([r1, r2 - 1, c1, c2 - 1] for r1, r2, c1, c2 in sh.merged_cells),
            "widths": {str(k): v.width for k, v in sh.colinfo_map.items()},
            "heights": {str(k): v.height for k, v in sh.rowinfo_map.items() if v.height != 270},
        })
    json.dump(out, sys.stdout, ensure_ascii=False, sort_keys=True)


if __name__ == "__main__":
    main(sys.argv[1])
