// The document builder end to end: definition file in, .docx and progress file out,
// including the failures that must end with a reason and "終了".
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/files.h"
#include "docbuild/builder.h"
#include "docbuild/package.h"
#include "docbuild/stock.h"
#include "fixture.h"

namespace {

using docbuild_test::Fixture;

struct Built {
    int rc = -1;
    std::vector<std::string> log;
    std::string documentXml;
    docbuild::Package pkg;
};

Built run(Fixture& f, std::string* opened = nullptr) {
    Built b;
    docbuild::BuildOptions opt;
    opt.date = "2026 年 12 月  8 日";
    opt.openDocument = [opened](const std::string& p) {
        if (opened) *opened = p;
        return true;
    };
    b.rc = docbuild::buildDocument(f.install, opt);
    b.log = docbuild_test::readProgress(f.progressFile());
    if (b.pkg.load(f.documentPath()) == docbuild::PackageError::None && b.pkg.part("word/document.xml"))
        b.documentXml = *b.pkg.part("word/document.xml");
    return b;
}

// Texts of the paragraphs with the given style, their runs joined.
std::vector<std::string> styledTexts(const std::string& xml, const std::string& style) {
    pugi::xml_document d;
    d.load_string(xml.c_str());
    std::vector<std::string> out;
    for (auto x : d.select_nodes(("//w:p[w:pPr/w:pStyle/@w:val='" + style + "']").c_str())) {
        std::string s;
        for (auto t : x.node().select_nodes(".//w:t")) s += t.node().text().get();
        out.push_back(s);
    }
    return out;
}

bool endsWithFailure(const std::vector<std::string>& log, const std::string& reasonPart) {
    return log.size() >= 2 && log.back().find("終了") != std::string::npos &&
           log.back() == docbuild::kFailedLine && log[log.size() - 2].find(reasonPart) != std::string::npos;
}

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = docbuild_test::makeTempDir();
        f.create(root);
    }
    void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
    std::string root;
    Fixture f;
};

TEST_F(BuilderTest, CoverContentsAndChartsMakeOneDocumentWithPageNumberedContents) {
    f.writeDefinition({"CVP", "IDX", "TCT"});
    Built b = run(f);
    ASSERT_EQ(b.rc, 0) << (b.log.empty() ? "" : b.log.back());
    bool crlf = false;
    docbuild_test::readProgress(f.progressFile(), &crlf);
    EXPECT_TRUE(crlf);
    ASSERT_GE(b.log.size(), 3u);
    EXPECT_EQ(b.log.back(), docbuild::kDoneLine);
    EXPECT_NE(b.log[b.log.size() - 2].find("[Word : " + f.documentPath() + "]"), std::string::npos);

    // Tags replaced from the definition file and the project information file.
    EXPECT_NE(b.documentXml.find("搬送ライン制御"), std::string::npos);
    EXPECT_NE(b.documentXml.find("プロジェクト: ライン"), std::string::npos);
    EXPECT_NE(b.documentXml.find("2026 年 12 月  8 日"), std::string::npos);
    EXPECT_EQ(b.documentXml.find("$"), std::string::npos);

    // One picture per exported page, each its own part.
    int media = 0;
    for (const auto& [name, bytes] : b.pkg.parts()) media += name.rfind("word/media/", 0) == 0;
    EXPECT_EQ(media, 3);
    EXPECT_NE(b.pkg.part("[Content_Types].xml")->find("image/x-wmf"), std::string::npos);

    // Cover on page 1, contents on 2, the first source's two pages 3 and 4, then 5.
    EXPECT_EQ(styledTexts(b.documentXml, "Heading1"), (std::vector<std::string>{"conveyor.klg", "sub/press.log"}));
    EXPECT_EQ(styledTexts(b.documentXml, "TOC1"), (std::vector<std::string>{"conveyor.klg3", "sub/press.log5"}));
    EXPECT_NE(b.documentXml.find(" TOC \\o"), std::string::npos);
    EXPECT_NE(b.pkg.part("word/settings.xml")->find("updateFields"), std::string::npos);
}

TEST_F(BuilderTest, RomanOptionNumbersContentsAndPagesInRomanAndVisibleRunOpensTheDocument) {
    f.roman = true;
    f.visible = true;
    f.writeDefinition({"IDX", "CVP", "TCT"});
    std::string opened;
    Built b = run(f, &opened);
    ASSERT_EQ(b.rc, 0);
    EXPECT_EQ(opened, f.documentPath());
    // Contents on page i, cover ii, charts iii to v.
    EXPECT_EQ(styledTexts(b.documentXml, "TOC1"), (std::vector<std::string>{"conveyor.klgiii", "sub/press.logv"}));
    EXPECT_NE(b.documentXml.find("lowerRoman"), std::string::npos);
}

