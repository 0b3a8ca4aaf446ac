// Markup of the table of contents field.
#include "docbuild/contents.h"

#include <algorithm>

namespace docbuild {

namespace {

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string run(const std::string& inner) { return "<w:r>" + inner + "</w:r>"; }
std::string fieldChar(const char* type) { return run(std::string("<w:fldChar w:fldCharType=\"") + type + "\"/>"); }
std::string text(const std::string& t) { return run("<w:t xml:space=\"preserve\">" + escape(t) + "</w:t>"); }

}  // namespace

std::string contentsXml(const std::vector<Heading>& headings, bool roman, long tabPos) {
    const std::string begin = fieldChar("begin") + run("<w:instrText xml:space=\"preserve\"> TOC \\o \"1-3\" \\h \\z \\u </w:instrText>") +
                              fieldChar("separate");
    std::string xml;
    if (headings.empty()) {
        xml += "<w:p>" + begin + text(kNoContentsText) + "</w:p>";
    }
    for (std::size_t i = 0; i < headings.size(); ++i) {
        const Heading& h = headings[i];
        int level = std::clamp(h.level, 1, 3);
        std::string number = roman ? romanNumeral(h.page) : std::to_string(h.page);
        xml += "<w:p><w:pPr><w:pStyle w:val=\"TOC" + std::to_string(level) + "\"/><w:tabs><w:tab w:val=\"right\" w:leader=\"dot\" w:pos=\"" +
               std::to_string(tabPos) + "\"/></w:tabs></w:pPr>";
        if (i == 0) xml += begin;
        xml += "<w:hyperlink w:anchor=\"" + h.bookmark + "\" w:history=\"1\">" + text(h.text) + run("<w:tab/>") +
               fieldChar("begin") + run("<w:instrText xml:space=\"preserve\"> PAGEREF " + h.bookmark + " \\h </w:instrText>") +
               fieldChar("separate") + text(number) + fieldChar("end") + "</w:hyperlink></w:p>";
    }
    xml += "<w:p>" + fieldChar("end") + "</w:p>";
    return xml;
}

std::string romanNumeral(int n) {
    if (n <= 0 || n >= 4000) return std::to_string(n);
    static const struct {
        int value;
        const char* text;
    } kSteps[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                  {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},   {1, "i"}};
    std::string out;
    for (const auto& s : kSteps) {
        while (n >= s.value) {
            out += s.text;
            n -= s.value;
        }
    }
    return out;
}

}  // namespace docbuild
