// The HTML document generator: tag rules, records and forms, its failure table, and
// pages built from the installed forms checked by an HTML parser.
#include "output/generator.h"

#include <gtest/gtest.h>

#include "base/services.h"
#include "output/cli.h"
#include "output/definition.h"
#include "testutil.h"

using namespace output;
using outtest::count;
using outtest::page;
using outtest::putLines;
using outtest::TempDir;

namespace {

const RunDate kDate{2026, 3, 7};

struct GeneratorFixture : ::testing::Test {
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
    ControlFile control;

    void SetUp() override {
        putLines(dir / "rq4100.ctl", {"# tags", "TAG", "$PRJ S PRJ project", "$DTD S DTD date", "$TLN S TLN title", "$SYS S SYS system",
                                      "$FIG F FIG images", "$LGT M LGT text", "$LBL V LBL labels",
                                      "$VAL P VAL values", "$ANY M @EXTRA keys of a list", "//", "KEY EXTRA", "AAA",
                                      "BBB:", "//", "/", "$NOT S NOT after the end"},
                 true);
        ASSERT_EQ(readControlFile(dir / "rq4100.ctl", control), 0);
    }
    // Builds a page from input and form lines; returns its text.
    std::string build(const std::vector<std::string>& input, const std::vector<std::string>& form) {
        putLines(dir / "in.txt", input);
        putLines(dir / "form.htm", form);
        EXPECT_EQ(producePage(control, dir / "in.txt", dir / "form.htm", dir / "out.html", "プロジェクト", kDate),
                  kGenerateOk);
        return page(dir / "out.html");
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& m : rec.messages) {
            EXPECT_EQ(m.first, base::kListHtml);
            out.push_back(m.second);
        }
        return out;
    }
};

TEST_F(GeneratorFixture, ControlFileDeclaresTagsAndKeyLists) {
    ASSERT_EQ(control.tags.size(), 9u);  // nothing after "/"
    EXPECT_EQ(control.tags[0].name, "$PRJ");
    EXPECT_EQ(control.tags[0].key, "PRJ:");
    EXPECT_EQ(control.tags[4].type, 'F');
    EXPECT_EQ(control.tags[8].key, "@EXTRA");
    ASSERT_EQ(control.keyLists.size(), 1u);
    EXPECT_EQ(control.keyLists[0].keys, (std::vector<std::string>{"AAA:", "BBB:"}));

    putLines(dir / "two.ctl", {"TAG", "$PRJ S PRJ", "$DTD S DTD", "//"});
    ControlFile c;
    EXPECT_EQ(readControlFile(dir / "two.ctl", c), -2);
    EXPECT_EQ(readControlFile(dir / "none.ctl", c), -1);
}

TEST_F(GeneratorFixture, EachRecordWritesTheBodyWithItsOwnValues) {
    std::string p = build({"TLN:first", "FIG:/data/a-tct/002", "///:", "TLN:second", "FIG:/data/b-tct/001", "///:"},
                          {"<HTML><TITLE>$PRJ</TITLE>", "<BODY>", "<H2>$TLN</H2>", "<IMG SRC=\"$FIG\">",
                           "</BODY>$TLN$DTD", "</HTML>"});
    EXPECT_EQ(p,
              "<HTML><TITLE>プロジェクト</TITLE>\n<BODY>\n"
              "<H2>first</H2>\n<IMG SRC=\"a-tct-001.gif\">\n<IMG SRC=\"a-tct-002.gif\">\n"
              "<H2>second</H2>\n<IMG SRC=\"b-tct-001.gif\">\n"
              "</BODY>2026 年  3 月  7 日\n</HTML>\n");
}

TEST_F(GeneratorFixture, FigureCountGivesOneLineEachWithTheTextAroundTheTag) {
    std::string p = build({"FIG:/home/u/proj/trace-tct/003"}, {"<BODY>", "  <P>$PRJ <IMG SRC=\"$FIG\" ALT=\"$TLN\"></P>", "</BODY>"});
    EXPECT_EQ(p,
              "<BODY>\n"
              "  <P>プロジェクト <IMG SRC=\"trace-tct-001.gif\" ALT=\"$TLN\"></P>\n"
              "  <P>プロジェクト <IMG SRC=\"trace-tct-002.gif\" ALT=\"$TLN\"></P>\n"
              "  <P>プロジェクト <IMG SRC=\"trace-tct-003.gif\" ALT=\"$TLN\"></P>\n"
              "</BODY>\n");
}

