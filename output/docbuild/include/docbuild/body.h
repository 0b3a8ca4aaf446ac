// The body of the document being built. It starts from the template's package (page
// size, styles, header and footer), empties the template's body, and receives the
// filled forms one after another. It keeps count of pages the way the builder lays
// them out: every target and every source starts a page, every picture has a page of
// its own, so the contents can give page numbers before any office program lays out
// the document.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "docbuild/package.h"
#include "docbuild/pictures.h"

namespace pugi {
class xml_document;
class xml_node;
}  // namespace pugi

namespace docbuild {

// The values that replace the tags of a form ("$PRJ" → project name, ...).
using TagValues = std::map<std::string, std::string>;

// A picture page for "$FIG": the metafile's bytes and its description.
struct PicturePage {
    std::string bytes;
    std::string name;
};

// A heading met in the body, for the contents.
struct Heading {
    std::string text;
    int level = 1;      // 1..3
    int page = 1;       // counted before the contents' own length is known
    bool afterContents = false;
    std::string bookmark;
};

class DocumentBody {
public:
    DocumentBody();
    ~DocumentBody();
    DocumentBody(const DocumentBody&) = delete;
    DocumentBody& operator=(const DocumentBody&) = delete;

    // Takes the template. An empty string on success, else what is wrong with it.
    std::string loadTemplate(const std::string& path);

    // Appends one copy of the form at `formPath` with its tags replaced. "$FIG" becomes
    // one paragraph per picture; "$TOC" marks where the contents go (with `contents`
    // and no "$TOC" in the form, they follow its text). `newPage` starts the copy on a
    // new page. An empty string on success, else the reason.
    std::string appendForm(const std::string& formPath, const TagValues& values,
                           const std::vector<PicturePage>& pictures, bool newPage, bool contents = false);

    // Replaces the contents mark with a table of contents of every heading, with page
    // numbers (lower-case roman when `roman`), and asks the reader to update it on open.
    void buildContents(bool roman);

    // Page numbers of the whole document in lower-case roman numerals.
    void setRomanPageNumbers();

    // Writes the document through a temporary file. An empty string on success.
    std::string save(const std::string& path);

    int pageCount() const { return page_; }
    const std::vector<Heading>& headings() const { return headings_; }

    // Size of the text area in EMU, from the template's section.
    std::int64_t textWidth() const { return textCx_; }
    std::int64_t textHeight() const { return textCy_; }

private:
    struct Form;
    std::string loadForm(const std::string& path, Form& form);
    std::string addPicturePart(const std::string& bytes);
    void collectHeadings(pugi::xml_node node);
    int headingLevel(pugi::xml_node paragraph) const;

    Package pkg_;
    std::unique_ptr<pugi::xml_document> doc_;
    std::unique_ptr<pugi::xml_document> rels_;
    std::map<std::string, int> outlineLevels_;  // style id → level 1..9
    std::map<std::string, std::unique_ptr<Form>> forms_;
    std::vector<Heading> headings_;
    std::set<std::string> defaultTypes_;  // extensions of the pictures, with the dot
    std::int64_t textCx_ = 0, textCy_ = 0;
    int page_ = 0;           // current page (0 before anything is placed)
    int nextRel_ = 1;
    int nextDrawing_ = 1;
    int nextMedia_ = 1;
    int nextBookmark_ = 1;
    bool contentsPlaced_ = false;
};

// Replaces the tags in the text of one paragraph, also where an editor split a tag
// across several runs. Known tags are "$" and three letters; a tag without a value is
// replaced by nothing. Returns the number of tags replaced. Exposed for tests.
int replaceTags(pugi::xml_node paragraph, const TagValues& values);

// "i", "ii", ... for 1..3999; larger numbers in digits.
std::string romanNumeral(int n);

}  // namespace docbuild