TEST_F(BuilderTest, HiddenRunDoesNotOpenTheDocumentAndUnknownTargetsAreSkipped) {
    f.writeDefinition({"TCT", "FCL"});
    std::string opened;
    Built b = run(f, &opened);
    ASSERT_EQ(b.rc, 0);
    EXPECT_TRUE(opened.empty());
    bool skipped = false;
    for (const auto& l : b.log) skipped = skipped || l.find("[FCL]") != std::string::npos;
    EXPECT_TRUE(skipped);
}

TEST_F(BuilderTest, ManySourcesPushTheContentsOntoMorePagesAndTheEntriesFollow) {
    f.sources.clear();
    for (int i = 0; i < 40; ++i) {
        char title[16], stem[16];
        std::snprintf(title, sizeof title, "log%d", i);
        std::snprintf(stem, sizeof stem, "c%d", i);
        f.sources.push_back({title, stem, 0});
    }
    f.writeDefinition({"IDX", "TCT"});
    Built b = run(f);
    ASSERT_EQ(b.rc, 0);
    auto toc = styledTexts(b.documentXml, "TOC1");
    ASSERT_EQ(toc.size(), 40u);
    EXPECT_EQ(toc.front(), "log03");  // contents take pages 1 and 2
    EXPECT_EQ(toc.back(), "log3942");
}

TEST_F(BuilderTest, FailuresEndWithAReasonAndTheEndLineAndKeepThePreviousDocument) {
    f.writeDefinition({"CVP", "TCT"});
    ASSERT_EQ(run(f).rc, 0);
    const std::string previous = docbuild_test::readAll(f.documentPath());
    const std::string chartForm = f.install + "/Forms/Word/A4縦/タイミングチャート.docx";
    const std::string goodForm = docbuild_test::readAll(chartForm);

    // A form that is plain text.
    base::writeFileAtomic(chartForm, "$TLN\n$FIG\n");
    Built b = run(f);
    EXPECT_EQ(b.rc, 1);
    EXPECT_TRUE(endsWithFailure(b.log, "Word 文書(.docx)ではありません")) << b.log.back();

    // A form cut short, and one whose body is not XML.
    base::writeFileAtomic(chartForm, goodForm.substr(0, goodForm.size() / 2));
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "フォームファイル")) << b.log[b.log.size() - 2];
    {
        docbuild::Package p;
        base::writeFileAtomic(chartForm, goodForm);
        ASSERT_EQ(p.load(chartForm), docbuild::PackageError::None);
        p.setPart("word/document.xml", "<w:document><w:body><w:p>");
        ASSERT_EQ(p.save(chartForm), docbuild::PackageError::None);
        b = run(f);
        EXPECT_TRUE(endsWithFailure(b.log, "壊れています"));
    }
    base::writeFileAtomic(chartForm, goodForm);

    // A missing picture and a picture that is no metafile.
    const std::string page = f.data + "/press-tct-001.wmf";
    base::removeFile(page);
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "press-tct-001.wmf"));
    base::writeFileAtomic(page, docbuild_test::makeMetafile(0, 0, false));
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "図ファイルの内容が不正です"));
    base::writeFileAtomic(page, docbuild_test::makeMetafile(100, 100));

    EXPECT_EQ(docbuild_test::readAll(f.documentPath()), previous);
    // No temporary file is left beside the document.
    EXPECT_EQ(std::system(("test -z \"$(ls '" + f.data + "' | grep tmp)\"").c_str()), 0);
}

TEST_F(BuilderTest, OutputFolderThatCannotBeWrittenFailsCleanly) {
    f.output = root + "/missing/out.doc";
    f.writeDefinition({"CVP"});
    Built b = run(f);
    EXPECT_EQ(b.rc, 1);
    EXPECT_TRUE(endsWithFailure(b.log, "missing"));
    // A folder in the way of the document's name.
    f.output = root + "/blocked.doc";
    base::makeDirectories(root + "/blocked.docx");
    f.writeDefinition({"CVP"});
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "書き込めません"));
}

TEST_F(BuilderTest, DefinitionFileProblemsAreReported) {
    // Missing.
    Built b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "word.dif"));
    // A line beyond the limit.
    f.writeDefinition({"CVP"}, {"FRM:" + std::string(2000, 'a')});
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "長すぎます"));
    // Not a definition file at all.
    base::writeFileAtomic(f.install + "/word.dif", std::string("\x01\x02garbage\r\n\xff\xfe", 14));
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "定義ファイル"));
    // A template that does not exist.
    f.writeDefinition({"CVP"});
    base::removeFile(f.install + "/rq4100.docx");
    b = run(f);
    EXPECT_TRUE(endsWithFailure(b.log, "テンプレートファイルが見つかりません"));
}

