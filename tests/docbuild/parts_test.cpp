// The builder's parts on their own: tag replacement inside paragraphs, the readers of
// the definition file and figure list, metafile sizes, the container.
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <zip.h>

#include <set>

#include "base/files.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "docbuild/body.h"
#include "docbuild/definition.h"
#include "docbuild/package.h"
#include "docbuild/pictures.h"
#include "docbuild/stock.h"
#include "fixture.h"

namespace {

std::string replaced(const std::string& runsXml, const docbuild::TagValues& v, int* count = nullptr) {
    pugi::xml_document d;
    d.load_string(("<w:p>" + runsXml + "</w:p>").c_str(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    int n = docbuild::replaceTags(d.first_child(), v);
    if (count) *count = n;
    std::string s;
    for (auto t : d.select_nodes("//w:t")) s += std::string("[") + t.node().text().get() + "]";
    return s;
}

TEST(TagReplacement, TagsAreFoundInOneRunAndAcrossRunsAnEditorSplit) {
    docbuild::TagValues v{{"$PRJ", "ライン"}, {"$DTD", "2026 年  1 月  2 日"}};
    int n = 0;
    EXPECT_EQ(replaced("<w:r><w:t>名前: $PRJ ($DTD)</w:t></w:r>", v, &n), "[名前: ライン (2026 年  1 月  2 日)]");
    EXPECT_EQ(n, 2);
    // "$P" in one run, "RJ" in the next, the blank in a third.
    EXPECT_EQ(replaced("<w:r><w:t>a$P</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>RJ</w:t></w:r><w:r><w:t xml:space=\"preserve\"> b</w:t></w:r>", v),
              "[aライン][][ b]");
    // Split in four single characters.
    EXPECT_EQ(replaced("<w:r><w:t>$</w:t></w:r><w:r><w:t>D</w:t></w:r><w:r><w:t>T</w:t></w:r><w:r><w:t>D</w:t></w:r>", v),
              "[2026 年  1 月  2 日][][][]");
}

TEST(TagReplacement, UnknownTagsStayAndKnownTagsWithoutValueVanish) {
    int n = 0;
    EXPECT_EQ(replaced("<w:r><w:t>$ABC $SYS $prj $PR</w:t></w:r>", {}, &n), "[$ABC  $prj $PR]");
    EXPECT_EQ(n, 1);
    EXPECT_EQ(replaced("<w:r><w:t>price $5</w:t></w:r>", {}, &n), "[price $5]");
    EXPECT_EQ(n, 0);
    // A value holding a dollar sign is not scanned again.
    EXPECT_EQ(replaced("<w:r><w:t>$PRJ$TLN</w:t></w:r>", {{"$PRJ", "$TLN"}, {"$TLN", "x"}}), "[$TLNx]");
}

void writeScrambled(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    int n = 0;
    for (const auto& l : lines) bytes += chart::scrambleLine(base::toCp932(l) + "\r\n", ++n);
    base::writeFileAtomic(path, bytes);
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { dir = docbuild_test::makeTempDir(); }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string dir;
};

TEST_F(ReaderTest, DefinitionFileGivesCommonValuesAndTheCompletedBlocks) {
    writeScrambled(dir + "/w.dif", {" [KOV:DIF:V2.00 ]", "//", "#   共通情報", "PRJ:計測", "DOT:/p/計測.doc  ",
                                    "TPL:/i/rq4100.dot", "OPT:-vis=off", "//", "TYP:IDX", "OPT:-pagefont=roman",
                                    "FRM:/f/目次.doc", "EXE:", "//", "TYP:TCT", "DIN:/p/a.tsg", "DIN:/p/b.tsg",
                                    "FRM:/f/t.doc", "//", "TYP:CVP", "FRM:/f/c.doc", "EXE:", "/", "TYP:TCT", "EXE:"});
    docbuild::Definition d;
    ASSERT_TRUE(docbuild::readDefinition(dir + "/w.dif", d).ok());
    EXPECT_EQ(d.name, "計測");
    EXPECT_EQ(d.document, "/p/計測.doc");
    EXPECT_FALSE(d.visible);
    // The TCT block never reached EXE before the next TYP; nothing after "/" counts.
    ASSERT_EQ(d.targets.size(), 2u);
    EXPECT_EQ(d.targets[0].type, docbuild::TargetType::Contents);
    EXPECT_TRUE(d.targets[0].romanPages);
    EXPECT_EQ(d.targets[1].type, docbuild::TargetType::Cover);
    EXPECT_FALSE(d.targets[1].romanPages);
}

TEST_F(ReaderTest, DefinitionFileWithoutHeaderOrDocumentIsRefused) {
    writeScrambled(dir + "/a.dif", {"PRJ:x", "DOT:/x.doc", "TPL:/t.dot", "/"});
    docbuild::Definition d;
    EXPECT_FALSE(docbuild::readDefinition(dir + "/a.dif", d).ok());
    writeScrambled(dir + "/b.dif", {" [KOV:DIF:V2.00 ]", "PRJ:x", "TPL:/t.dot", "/"});
    EXPECT_FALSE(docbuild::readDefinition(dir + "/b.dif", d).ok());
    // More target blocks than there are kinds.
    std::vector<std::string> many{" [KOV:DIF:V2.00 ]", "DOT:/x.doc", "TPL:/t.dot"};
    for (int i = 0; i < 19; ++i) many.insert(many.end(), {"TYP:CVP", "EXE:"});
    writeScrambled(dir + "/c.dif", many);
    EXPECT_FALSE(docbuild::readDefinition(dir + "/c.dif", d).ok());
}

TEST_F(ReaderTest, FigureListEntriesAndTheirPagePictures) {
    writeScrambled(dir + "/l.tsg", {" [KOV:TSG:V1.00 ]", "TLN:a.klg", "FIG:/d/a-tct/002", "///:", "TLN:b c.log",
                                    "FIG:/d/b c-tct/000", "///:"});
    std::vector<docbuild::FigureSource> s;
    ASSERT_TRUE(docbuild::readFigureList(dir + "/l.tsg", s).ok());
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].pages, 2);
    EXPECT_EQ(docbuild::pagePicturePath(s[0], 2), "/d/a-tct-002.wmf");
    EXPECT_EQ(s[1].title, "b c.log");
    EXPECT_EQ(s[1].pages, 0);
    for (const char* bad : {"FIG:/d/a/002", "FIG:/d/a-tct/0x2", "FIG:/d/a-tct/", "FIG:/d/a-tct/1000"}) {
        writeScrambled(dir + "/bad.tsg", {" [KOV:TSG:V1.00 ]", "TLN:a", bad, "///:"});
        EXPECT_FALSE(docbuild::readFigureList(dir + "/bad.tsg", s).ok()) << bad;
    }
}

TEST(Names, RecordNamesOfWordFilesResolveToTheirDocxSiblings) {
    EXPECT_EQ(docbuild::documentSibling("/i/Forms/Word/A4縦/表紙.doc"), "/i/Forms/Word/A4縦/表紙.docx");
    EXPECT_EQ(docbuild::documentSibling("/i/rq4100.DOT"), "/i/rq4100.docx");
    EXPECT_EQ(docbuild::documentSibling("/i/a.docx"), "/i/a.docx");
    EXPECT_EQ(docbuild::documentSibling("/i.doc/a"), "/i.doc/a");
    EXPECT_EQ(docbuild::romanNumeral(4), "iv");
    EXPECT_EQ(docbuild::romanNumeral(1994), "mcmxciv");
    EXPECT_EQ(docbuild::romanNumeral(0), "0");
}

TEST(Pictures, PlaceableHeaderGivesTheSizeAndDamageIsRefused) {
    std::string wmf = docbuild_test::makeMetafile(2880, 1440);
    docbuild::PictureSize s;
    ASSERT_TRUE(docbuild::metafileSize(wmf, s));
    EXPECT_EQ(s.cx, 2 * docbuild::kEmuPerInch);
    EXPECT_EQ(s.cy, docbuild::kEmuPerInch);
    std::string bad = wmf;
    bad[10] ^= 1;  // the checksum no longer matches
    EXPECT_FALSE(docbuild::metafileSize(bad, s));
    EXPECT_FALSE(docbuild::metafileSize(wmf.substr(0, 30), s));
    EXPECT_FALSE(docbuild::metafileSize(docbuild_test::makeMetafile(0, 10), s));
}

TEST(Pictures, FittingKeepsProportionsAndNeverEnlarges) {
    using docbuild::fitInto;
    auto a = fitInto({2000, 1000}, 1000, 1000);
    EXPECT_EQ(a.cx, 1000);
    EXPECT_EQ(a.cy, 500);
    auto b = fitInto({1000, 4000}, 1000, 1000);
    EXPECT_EQ(b.cx, 250);
    EXPECT_EQ(b.cy, 1000);
    auto c = fitInto({100, 50}, 1000, 1000);
    EXPECT_EQ(c.cx, 100);
    EXPECT_EQ(c.cy, 50);
}

TEST_F(ReaderTest, ContainerRoundTripsAndRefusesWhatIsNoArchive) {
    docbuild::Package p;
    p.setPart("[Content_Types].xml", "<Types/>");
    p.setPart("word/a.xml", std::string(100000, 'a'));
    ASSERT_EQ(p.save(dir + "/x.zip"), docbuild::PackageError::None);
    docbuild::Package q;
    ASSERT_EQ(q.load(dir + "/x.zip"), docbuild::PackageError::None);
    EXPECT_EQ(q.parts(), p.parts());
    base::writeFileAtomic(dir + "/text.docx", "just text");
    EXPECT_EQ(q.load(dir + "/text.docx"), docbuild::PackageError::Open);
    EXPECT_EQ(q.load(dir + "/missing.docx"), docbuild::PackageError::Open);
    std::string zip = docbuild_test::readAll(dir + "/x.zip");
    base::writeFileAtomic(dir + "/cut.docx", zip.substr(0, zip.size() - 30));
    EXPECT_NE(q.load(dir + "/cut.docx"), docbuild::PackageError::None);
    // A write into a missing folder fails without leaving anything behind.
    EXPECT_EQ(p.save(dir + "/no/such.docx"), docbuild::PackageError::Write);
}

// Archives past the limits are refused before their parts are held: more entries than a
// package may have, a part that inflates beyond its limit, and a part whose bytes do
// not match their checksum.
TEST_F(ReaderTest, ContainerRefusesCrowdedInflatingAndDamagedArchives) {
    auto archive = [&](const std::string& name, auto fill) {
        int err = 0;
        zip_t* z = zip_open((dir + "/" + name).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        EXPECT_NE(z, nullptr);
        fill(z);
        EXPECT_EQ(zip_close(z), 0);
        return dir + "/" + name;
    };
    auto add = [](zip_t* z, const std::string& name, const std::string& bytes, bool store) {
        zip_source_t* src = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        zip_int64_t i = zip_file_add(z, name.c_str(), src, 0);
        ASSERT_GE(i, 0);
        if (store) zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    };
    docbuild::Package q;
    const std::string empty;
    EXPECT_EQ(q.load(archive("full.docx", [&](zip_t* z) {
                  for (std::size_t i = 0; i < docbuild::kMaxParts; ++i) add(z, std::to_string(i) + ".xml", empty, true);
              })),
              docbuild::PackageError::None);
    EXPECT_EQ(q.parts().size(), docbuild::kMaxParts);
    EXPECT_EQ(q.load(archive("crowded.docx", [&](zip_t* z) {
                  for (std::size_t i = 0; i <= docbuild::kMaxParts; ++i) add(z, std::to_string(i) + ".xml", empty, true);
              })),
              docbuild::PackageError::TooLarge);
    EXPECT_TRUE(q.parts().empty());

    const std::string zeros(docbuild::kMaxPartBytes + 1, '\0');
    const std::string bomb = archive("bomb.docx", [&](zip_t* z) { add(z, "word/document.xml", zeros, false); });
    EXPECT_LT(base::fileSize(bomb), 1 << 20);
    EXPECT_EQ(q.load(bomb), docbuild::PackageError::TooLarge);

    const std::string text = "<w:document>stored as it is</w:document>";
    std::string zip = docbuild_test::readAll(archive("good.docx", [&](zip_t* z) { add(z, "word/document.xml", text, true); }));
    const std::size_t at = zip.find("stored as it is");
    ASSERT_NE(at, std::string::npos);
    zip[at] = 'S';
    base::writeFileAtomic(dir + "/damaged.docx", zip);
    EXPECT_EQ(q.load(dir + "/damaged.docx"), docbuild::PackageError::Damaged);
}

}  // namespace

// A template whose page size and margins are absurd (a damaged or hostile file) still
// gives a text area between one inch and the largest page, without overflowing.
TEST(TemplatePage, AbsurdPageSizesAndMarginsGiveABoundedTextArea) {
    const std::string dir = docbuild_test::makeTempDir();
    const std::string stock = dir + "/stock.docx";
    ASSERT_TRUE(docbuild::writeStockDocument(stock, "<w:p/>", false));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"w:w=\"9223372036854775807\" w:h=\"-9223372036854775808\"", "w:left=\"-1\" w:right=\"0\""},
        {"w:w=\"2147483647\" w:h=\"2147483647\"", "w:left=\"-9223372036854775808\" w:top=\"-9223372036854775808\""},
        {"w:w=\"x\" w:h=\"\"", "w:left=\"99999999999999999999\" w:right=\"-99999999999999999999\""},
    };
    for (const auto& [size, margins] : cases) {
        docbuild::Package pkg;
        ASSERT_EQ(pkg.load(stock), docbuild::PackageError::None);
        std::string xml = *pkg.part("word/document.xml");
        const std::size_t sz = xml.find("<w:pgSz "), mar = xml.find("<w:pgMar ");
        ASSERT_NE(sz, std::string::npos);
        ASSERT_NE(mar, std::string::npos);
        xml.replace(mar, xml.find("/>", mar) - mar, "<w:pgMar " + margins);
        xml.replace(sz, xml.find("/>", sz) - sz, "<w:pgSz " + size);
        pkg.setPart("word/document.xml", xml);
        const std::string path = dir + "/absurd.docx";
        ASSERT_EQ(pkg.save(path), docbuild::PackageError::None);
        docbuild::DocumentBody body;
        ASSERT_EQ(body.loadTemplate(path), "") << size << " " << margins;
        EXPECT_GE(body.textWidth(), 1440 * docbuild::kEmuPerTwip) << size << " " << margins;
        EXPECT_GE(body.textHeight(), 1440 * docbuild::kEmuPerTwip) << size << " " << margins;
        EXPECT_LE(body.textWidth(), (std::int64_t{3} << 24) * docbuild::kEmuPerTwip) << size << " " << margins;
        EXPECT_LE(body.textHeight(), (std::int64_t{3} << 24) * docbuild::kEmuPerTwip) << size << " " << margins;
    }
}

