// Definition files and figure lists: what the writers put down for each target
// selection, and that the readers (used by the generator and the document builder)
// get it back.
#include "output/definition.h"

#include <gtest/gtest.h>

#include "testutil.h"

using namespace output;
using outtest::TempDir;

namespace {

std::vector<std::string> keys(const std::vector<DefinitionRecord>& records) {
    std::vector<std::string> out;
    for (const auto& r : records) out.push_back(r.key);
    return out;
}

struct DefinitionFixture : ::testing::Test {
    TempDir dir;
    std::string project = dir / "proj/abc.nam";

    TargetList cvpAndChart() {
        TargetList t{};
        t[kTargetCover] = targetEntry(1, 1);
        t[kTargetContents] = targetEntry(2, 0);
        t[kTargetChart] = targetEntry(3, 3);
        return t;
    }
    WordDefinition word() {
        WordDefinition d;
        d.installDir = dir / "inst";
        d.projectPath = project;
        d.templatePath = dir / "inst/rq4100.dot";
        d.figureListPath = wordFigureListPath(dir / "proj");
        d.forms[kTargetCover] = dir / "inst/Forms/Word/cover.docx";
        d.forms[kTargetContents] = dir / "inst/Forms/Word/toc.docx";
        d.forms[kTargetChart] = dir / "inst/Forms/Word/chart.docx";
        d.chartPages = true;
        return d;
    }
    HtmlDefinition html() {
        HtmlDefinition d;
        d.installDir = dir / "inst";
        d.projectPath = project;
        d.figureListPath = htmlFigureListPath(dir / "proj");
        d.forms[kTargetCover] = dir / "inst/Forms/Html/pxd98cvp.htm";
        d.forms[kTargetContents] = dir / "inst/Forms/Html/pxd98idx.htm";
        d.forms[kTargetChart] = dir / "inst/Forms/Html/pxd98tct.htm";
        d.chartPages = true;
        return d;
    }
    void SetUp() override { std::filesystem::create_directories(dir / "proj"); }
};

TEST_F(DefinitionFixture, WordStopsAtFirstMissingOrderNumberWhileHtmlPassesOverIt) {
    WordDefinition w = word();
    w.targets = cvpAndChart();
    ASSERT_EQ(writeWordDefinition(w, dir / "word.dif"), kWriteOk);
    Definition wd;
    ASSERT_EQ(readDefinition(dir / "word.dif", wd), 0);
    EXPECT_TRUE(wd.headerOk);
    ASSERT_EQ(wd.blocks.size(), 1u);
    EXPECT_EQ(wd.blocks[0].type, "CVP");

    HtmlDefinition h = html();
    h.targets = cvpAndChart();
    ASSERT_EQ(writeHtmlDefinition(h, dir / "h.dif"), kWriteOk);
    Definition hd;
    ASSERT_EQ(readDefinition(dir / "h.dif", hd), 0);
    ASSERT_EQ(hd.blocks.size(), 2u);
    EXPECT_EQ(hd.blocks[0].type, "CVP");
    EXPECT_EQ(hd.blocks[1].type, "TCT");
}

TEST_F(DefinitionFixture, WordFileCarriesCommonPartAndEachTargetsLines) {
    WordDefinition w = word();
    w.targets[kTargetChart] = targetEntry(1, 1);
    w.targets[kTargetContents] = targetEntry(2, 2);
    w.romanPages = true;
    w.hidden = true;
    ASSERT_EQ(writeWordDefinition(w, dir / "word.dif"), kWriteOk);

    std::vector<DefinitionRecord> r;
    ASSERT_EQ(readDefinitionRecords(dir / "word.dif", r), 0);
    EXPECT_EQ(keys(r), (std::vector<std::string>{"//", "NAM", "CSS", "PRJ", "CTL", "DOT", "TPL", "OPT", "//",
                                                 "TYP", "DIN", "FRM", "EXE", "//", "TYP", "OPT", "FRM", "EXE", "//"}));
    Definition d;
    readDefinition(dir / "word.dif", d);
    EXPECT_EQ(d.projectFile, project);
    EXPECT_EQ(d.infoFile, dir / "proj/abc.css");
    EXPECT_EQ(d.project, "abc");
    EXPECT_EQ(d.control, dir / "inst/rq4100.ctl");
    EXPECT_EQ(d.document, dir / "proj/abc.doc");
    EXPECT_EQ(d.options, std::vector<std::string>{"-vis=off"});
    EXPECT_EQ(d.blocks[0].inputs, std::vector<std::string>{w.figureListPath});
    EXPECT_EQ(d.blocks[1].options, std::vector<std::string>{"-pagefont=roman"});
    EXPECT_EQ(d.blocks[1].form, w.forms[kTargetContents]);
    EXPECT_TRUE(d.blocks[1].execute);

    // The comment lines name each target for a reader of the file.
    std::vector<std::string> lines;
    readScrambledLines(dir / "word.dif", lines);
    EXPECT_EQ(lines[2], "#            共通情報");
    EXPECT_EQ(lines[11], "#            タイミングチャート");
}

TEST_F(DefinitionFixture, EveryLineIsScrambledWithItsOwnNumberAndEndsInCrLf) {
    HtmlDefinition h = html();
    h.targets = cvpAndChart();
    ASSERT_EQ(writeHtmlDefinition(h, dir / "h.dif"), kWriteOk);
    std::string bytes = outtest::slurp(dir / "h.dif");
    std::vector<std::string> lines;
    readScrambledLines(dir / "h.dif", lines);
    std::string expect;
    for (size_t i = 0; i < lines.size(); ++i)
        expect += chart::scrambleLine(base::toCp932(lines[i]), static_cast<int>(i) + 1) + "\r\n";
    EXPECT_EQ(bytes, expect);
    EXPECT_EQ(lines.front(), " [KOV:DIF:V2.00 ]");
    EXPECT_EQ(lines.back(), "/");
}

TEST_F(DefinitionFixture, ChartTargetIsLeftOutWithoutExportedPages) {
    WordDefinition w = word();
    w.targets = {};
    w.targets[kTargetChart] = targetEntry(1, 1);
    w.targets[kTargetCover] = targetEntry(2, 2);
    w.chartPages = false;
    ASSERT_EQ(writeWordDefinition(w, dir / "word.dif"), kWriteOk);
    Definition d;
    readDefinition(dir / "word.dif", d);
    ASSERT_EQ(d.blocks.size(), 1u);
    EXPECT_EQ(d.blocks[0].type, "CVP");

    HtmlDefinition h = html();
    h.targets = w.targets;
    h.chartPages = false;
    ASSERT_EQ(writeHtmlDefinition(h, dir / "h.dif"), kWriteOk);
    readDefinition(dir / "h.dif", d);
    ASSERT_EQ(d.blocks.size(), 1u);
    EXPECT_EQ(d.blocks[0].type, "CVP");
}

TEST_F(DefinitionFixture, HtmlBlocksNameInputsControlFormAndPage) {
    HtmlDefinition h = html();
    h.targets = cvpAndChart();
    ASSERT_EQ(writeHtmlDefinition(h, dir / "h.dif"), kWriteOk);
    Definition d;
    readDefinition(dir / "h.dif", d);
    EXPECT_EQ(d.project, "abc");
    const DefinitionBlock& cvp = d.blocks[0];
    EXPECT_EQ(cvp.inputs, std::vector<std::string>{dir / "proj/abc.css"});
    EXPECT_EQ(cvp.control, dir / "inst/rq4100.ctl");
    EXPECT_EQ(cvp.output, dir / "proj/abc-cvp.html");
    // The chart block names the project information file first and the figure list
    // last, which is the input the generator takes.
    const DefinitionBlock& tct = d.blocks[1];
    EXPECT_EQ(tct.inputs, (std::vector<std::string>{dir / "proj/abc.css", h.figureListPath}));
    EXPECT_EQ(tct.output, dir / "proj/abc-tct.html");
    EXPECT_EQ(tct.form, h.forms[kTargetChart]);

    h.outputFolder = dir / "www";
    writeHtmlDefinition(h, dir / "h.dif");
    readDefinition(dir / "h.dif", d);
    EXPECT_EQ(d.blocks[1].output, dir / "www/abc-tct.html");
    EXPECT_EQ(htmlDefinitionPath(project), dir / "proj/abc-html.dif");
}

TEST_F(DefinitionFixture, FailedWriteKeepsThePreviousFile) {
    HtmlDefinition h = html();
    h.targets = cvpAndChart();
    EXPECT_EQ(writeHtmlDefinition(h, dir / "missing/folder/h.dif"), kWriteFailed);

    ASSERT_EQ(writeHtmlDefinition(h, dir / "h.dif"), kWriteOk);
    std::string before = outtest::slurp(dir / "h.dif");
    h.forms[kTargetCover] = dir / "form-\xF0\x9F\x98\x80.htm";  // no CP932 form
    EXPECT_EQ(writeHtmlDefinition(h, dir / "h.dif"), kWriteNotCp932);
    EXPECT_EQ(outtest::slurp(dir / "h.dif"), before);
}

TEST_F(DefinitionFixture, FigureListRoundTripsThroughItsReader) {
    FigureListWriter w;
    ASSERT_TRUE(w.open(htmlFigureListPath(dir / "proj")));
    EXPECT_TRUE(w.add("搬送ライン.klg", dir / "proj/conveyor", 3));
    EXPECT_FALSE(w.add("bad \xF0\x9F\x98\x80", dir / "proj/x", 1));  // left out entirely
    EXPECT_TRUE(w.add("sub/furnace.klg", dir / "proj/furnace", 12));
    ASSERT_EQ(w.commit(), kWriteOk);

    std::vector<FigureEntry> e;
    bool headerOk = false;
    ASSERT_EQ(readFigureList(htmlFigureListPath(dir / "proj"), e, &headerOk), 0);
    EXPECT_TRUE(headerOk);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].title, "搬送ライン.klg");
    EXPECT_EQ(e[0].figure, dir / "proj/conveyor-tct/003");
    EXPECT_EQ(e[0].basePath, dir / "proj/conveyor-tct");
    EXPECT_EQ(e[0].pages, 3);
    EXPECT_EQ(e[1].pages, 12);
    EXPECT_EQ(figureImagePath(e[1].basePath, 12), dir / "proj/furnace-tct-012.gif");

    FigureListWriter bad;
    EXPECT_FALSE(bad.open(dir / "missing/TC-HTML.tsg"));
}

