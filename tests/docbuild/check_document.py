"""Checks a document of the builder with readers that are not ours.

python-docx reads its structure (paragraphs, one inline picture per chart page);
LibreOffice lays it out and converts it to PDF once; poppler's pdftotext shows the
text of every page, so the contents' page numbers can be compared with the pages
the headings really landed on.
Usage: check_document.py SAMPLE-PROGRAM
"""
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile

import docx


def main():
    sample = sys.argv[1]
    work = tempfile.mkdtemp(prefix="docbuild-check-")
    try:
        out = subprocess.run([sample, work], check=True, capture_output=True, text=True).stdout.strip()
        document = docx.Document(out)
        texts = [p.text for p in document.paragraphs]
        assert "搬送ライン制御" in texts, texts
        assert len(document.inline_shapes) == 3, len(document.inline_shapes)
        for shape in document.inline_shapes:
            assert shape.width <= document.sections[0].page_width - document.sections[0].left_margin \
                - document.sections[0].right_margin, shape.width

        # One conversion with a profile of its own.
        pdf_dir = os.path.join(work, "pdf")
        os.mkdir(pdf_dir)
        plain = os.path.join(work, "doc.docx")
        shutil.copy(out, plain)
        subprocess.run(["soffice", "-env:UserInstallation=file://" + work + "/lo", "--headless",
                        "--convert-to", "pdf", "--outdir", pdf_dir, plain],
                       check=True, capture_output=True)
        pdf = os.path.join(pdf_dir, "doc.pdf")
        pages = subprocess.run(["pdftotext", "-layout", pdf, "-"], check=True, capture_output=True,
                               text=True).stdout.split("\f")
        pages = [p for p in pages if p.strip()]
        assert len(pages) == 5, len(pages)
        today = datetime.date.today()
        date = "%4d 年 %2d 月 %2d 日" % (today.year, today.month, today.day)
        assert re.sub(r"\s+", "", date) in re.sub(r"\s+", "", pages[0]), pages[0]
        assert "プロジェクト: ライン" in pages[0]
        # The contents name each source with the page LibreOffice put it on.
        entries = dict(re.findall(r"^\s*(\S+?)\.{3,}\s*(\d+)\s*$", pages[1], re.M))
        assert entries == {"conveyor.klg": "3", "sub/press.log": "5"}, entries
        for title, number in entries.items():
            assert title in pages[int(number) - 1], (title, number)
        print("ok")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