TEST_F(GeneratorFixture, InputWithoutRecordEndStillWritesOneBody) {
    std::string p = build({"TLN:only", "TLN:last wins"}, {"<body>", "[$TLN]", "</body>"});
    EXPECT_EQ(p, "<body>\n[last wins]\n</body>\n");
    EXPECT_EQ(build({}, {"<BODY>", "[$TLN]", "</BODY>"}), "<BODY>\n[]\n</BODY>\n");
}

TEST_F(GeneratorFixture, FormWithoutBodyIsWrittenAsHeadOnly) {
    std::string p = build({"TLN:a", "///:", "TLN:b", "///:"}, {"<HTML>", "<P>$PRJ</P>", "<P>$TLN</P>", "</HTML>"});
    EXPECT_EQ(p, "<HTML>\n<P>プロジェクト</P>\n<P></P>\n</HTML>\n");
}

TEST_F(GeneratorFixture, ListTagsWriteLinesAndDropTheRestOfTheFormLine) {
    std::string p = build({"LGT:line one", "===:line two", "LBL:a", "VAL:1", "LBL:b", "AAA:x", "BBB:y", "ZZZ:none"},
                          {"<BODY>", "<P>$LGT dropped $TLN", "<UL>$LBL dropped", "$ANY", "$TLN$PRJ$XYZ $LGT", "</BODY>"});
    EXPECT_EQ(p,
              "<BODY>\n"
              "<P>line one <BR>\nline two <BR>\n"
              "<UL>a 1 <BR>\nb  <BR>\n"
              "x <BR>\ny <BR>\n"
              "プロジェクト$XYZ line one <BR>\nline two <BR>\n"
              "</BODY>\n");
}

TEST_F(GeneratorFixture, TagsWithoutValuesVanishAndTheLineGoesOn) {
    EXPECT_EQ(build({}, {"<BODY>", "a$LGT-b$LBL-c$FIG-d", "</BODY>"}), "<BODY>\na-b-c-d\n</BODY>\n");
}

TEST_F(GeneratorFixture, FullTextPoolDropsValuesButThePageIsWritten) {
    std::vector<std::string> input;
    const std::string big(1000, 'x');
    for (int i = 0; i < 600; ++i) input.push_back("LGT:" + big);
    std::string p = build(input, {"<BODY>", "$LGT", "</BODY>"});
    int stored = count(p, " <BR>");
    // 511 values of 1001 bytes, beside the project name and the date, fill the pool.
    EXPECT_EQ(stored, 511);
}

TEST_F(GeneratorFixture, OverlongLinesAndForeignBytesAreRepairedAndNamed) {
    std::string longTitle = "TLN:" + std::string(1017, 'a') + "漢字";  // the limit falls inside "字"
    std::string bytes = base::toCp932(longTitle) + "\r\nLGT:ok\x80\xFF" + "end\r\n";
    base::writeFileAtomic(dir / "in.txt", bytes);
    putLines(dir / "form.htm", {"<BODY>", "$TLN", "$LGT", "</BODY>"});
    EXPECT_EQ(producePage(control, dir / "in.txt", dir / "form.htm", dir / "out.html", "p", kDate), kGenerateOk);
    std::string raw = outtest::slurp(dir / "out.html");
    EXPECT_TRUE(base::cp932ToUtf8(raw).ok);
    std::string p = page(dir / "out.html");
    EXPECT_NE(p.find("\n" + std::string(1017, 'a') + "漢\n"), std::string::npos);
    EXPECT_NE(p.find("ok〓〓end <BR>"), std::string::npos);
    EXPECT_EQ(messages(), std::vector<std::string>{"ファイルの内容が不正です。[" + dir / "in.txt" + "]"});
}

// Writes a definition file of CVP and TCT blocks for the tests of the whole run.
struct RunFixture : GeneratorFixture {
    void definition(const std::string& chartForm, const std::string& control = "") {
        putLines(dir / "p/p.css", {"SYS:システム", "LGT:説明"});
        putLines(dir / "cvp.htm", {"<BODY>", "$SYS", "</BODY>"});
        FigureListWriter fl;
        ASSERT_TRUE(fl.open(htmlFigureListPath(dir / "p")));
        fl.add("trace.klg", dir / "p/trace", 2);
        ASSERT_EQ(fl.commit(), kWriteOk);
        HtmlDefinition d;
        d.installDir = dir.path();
        d.projectPath = dir / "p/p.nam";
        d.targets[kTargetCover] = targetEntry(1, 1);
        d.targets[kTargetChart] = targetEntry(2, 2);
        d.forms[kTargetCover] = dir / "cvp.htm";
        d.forms[kTargetChart] = chartForm;
        d.figureListPath = htmlFigureListPath(dir / "p");
        d.chartPages = true;
        ASSERT_EQ(writeHtmlDefinition(d, dir / "p/p-html.dif"), kWriteOk);
        if (!control.empty()) std::filesystem::rename(control, dir / "rq4100.ctl");
    }
    int run() { return generate(kGenerateMode, {kGenerateEntry, dir / "p/p-html.dif"}, {kDate}); }
};

