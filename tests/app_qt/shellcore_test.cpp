#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/files.h"
#include "base/services.h"
#include "fixture.h"
#include "shellcore.h"

using namespace appqt;

namespace {

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        core.installDir = tmp.path().toStdString();
    }
    std::string path(const std::string& rel) const { return core.installDir + "/" + rel; }
    void writeDefaultRecord() {
        std::string record(" [KOV:PRM:Q98:V2.50 ] \r\n", 24);
        record.append(ShellCore::kRecordSize, '\0');
        writeText(path("rq4100s.pro"), record, false);
    }
    QTemporaryDir tmp;
    ShellCore core;
    base::RecordingServices rec;
    base::ScopedServices installed{rec};
};

}  // namespace

TEST_F(CoreTest, ParameterFileIsCopiedFromTheDefaultAndSizeChecked) {
    ASSERT_EQ(core.readParams(), -1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text,
              "システムファイルがありません。\n" + path("rq4100s.pro") + "\n\nChronava を再度インストールしてください。");

    writeDefaultRecord();
    ASSERT_EQ(core.readParams(), 0);
    EXPECT_TRUE(base::fileExists(path("rq4100s.prm")));

    // A user's own file lives in the user's folder.
    base::makeDirectories(path("Users/kato"));
    core.userName = "kato";
    ASSERT_EQ(core.readParams(), 0);
    EXPECT_TRUE(base::fileExists(path("Users/kato/rq4100s.prm")));
    EXPECT_EQ(core.defaultDataFolder(), path("Users/kato/Projects"));

    writeText(path("Users/kato/rq4100s.prm"), std::string(96393, 'x'), false);
    EXPECT_EQ(core.readParams(), -2);
    EXPECT_EQ(rec.boxes.back().text, "ファイルサイズがいずれのバージョンとも一致しません。\n" + path("Users/kato/rq4100s.prm"));
}

TEST_F(CoreTest, LayoutEntriesAndRecordFieldsSurviveAWrite) {
    writeDefaultRecord();
    ASSERT_EQ(core.readParams(), 0);
    LayoutRect r;
    EXPECT_FALSE(core.layout(0, 0, r));
    EXPECT_FALSE(core.layout(6, 0, r));
    EXPECT_FALSE(core.layout(0, 5, r));
    core.setLayout(0, 4, {0, 400, 880, 120});
    core.setEditorPath("/usr/bin/エディタ");
    core.setLogColours({1, 2, 3}, {250, 251, 252});
    ASSERT_TRUE(core.writeParams());

    ShellCore again;
    again.installDir = core.installDir;
    ASSERT_EQ(again.readParams(), 0);
    ASSERT_TRUE(again.layout(0, 4, r));
    EXPECT_EQ(r.y, 400);
    EXPECT_EQ(r.height, 120);
    EXPECT_EQ(again.editorPath(), "/usr/bin/エディタ");
    EXPECT_EQ(again.logBackColour().g, 251);
}

TEST_F(CoreTest, SamplesSeedAnEmptyRecentList) {
    writeDefaultRecord();
    ASSERT_EQ(core.readParams(), 0);
    core.seedSampleProjects();
    auto list = core.recent();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0], path("Projects/SampleT1/SampleT1.nam"));
    EXPECT_EQ(list[4], path("Projects/SampleT5/SampleT5.nam"));
    EXPECT_EQ(ShellCore::recentLabel(4, list[4]), "&5 " + list[4]);
    EXPECT_EQ(ShellCore::recentLabel(19, "x"), "&K x");
}

TEST_F(CoreTest, ProjectCodeLineIsRewrittenOrInserted) {
    writeDefaultRecord();
    ASSERT_EQ(core.readParams(), 0);
    std::string p = path("p/p.nam");
    writeText(p, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"a.log\"\r\n[Common]\r\nInputFileCode = SJIS JIS\r\n/\r\n");
    std::string opened = p;
    ASSERT_EQ(core.openProject(opened), 0);
    EXPECT_EQ(core.inputCode, kSjis);  // SJIS wins over JIS
    ASSERT_TRUE(core.rewriteInputCode(kJis));
    std::string text;
    ASSERT_TRUE(base::readFile(p, text));
    EXPECT_NE(text.find("InputFileCode = JIS\r\n/\r\n"), std::string::npos);

    writeText(p, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"a.log\"\r\n[Common]\r\n/\r\n");
    ASSERT_TRUE(core.rewriteInputCode(kEucJp));
    ASSERT_TRUE(base::readFile(p, text));
    EXPECT_NE(text.find("[Common]\r\nInputFileCode = EUC-JP\r\n/\r\n"), std::string::npos);
}

TEST_F(CoreTest, SourcesEndAtSlashAndKeepOtherEntries) {
    std::string p = path("q.nam");
    writeText(p, " [KOV:NAM:V2.10 ]\r\n[Sources]\r\n\"a.log\"\r\n\r\n\"b.txt\"\r\n\"c.KLG\"\r\n/\r\n\"d.log\"\r\n");
    std::vector<std::string> out;
    ASSERT_TRUE(core.readSources(p, out));
    EXPECT_EQ(out, (std::vector<std::string>{"a.log", "b.txt", "c.KLG"}));
    core.projectPath = p;
    core.baseFolder = core.installDir;
    auto tree = core.projectTree(0);
    ASSERT_EQ(tree.size(), 7u);  // root, two groups, two logs in each
    EXPECT_EQ(tree[3].data, 28);
    EXPECT_EQ(tree[3].source, "c.KLG");
}

TEST(ClickableLines, PathAfterTheColonUpToTheBracket) {
    std::string p;
    EXPECT_TRUE(ShellCore::clickablePath("  GIFファイルを出力しました。[ファイル名 : /out/a.gif]", p));
    EXPECT_EQ(p, "/out/a.gif");
    EXPECT_TRUE(ShellCore::clickablePath("Word 出力を終了しました。[文書 : /d/x.doc  ]\n", p));
    EXPECT_EQ(p, "/d/x.doc");
    EXPECT_FALSE(ShellCore::clickablePath("生成を終了しました。[ログ : /d/a.log]", p));
    EXPECT_FALSE(ShellCore::clickablePath("a.gif without a colon", p));
}
