"""Checks a book filled from the template of make_template.pl with readers of other
programs: xlrd for the defined name, the note, the hyperlink and the page break, and
Gnumeric's ssconvert for the picture, the note text and the recalculated formula that
refers to the other sheet.
Usage: check_template.py FILE EXPECTED_B4 [EXPECTED_B7]
Prints what differs; exit code 0 when nothing does."""
import gzip
import os
import subprocess
import sys
import tempfile

import xlrd


def main(path, formula_value, added_value=None):
    errors = []
    book = xlrd.open_workbook(path, formatting_info=True)
    form = book.sheet_by_name("Form")
    if "rate" not in book.name_map:
        errors.append("defined name Rate missing: %r" % list(book.name_map))
    notes = {k: v.text for k, v in form.cell_note_map.items()}
    if notes != {(1, 0): "Amount in yen"}:
        errors.append("notes %r" % notes)
    links = {k: v.url_or_path for k, v in form.hyperlink_map.items()}
    if links != {(4, 0): "http://example.com/"}:
        errors.append("hyperlinks %r" % links)
    if [b[0] for b in form.horizontal_page_breaks] != [20]:
        errors.append("page breaks %r" % form.horizontal_page_breaks)

    with tempfile.TemporaryDirectory() as tmp:
        csv = os.path.join(tmp, "form.csv")
        xml = os.path.join(tmp, "book.gnumeric")
        for args in (["--recalc", path, csv], [path, xml]):
            res = subprocess.run(["ssconvert"] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if res.returncode != 0:
                errors.append("ssconvert %s failed: %s" % (args[-1], res.stderr.decode("utf-8", "replace")))
                print("\n".join(errors))
                return 1
        rows = [line.split(",") for line in open(csv, encoding="utf-8").read().splitlines()]
        got = rows[3][1] if len(rows) > 3 and len(rows[3]) > 1 else None
        if got != formula_value:
            errors.append("recalculated B4 = %r, want %r" % (got, formula_value))
        if added_value is not None:
            got = rows[6][1] if len(rows) > 6 and len(rows[6]) > 1 else None
            if got != added_value:
                errors.append("recalculated B7 = %r, want %r" % (got, added_value))
        with gzip.open(xml, "rt", encoding="utf-8") as f:
            text = f.read()
        if "SheetObjectImage" not in text:
            errors.append("ssconvert finds no picture")
        if 'Text="Amount in yen"' not in text:
            errors.append("ssconvert finds no note")
    print("\n".join(errors))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