TEST_F(RunFixture, ReportsEveryPageItWrites) {
    putLines(dir / "tct.htm", {"<BODY>", "$TLN $FIG", "</BODY>"});
    definition(dir / "tct.htm");
    ASSERT_EQ(run(), kGenerateOk);
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "HTML ドキュメントを出力しました。[表紙 : " + dir / "p/p-cvp.html" + "]",
                              "HTML ドキュメントを出力しました。[タイミングチャート : " + dir / "p/p-tct.html" + "]"}));
    EXPECT_EQ(page(dir / "p/p-cvp.html"), "<BODY>\nシステム\n</BODY>\n");
    EXPECT_EQ(page(dir / "p/p-tct.html"), "<BODY>\ntrace.klg trace-tct-001.gif\ntrace.klg trace-tct-002.gif\n</BODY>\n");
}

TEST_F(RunFixture, FailuresEndTheRunWithTheirMessageAndKeepEarlierPages) {
    // The chart's form is missing: the cover stays, the chart page is not created.
    definition(dir / "missing.htm");
    EXPECT_EQ(run(), kGenerateFailed);
    EXPECT_TRUE(base::fileExists(dir / "p/p-cvp.html"));
    EXPECT_FALSE(base::fileExists(dir / "p/p-tct.html"));
    EXPECT_EQ(messages().back(), "ファイルが見つかりません。[" + dir / "missing.htm" + "]");

    rec.messages.clear();
    putLines(dir / "two.ctl", {"TAG", "$PRJ S PRJ", "$DTD S DTD", "//"});
    definition(dir / "missing.htm", dir / "two.ctl");
    EXPECT_EQ(run(), kGenerateFailed);
    EXPECT_EQ(messages(), std::vector<std::string>{"ファイルの内容が不正です。[" + dir / "rq4100.ctl" + "]"});

    rec.messages.clear();
    std::filesystem::remove(dir / "rq4100.ctl");
    EXPECT_EQ(run(), kGenerateFailed);
    EXPECT_EQ(messages(), std::vector<std::string>{"ファイルが見つかりません。[" + dir / "rq4100.ctl" + "]"});

    rec.messages.clear();
    EXPECT_EQ(generate(kGenerateMode, {kGenerateEntry, dir / "none.dif"}), kGenerateNoDefinition);
    EXPECT_EQ(messages(), std::vector<std::string>{"ファイルが見つかりません。[" + dir / "none.dif" + "]"});
}

TEST_F(GeneratorFixture, PageThatCannotBeCreatedOrInputThatIsMissingFails) {
    putLines(dir / "in.txt", {"TLN:x"});
    putLines(dir / "form.htm", {"<BODY>", "</BODY>"});
    EXPECT_EQ(producePage(control, dir / "in.txt", dir / "form.htm", dir / "no/such/out.html", "p", kDate),
              kGenerateFailed);
    // A folder that exists but takes no files, even for root.
    EXPECT_EQ(producePage(control, dir / "in.txt", dir / "form.htm", "/proc/out.html", "p", kDate), kGenerateFailed);
    EXPECT_EQ(producePage(control, dir / "none.txt", dir / "form.htm", dir / "out.html", "p", kDate), kGenerateFailed);
    EXPECT_EQ(messages(), (std::vector<std::string>{"ファイルに書き込みができません。[" + dir / "no/such/out.html" + "]",
                                                    "ファイルに書き込みができません。[/proc/out.html]",
                                                    "ファイルが見つかりません。[" + dir / "none.txt" + "]"}));
    EXPECT_FALSE(base::fileExists(dir / "out.html"));
}

