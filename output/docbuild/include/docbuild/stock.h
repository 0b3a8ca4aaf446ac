// The stock template and forms that the installation ships: plain .docx files a user
// can edit in any office suite. The template gives A4 portrait pages, the styles the
// forms use (headings, contents entries) and a footer with the page number; each form
// holds the tags its target fills in.
#pragma once

#include <string>

namespace docbuild {

// Writes a document whose body is `bodyXml` (w:p and w:tbl elements), with the stock
// styles and page setup; `footer` adds the page number footer. False on a write error.
bool writeStockDocument(const std::string& path, const std::string& bodyXml, bool footer);

// Writes the template "rq4100.docx" and the forms under "Forms/Word/A4縦/" of the
// installation folder. False on a write error.
bool writeStockFiles(const std::string& installDir);

}  // namespace docbuild
