// The table of contents: a TOC field over the headings of the document whose entries
// are already filled in (text, dotted tab, page number, link to the heading), so the
// contents read right in programs that do not update fields, and are refreshed by
// those that do.
#pragma once

#include <string>
#include <vector>

#include "docbuild/body.h"

namespace docbuild {

// Entries that fit one page of contents, for counting the pages the contents take.
inline constexpr int kContentsEntriesPerPage = 35;

// The paragraphs of the contents field (w:p elements, no root). `tabPos` is the right
// edge of the text area in twips, where the page numbers stand.
std::string contentsXml(const std::vector<Heading>& headings, bool roman, long tabPos);

// The text shown when the document has no headings.
inline constexpr const char* kNoContentsText = "目次項目が見つかりません。";

}  // namespace docbuild