TEST(RunDates, FormatAndParse) {
    EXPECT_EQ(formatRunDate({2026, 12, 8}), "2026 年 12 月  8 日");
    RunDate d;
    EXPECT_TRUE(parseRunDate("2024-02-29", d));
    EXPECT_EQ(d.day, 29);
    for (const char* bad : {"2023-02-29", "2024-13-01", "2024-1-01", "24-01-01x", "", "2024-04-31", "abcd-ef-gh"})
        EXPECT_FALSE(parseRunDate(bad, d)) << bad;
}

TEST_F(RunFixture, CommandLineFixesTheDateAndReturnsTheGeneratorsResult) {
    putLines(dir / "tct.htm", {"<BODY>", "$DTD", "</BODY>"});
    definition(dir / "tct.htm");
    std::string dif = dir / "p/p-html.dif";
    std::vector<std::string> args = {"html-generate", dif, "--date", "1999-01-02"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    EXPECT_EQ(htmlGenerateCommand(static_cast<int>(argv.size()), argv.data()), 0);
    EXPECT_EQ(page(dir / "p/p-tct.html"), "<BODY>\n1999 年  1 月  2 日\n</BODY>\n");

    args[3] = "1999-02-30";
    argv.clear();
    for (auto& a : args) argv.push_back(a.data());
    EXPECT_EQ(htmlGenerateCommand(static_cast<int>(argv.size()), argv.data()), 2);

    std::string missing = dir / "none.dif";
    char name[] = "html-generate";
    char* argv2[] = {name, missing.data()};
    EXPECT_EQ(htmlGenerateCommand(2, argv2), kGenerateNoDefinition);
}

// The installed control file and forms, for a sample project of two sources: every
// page parses as HTML and every image it shows exists.
TEST(InstalledForms, SampleProjectPagesParseAndNameExistingImages) {
    const std::string dist = CHRONAVA_TEST_DIST;
    if (!base::fileExists("/usr/bin/python3") ||
        std::system("/usr/bin/python3 -c 'import bs4, html5lib' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-bs4 and python3-html5lib are needed";
    TempDir dir;
    base::RecordingServices rec;
    base::ScopedServices scope(rec);
    std::filesystem::copy(dist + "/Projects/SampleT4", dir / "SampleT4");
    const std::string project = dir / "SampleT4/SampleT4.nam";

    // Stand-in chart pages: a valid 1×1 GIF per page.
    static const unsigned char gif[] = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                                        ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, ';'};
    FigureListWriter fl;
    ASSERT_TRUE(fl.open(htmlFigureListPath(dir / "SampleT4")));
    int pages[] = {2, 3};
    const char* sources[] = {"spi-bus", "memory-cycle"};
    for (int s = 0; s < 2; ++s) {
        for (int k = 1; k <= pages[s]; ++k)
            base::writeFileAtomic(figureImagePath(dir / "SampleT4/" + sources[s] + "-tct", k),
                                  std::string_view(reinterpret_cast<const char*>(gif), sizeof gif));
        fl.add(std::string(sources[s]) + ".klg", dir / "SampleT4/" + sources[s], pages[s]);
    }
    ASSERT_EQ(fl.commit(), kWriteOk);

    HtmlDefinition d;
    d.installDir = dist;
    d.projectPath = project;
    d.targets[kTargetCover] = targetEntry(1, 1);
    d.targets[kTargetContents] = targetEntry(2, 2);
    d.targets[kTargetChart] = targetEntry(3, 3);
    d.forms[kTargetCover] = dist + "/Forms/Html/pxd98cvp.htm";
    d.forms[kTargetContents] = dist + "/Forms/Html/pxd98idx.htm";
    d.forms[kTargetChart] = dist + "/Forms/Html/pxd98tct.htm";
    d.figureListPath = htmlFigureListPath(dir / "SampleT4");
    d.chartPages = true;
    ASSERT_EQ(writeHtmlDefinition(d, htmlDefinitionPath(project)), kWriteOk);
    ASSERT_EQ(generateFromDefinition(htmlDefinitionPath(project)), kGenerateOk);
    ASSERT_EQ(rec.messages.size(), 3u);

    std::string tct = page(dir / "SampleT4/SampleT4-tct.html");
    EXPECT_EQ(count(tct, "<section"), 2);  // one body per source
    EXPECT_EQ(count(tct, ".gif"), 5);

    std::string cmd = std::string("/usr/bin/python3 ") + CHRONAVA_TEST_HTMLCHECK;
    for (const char* t : {"cvp", "idx", "tct"}) cmd += " " + dir / "SampleT4/SampleT4-" + t + ".html";
    EXPECT_EQ(std::system((cmd + " >&2").c_str()), 0);
}

}  // namespace