// Relationship numbers of a template at the end of the integer range must not make the
// builder's own numbering overflow or collide, and a form's picture named with folders
// or odd characters lands under a plain name in the document's media folder.
TEST(TemplatePage, HugeRelationshipIdsAndOddPictureNamesStayHarmless) {
    const std::string dir = docbuild_test::makeTempDir();
    const std::string stock = dir + "/stock.docx";
    ASSERT_TRUE(docbuild::writeStockDocument(stock, "<w:p/>", false));
    docbuild::Package templ;
    ASSERT_EQ(templ.load(stock), docbuild::PackageError::None);
    std::string rels = *templ.part("word/_rels/document.xml.rels");
    const std::string huge = "<Relationship Id=\"rId2147483647\" Type=\"x\" Target=\"a.xml\"/>"
                             "<Relationship Id=\"rId99999999999999999999\" Type=\"x\" Target=\"b.xml\"/>"
                             "<Relationship Id=\"rId40\" Type=\"x\" Target=\"c.xml\"/>";
    rels.insert(rels.rfind("</Relationships>"), huge);
    templ.setPart("word/_rels/document.xml.rels", rels);
    ASSERT_EQ(templ.save(dir + "/templ.docx"), docbuild::PackageError::None);

    const std::string image = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
    docbuild::Package form;
    form.setPart("word/document.xml",
                 "<w:document xmlns:w=\"w\" xmlns:r=\"r\"><w:body>"
                 "<w:p><w:r><w:drawing><a:blip xmlns:a=\"a\" r:embed=\"rId1\"/></w:drawing></w:r></w:p>"
                 "<w:p><w:r><w:drawing><a:blip xmlns:a=\"a\" r:embed=\"rId2\"/></w:drawing></w:r></w:p>"
                 "</w:body></w:document>");
    form.setPart("word/_rels/document.xml.rels",
                 "<Relationships><Relationship Id=\"rId1\" Type=\"" + image + "\" Target=\"media/x.png/../../../evil\"/>"
                 "<Relationship Id=\"rId2\" Type=\"" + image + "\" Target=\"media/logo.PNG\"/></Relationships>");
    form.setPart("word/media/x.png/../../../evil", "bytes one");
    form.setPart("word/media/logo.PNG", "bytes two");
    ASSERT_EQ(form.save(dir + "/form.docx"), docbuild::PackageError::None);

    docbuild::DocumentBody body;
    ASSERT_EQ(body.loadTemplate(dir + "/templ.docx"), "");
    ASSERT_EQ(body.appendForm(dir + "/form.docx", {}, {}, false), "");
    ASSERT_EQ(body.save(dir + "/out.docx"), "");
    docbuild::Package out;
    ASSERT_EQ(out.load(dir + "/out.docx"), docbuild::PackageError::None);
    std::vector<std::string> media;
    for (const auto& [name, bytes] : out.parts())
        if (name.compare(0, 11, "word/media/") == 0) media.push_back(name);
    ASSERT_EQ(media.size(), 2u);
    for (const std::string& name : media)
        EXPECT_EQ(name.find('/', 11), std::string::npos) << name;
    pugi::xml_document r;
    const std::string* outRels = out.part("word/_rels/document.xml.rels");
    ASSERT_TRUE(outRels && r.load_string(outRels->c_str()));
    std::set<std::string> ids;
    for (pugi::xml_node n : r.child("Relationships").children("Relationship"))
        EXPECT_TRUE(ids.insert(n.attribute("Id").value()).second) << "duplicate " << n.attribute("Id").value();
    EXPECT_TRUE(ids.count("rId41")) << "new relationships follow the largest usable number";
    const std::string* types = out.part("[Content_Types].xml");
    ASSERT_TRUE(types);
    EXPECT_NE(types->find("Extension=\"bin\""), std::string::npos);
    EXPECT_NE(types->find("Extension=\"PNG\""), std::string::npos);
}
