# Builds the Word document of a sample project from a copy of the installation folder:
# the charts are generated, "chronava word" exports their pages, writes word.dif and
# waits for the document builder, whose progress lines it prints. With LibreOffice
# installed the document is also converted to PDF and its first pages are shown.
set -euo pipefail
dist=$CHRONAVA_BUILD/dist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dist" "$work/dist"
export QT_QPA_PLATFORM=offscreen
nam="$work/dist/Projects/SampleT1/SampleT1.nam"
"$work/dist/chronava" generate "$nam" >/dev/null
pdf=
command -v soffice >/dev/null && pdf=--pdf
echo "-- chronava word SampleT1.nam $pdf"
"$work/dist/chronava" word "$nam" $pdf 2>/dev/null | sed "s|$work/dist|DIST|g"
doc="$work/dist/Projects/SampleT1/SampleT1.docx"
pictures=$(/usr/bin/python3 -c 'import sys, zipfile; print(sum(n.startswith("word/media/") for n in zipfile.ZipFile(sys.argv[1]).namelist()))' "$doc")
echo "-- $(basename "$doc"): $pictures pictures"
if [ -n "$pdf" ] && command -v pdftotext >/dev/null; then
  echo "-- $(pdfinfo "${doc%.docx}.pdf" | grep Pages)"
  pdftotext -layout -l 2 "${doc%.docx}.pdf" - | grep -v '^\s*$'
fi
