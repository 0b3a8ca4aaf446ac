// The stock template and forms, written with the builder's own container writer.
#include "docbuild/stock.h"

#include "base/files.h"
#include "base/names.h"
#include "docbuild/package.h"

namespace docbuild {

namespace {

constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string styles() {
    // Mincho for text, Gothic for headings; sizes in half-points.
    auto fonts = [](const char* face) {
        return std::string("<w:rFonts w:ascii=\"") + face + "\" w:hAnsi=\"" + face + "\" w:eastAsia=\"" + face +
               "\" w:cs=\"" + face + "\"/>";
    };
    std::string s = std::string(kDecl) + "<w:styles xmlns:w=\"" + kW + "\">";
    s += "<w:docDefaults><w:rPrDefault><w:rPr>" + fonts("IPAMincho") +
         "<w:sz w:val=\"21\"/><w:lang w:val=\"en-US\" w:eastAsia=\"ja-JP\"/></w:rPr></w:rPrDefault>"
         "<w:pPrDefault><w:pPr><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault>"
         "</w:docDefaults>";
    s += "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/><w:qFormat/></w:style>";
    s += "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/><w:basedOn w:val=\"Normal\"/>"
         "<w:qFormat/><w:pPr><w:jc w:val=\"center\"/><w:spacing w:before=\"3600\" w:after=\"720\"/></w:pPr>"
         "<w:rPr>" + fonts("IPAGothic") + "<w:b/><w:sz w:val=\"56\"/></w:rPr></w:style>";
    s += "<w:style w:type=\"paragraph\" w:styleId=\"Subtitle\"><w:name w:val=\"Subtitle\"/><w:basedOn w:val=\"Normal\"/>"
         "<w:qFormat/><w:pPr><w:jc w:val=\"center\"/><w:spacing w:after=\"240\"/></w:pPr>"
         "<w:rPr>" + fonts("IPAGothic") + "<w:sz w:val=\"32\"/></w:rPr></w:style>";
    for (int level = 1; level <= 3; ++level) {
        std::string n = std::to_string(level);
        s += "<w:style w:type=\"paragraph\" w:styleId=\"Heading" + n + "\"><w:name w:val=\"heading " + n +
             "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/>"
             "<w:spacing w:before=\"120\" w:after=\"120\"/><w:outlineLvl w:val=\"" + std::to_string(level - 1) +
             "\"/></w:pPr><w:rPr>" + fonts("IPAGothic") + "<w:b/><w:sz w:val=\"" + std::to_string(32 - 4 * level) +
             "\"/></w:rPr></w:style>";
    }
    s += "<w:style w:type=\"paragraph\" w:styleId=\"TOCHeading\"><w:name w:val=\"TOC Heading\"/><w:basedOn w:val=\"Normal\"/>"
         "<w:next w:val=\"Normal\"/><w:pPr><w:jc w:val=\"center\"/><w:spacing w:before=\"240\" w:after=\"480\"/></w:pPr>"
         "<w:rPr>" + fonts("IPAGothic") + "<w:b/><w:sz w:val=\"36\"/></w:rPr></w:style>";
    for (int level = 1; level <= 3; ++level) {
        std::string n = std::to_string(level);
        s += "<w:style w:type=\"paragraph\" w:styleId=\"TOC" + n + "\"><w:name w:val=\"toc " + n +
             "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:pPr><w:spacing w:after=\"100\"/>"
             "<w:ind w:left=\"" + std::to_string(240 * (level - 1)) + "\"/></w:pPr></w:style>";
    }
    s += "<w:style w:type=\"paragraph\" w:styleId=\"Footer\"><w:name w:val=\"footer\"/><w:basedOn w:val=\"Normal\"/>"
         "<w:pPr><w:jc w:val=\"center\"/></w:pPr></w:style>";
    s += "<w:style w:type=\"paragraph\" w:styleId=\"Figure\"><w:name w:val=\"Figure\"/><w:basedOn w:val=\"Normal\"/>"
         "<w:pPr><w:jc w:val=\"center\"/></w:pPr></w:style>";
    s += "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\"><w:name w:val=\"Default Paragraph Font\"/></w:style>";
    s += "</w:styles>";
    return s;
}

std::string para(const std::string& style, const std::string& text) {
    return "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr><w:r><w:t xml:space=\"preserve\">" + text +
           "</w:t></w:r></w:p>";
}

}  // namespace

bool writeStockDocument(const std::string& path, const std::string& bodyXml, bool footer) {
    Package pkg;
    pkg.setPart("[Content_Types].xml",
                std::string(kDecl) +
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                    "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                    "<Override PartName=\"/word/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
                    "<Override PartName=\"/word/settings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/>" +
                    (footer ? "<Override PartName=\"/word/footer1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml\"/>"
                            : "") +
                    "</Types>");
    pkg.setPart("_rels/.rels", std::string(kDecl) +
                                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                   "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
                                   "</Relationships>");
    pkg.setPart("word/_rels/document.xml.rels",
                std::string(kDecl) +
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
                    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/>" +
                    (footer ? "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer\" Target=\"footer1.xml\"/>"
                            : "") +
                    "</Relationships>");
    pkg.setPart("word/styles.xml", styles());
    pkg.setPart("word/settings.xml", std::string(kDecl) + "<w:settings xmlns:w=\"" + kW +
                                         "\"><w:defaultTabStop w:val=\"840\"/><w:compat/></w:settings>");
    if (footer)
        pkg.setPart("word/footer1.xml",
                    std::string(kDecl) + "<w:ftr xmlns:w=\"" + kW + "\" xmlns:r=\"" + kR +
                        "\"><w:p><w:pPr><w:pStyle w:val=\"Footer\"/></w:pPr>"
                        "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> PAGE </w:instrText></w:r>"
                        "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>1</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
                        "</w:p></w:ftr>");
    // A4 portrait, 20 mm margins left and right, 25 mm top and bottom.
    std::string sect = "<w:sectPr>" +
                       std::string(footer ? "<w:footerReference w:type=\"default\" r:id=\"rId3\"/>" : "") +
                       "<w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
                       "<w:pgMar w:top=\"1418\" w:right=\"1134\" w:bottom=\"1418\" w:left=\"1134\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/>"
                       "</w:sectPr>";
    pkg.setPart("word/document.xml", std::string(kDecl) + "<w:document xmlns:w=\"" + kW + "\" xmlns:r=\"" + kR +
                                         "\"><w:body>" + bodyXml + sect + "</w:body></w:document>");
    return pkg.save(path) == PackageError::None;
}

bool writeStockFiles(const std::string& installDir) {
    std::string forms = base::joinPath(installDir, "Forms/Word/A4縦");
    if (!base::makeDirectories(forms)) return false;
    // The template the record names by default, and a copy beside the forms, where the
    // options page's folder picker looks for "word.dot".
    bool ok = writeStockDocument(base::joinPath(installDir, "rq4100.docx"), para("Normal", ""), true);
    ok = ok && writeStockDocument(base::joinPath(forms, "word.docx"), para("Normal", ""), true);
    ok = ok && writeStockDocument(base::joinPath(forms, "表紙.docx"),
                                  para("Title", "$SYS") + para("Subtitle", "タイミングチャート") +
                                      para("Subtitle", "プロジェクト: $PRJ") + para("Subtitle", "$DTD"),
                                  true);
    ok = ok && writeStockDocument(base::joinPath(forms, "目次.docx"), para("TOCHeading", "目次") + para("Normal", "$TOC"), true);
    ok = ok && writeStockDocument(base::joinPath(forms, "タイミングチャート.docx"),
                                  para("Heading1", "$TLN") + para("Figure", "$FIG"), true);
    return ok;
}

}  // namespace docbuild