// The document does not depend on its progress file, but whoever started the builder
// is told that the progress could not be followed.
TEST_F(BuilderTest, ProgressFileThatCannotBeWrittenDoesNotStopTheBuild) {
    f.writeDefinition({"CVP"});
    base::makeDirectories(f.progressFile());  // a folder where the file would go
    testing::internal::CaptureStderr();
    const int rc = run(f).rc;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(base::fileExists(f.documentPath()));
    EXPECT_NE(err.find("進行状況を書き込めませんでした。[" + f.progressFile() + ": "), std::string::npos) << err;

    // Lines that cannot be written (a full disk) are told the same way.
    std::filesystem::remove(f.progressFile());
    if (base::fileExists("/dev/full")) {
        ASSERT_EQ(::symlink("/dev/full", f.progressFile().c_str()), 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(f).rc, 0);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("No space left on device"), std::string::npos);
    }
}

}  // namespace

namespace {

// A figure tag that shares its run with other text and a tab: every copy keeps the
// text before the picture, the picture, and the tab and text behind it, in that order.
TEST_F(BuilderTest, FigureTagInsideARunSplitsTheRunAroundEachPicture) {
    const std::string form = f.install + "/Forms/Word/A4縦/タイミングチャート.docx";
    ASSERT_TRUE(docbuild::writeStockDocument(
        form, "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>図 $FIG</w:t><w:tab/><w:t>($TLN)</w:t></w:r></w:p>", false));
    f.writeDefinition({"TCT"});
    Built b = run(f);
    ASSERT_EQ(b.rc, 0);
    pugi::xml_document d;
    d.load_string(b.documentXml.c_str());
    auto paras = d.select_nodes("//w:p[.//w:drawing]");
    ASSERT_EQ(paras.size(), 3u);
    std::string seen;
    for (auto c : paras.first().node().children("w:r")) {
        EXPECT_TRUE(c.child("w:rPr").child("w:b")) << "run properties kept";
        for (auto e : c.children()) {
            std::string n = e.name();
            if (n == "w:t") seen += std::string("[") + e.text().get() + "]";
            else if (n == "w:drawing") seen += "<pic>";
            else if (n == "w:tab") seen += "<tab>";
        }
    }
    EXPECT_EQ(seen, "[図 ]<pic><tab>[(conveyor.klg)]");
}

}  // namespace

namespace {

// A cover form with its own picture (a logo) and a link: both come along into the
// document under new relationship ids; a reference to anything else is dropped.
TEST_F(BuilderTest, PicturesAndLinksOfAFormComeAlongWithNewIds) {
    const std::string form = f.install + "/Forms/Word/A4縦/表紙.docx";
    ASSERT_TRUE(docbuild::writeStockDocument(
        form,
        "<w:p><w:r><w:drawing><wp:inline><a:graphic><a:graphicData><pic:pic><pic:blipFill>"
        "<a:blip r:embed=\"rId7\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>"
        "<w:hyperlink r:id=\"rId8\"><w:r><w:t>$PRJ</w:t></w:r></w:hyperlink>"
        "<w:r><w:object r:id=\"rId9\"/></w:r></w:p>",
        false));
    docbuild::Package p;
    ASSERT_EQ(p.load(form), docbuild::PackageError::None);
    p.setPart("word/media/logo.png", "PNGDATA");
    std::string rels = *p.part("word/_rels/document.xml.rels");
    rels.insert(rels.find("</Relationships>"),
                "<Relationship Id=\"rId7\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"media/logo.png\"/>"
                "<Relationship Id=\"rId8\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink\" Target=\"https://example.invalid/\" TargetMode=\"External\"/>"
                "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/oleObject\" Target=\"embeddings/x.bin\"/>");
    p.setPart("word/_rels/document.xml.rels", rels);
    ASSERT_EQ(p.save(form), docbuild::PackageError::None);

    f.writeDefinition({"CVP"});
    Built b = run(f);
    ASSERT_EQ(b.rc, 0) << b.log[b.log.size() - 2];
    pugi::xml_document d, r;
    d.load_string(b.documentXml.c_str());
    r.load_string(b.pkg.part("word/_rels/document.xml.rels")->c_str());
    std::string embed = d.select_node("//a:blip").node().attribute("r:embed").value();
    std::string link = d.select_node("//w:hyperlink").node().attribute("r:id").value();
    EXPECT_FALSE(d.select_node("//w:object").node().attribute("r:id"));
    auto target = [&](const std::string& id) {
        return std::string(r.first_child().find_child_by_attribute("Relationship", "Id", id.c_str()).attribute("Target").value());
    };
    ASSERT_FALSE(target(embed).empty());
    EXPECT_EQ(*b.pkg.part("word/" + target(embed)), "PNGDATA");
    EXPECT_EQ(target(link), "https://example.invalid/");
    EXPECT_NE(b.pkg.part("[Content_Types].xml")->find("image/png"), std::string::npos);
}

}  // namespace