TEST(FigureValue, CountIsTakenOnlyFromATrailingNumber) {
    FigureRef r = parseFigureValue("/p/trace-tct/003");
    EXPECT_EQ(r.basePath, "/p/trace-tct");
    EXPECT_EQ(r.count, 3);
    r = parseFigureValue("/p/trace-tct");  // no count: one image, the path stays whole
    EXPECT_EQ(r.basePath, "/p/trace-tct");
    EXPECT_EQ(r.count, 1);
    r = parseFigureValue("/p/trace-tct/000");
    EXPECT_EQ(r.count, 0);
    r = parseFigureValue("/p/trace-tct/");
    EXPECT_EQ(r.basePath, "/p/trace-tct/");
    EXPECT_EQ(r.count, 1);
}

TEST(Targets, PreparingKeepsTheThreeTargetsAndRenumbersBrokenPositions) {
    TargetList t{};
    t[kTargetCover] = targetEntry(2, 1);
    t[kTargetContents] = targetEntry(3, 0);
    t[kTargetChart] = targetEntry(1, 2);
    t[5] = targetEntry(4, 3);
    TargetList good = t;
    good[5] = 0;
    EXPECT_FALSE(prepareTargets(t));
    EXPECT_EQ(t, good);

    // Two targets on one position: positions 1, 2, 3 in target order, unticked.
    t[kTargetContents] = targetEntry(2, 3);
    EXPECT_TRUE(prepareTargets(t));
    EXPECT_EQ(t[kTargetCover], targetEntry(1, 0));
    EXPECT_EQ(t[kTargetContents], targetEntry(2, 0));
    EXPECT_EQ(t[kTargetChart], targetEntry(3, 0));

    // A fresh record: the chart alone at position 16, nothing at position 1.
    TargetList fresh{};
    fresh[kTargetChart] = 4096;
    EXPECT_TRUE(prepareTargets(fresh));
    EXPECT_EQ(targetPosition(fresh[kTargetChart]), 3);

    TargetList rows = targetsFromRows({{kTargetChart, true}, {kTargetCover, false}, {kTargetContents, true}});
    EXPECT_EQ(rows[kTargetChart], targetEntry(1, 1));
    EXPECT_EQ(rows[kTargetCover], targetEntry(2, 0));
    EXPECT_EQ(rows[kTargetContents], targetEntry(3, 2));
}

TEST_F(DefinitionFixture, ReaderTakesHandWrittenFilesAndSurvivesGarbage) {
    outtest::putLines(dir / "hand.dif", {" [KOV:DIF:V2.00 ]", "* a note", "PRJ:abc   ", "//",
                                         "TYP:CVP # the cover", "DIN:/home/u/C#/abc.css", "", "EXE:", "//", "/",
                                         "TYP:IDX"});
    Definition d;
    ASSERT_EQ(readDefinition(dir / "hand.dif", d), 0);
    EXPECT_EQ(d.project, "abc");
    ASSERT_EQ(d.blocks.size(), 1u);
    EXPECT_EQ(d.blocks[0].type, "CVP");
    // A "#" inside a path is part of it; only a blank-led "#" starts a comment.
    EXPECT_EQ(d.blocks[0].inputs, std::vector<std::string>{"/home/u/C#/abc.css"});

    EXPECT_EQ(readDefinition(dir / "none.dif", d), -1);
    // A folder is refused like a missing file, not read as an empty definition.
    base::makeDirectories(dir / "folder.dif");
    EXPECT_EQ(readDefinition(dir / "folder.dif", d), -1);
    std::vector<FigureEntry> none;
    EXPECT_EQ(readFigureList(dir / "folder.dif", none), -1);

    std::string junk;
    for (int i = 0; i < 70000; ++i) junk += static_cast<char>((i * 7919) % 251 + (i % 5000 == 0 ? 0 : 1));
    base::writeFileAtomic(dir / "junk.dif", junk);
    EXPECT_EQ(readDefinition(dir / "junk.dif", d), 0);
    EXPECT_FALSE(d.headerOk);
    std::vector<FigureEntry> e;
    EXPECT_EQ(readFigureList(dir / "junk.dif", e), 0);
    std::vector<std::string> lines;
    readScrambledLines(dir / "junk.dif", lines);
    for (const std::string& l : lines) EXPECT_LE(base::toCp932(l).size(), kDefinitionLineBytes + 2);
}

}  // namespace
