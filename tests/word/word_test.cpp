// The Word output run: the check before it, what it writes and starts, the watch of
// the progress file, and one run end to end with the real document builder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "app/params.h"
#include "base/files.h"
#include "base/services.h"
#include "base/text.h"
#include "convert/cli.h"
#include "output/definition.h"
#include "word/wordrun.h"

namespace {

namespace fs = std::filesystem;

struct FakeLauncher : word::BuilderLauncher {
    int result = 0;
    std::vector<std::string> started;
    int start(const std::string& program, const std::string& installDir, pid_t& pid) override {
        started.push_back(program + " " + installDir);
        pid = 0;
        return result;
    }
};

class WordRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/word-test-XXXXXX";
        root = mkdtemp(tmpl);
        install = root + "/install";
        folder = root + "/Projects/ライン";
        fs::create_directories(install);
        fs::create_directories(folder);
        fs::create_directories(install + "/Forms/Word/A4縦");
        for (const char* f : {"rq4100.docx", "Forms/Word/A4縦/表紙.docx", "Forms/Word/A4縦/目次.docx",
                              "Forms/Word/A4縦/タイミングチャート.docx"})
            fs::copy_file(std::string(WORD_TEST_DIST) + "/" + f, install + "/" + f);
        project = folder + "/ライン.nam";
        base::writeFileAtomic(project, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"a.klg\"\r\n\"sub/b.klg\"\r\n[IncludePath]\r\n"
                                       "[Common]\r\nInputFileCode = SJIS\r\n");
        base::writeFileAtomic(folder + "/ライン.css", base::toCp932("SYS:搬送ライン\r\nLGT:C\r\n"));
        fs::create_directories(folder + "/sub");
        for (const char* n : {"a", "sub/b"}) {
            const std::string log = folder + "/" + n + ".klg";
            base::writeFileAtomic(log, "2026/01/01 10:00:00.000 $SIG1=ON // start\r\n"
                                       "2026/01/01 10:00:01.500 $SIG2=PULSE\r\n"
                                       "2026/01/01 10:00:03.000 $SIG1=OFF // stop\r\n");
            // Charts lie in the data folder (here the project's folder) under the log's name.
            const std::string tct = folder + "/" + fs::path(n).filename().string() + ".tct";
            const char* argv[] = {"convert", log.c_str(), "-o", tct.c_str()};
            std::FILE* null = std::fopen("/dev/null", "w");
            EXPECT_EQ(convert::convertCommand(4, argv, null, null), 0);
            std::fclose(null);
        }
        in.installDir = install;
        in.projectPath = project;
        in.rec = app::makeDefaultRecord();
        in.rec.setWordTemplate("rq4100.dot");
        in.rec.setWordForm(0, "Forms/Word/A4縦/表紙.doc");
        in.rec.setWordForm(1, "Forms/Word/A4縦/目次.doc");
        in.rec.setWordForm(17, "Forms/Word/A4縦/タイミングチャート.doc");
        setTargets(1, 2, 3);
        word::makeWordPathsAbsolute(in.rec, install);
        in.params.pageCount = 2;
        in.params.tellPageCount = false;
        in.launcher = &launcher;
        word::wordRunState() = {};
    }
    void TearDown() override {
        word::wordRunState() = {};
        fs::remove_all(root);
    }
    // Order numbers of cover, contents and chart (0 = unticked); positions 1, 2, 3.
    void setTargets(int cover, int contents, int chart) {
        in.rec.setWordTarget(0, 0x100 | cover);
        in.rec.setWordTarget(1, 0x200 | contents);
        in.rec.setWordTarget(17, 0x300 | chart);
    }
    std::vector<std::string> wordLines() const {
        std::vector<std::string> out;
        for (const auto& [list, text] : sv.messages)
            if (list == base::kListWord) out.push_back(text);
        return out;
    }
    std::string root, install, folder, project;
    word::RunInput in;
    FakeLauncher launcher;
    base::RecordingServices sv;
};

TEST_F(WordRunTest, RunExportsPagesWritesFigureListAndDefinitionAndStartsTheBuilder) {
    base::ScopedServices use(sv);
    base::writeFileAtomic(install + "/word.log", "old\r\n");
    base::writeFileAtomic(install + "/wordalv.log", "old\r\n");
    base::writeFileAtomic(folder + "/ライン-tree-word.fsg", "stale");
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::Started);
    EXPECT_EQ(launcher.started, (std::vector<std::string>{install + "/chronava-docbuild " + install}));
    EXPECT_TRUE(word::wordRunState().watching);
    EXPECT_FALSE(word::wordRunState().preparing);
    EXPECT_EQ(sv.busyDepth, 0);
    EXPECT_GE(sv.logoStarts, 1);
    EXPECT_EQ(sv.logoStops, 0);  // the watch keeps the logo going
    EXPECT_FALSE(base::fileExists(install + "/word.log"));
    EXPECT_FALSE(base::fileExists(install + "/wordalv.log"));
    EXPECT_FALSE(base::fileExists(folder + "/ライン-tree-word.fsg"));
    EXPECT_EQ(wordLines(), (std::vector<std::string>{"Word出力を開始します。[ライン]"}));
    EXPECT_TRUE(base::fileExists(folder + "/a-tct-001.wmf"));
    EXPECT_TRUE(base::fileExists(folder + "/b-tct-002.wmf"));

    std::vector<output::FigureEntry> figs;
    ASSERT_EQ(output::readFigureList(folder + "/TC-WORD.tsg", figs), 0);
    ASSERT_EQ(figs.size(), 2u);
    EXPECT_EQ(figs[0].title, "a.klg");
    EXPECT_EQ(figs[1].title, "b.klg");  // name only by default
    EXPECT_EQ(figs[1].figure, folder + "/b-tct/002");
    output::Definition d;
    ASSERT_EQ(output::readDefinition(install + "/word.dif", d), 0);
    ASSERT_EQ(d.blocks.size(), 3u);
    EXPECT_EQ(d.templatePath, install + "/rq4100.dot");
    EXPECT_EQ(d.blocks[2].type, "TCT");
}

TEST_F(WordRunTest, UntickedChartWithTickedCoverWritesNothingAndStartsNothing) {
    base::ScopedServices use(sv);
    setTargets(1, 0, 0);
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::NothingToDo);
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_FALSE(base::fileExists(folder + "/TC-WORD.tsg"));
    EXPECT_FALSE(base::fileExists(install + "/word.dif"));
    EXPECT_EQ(sv.logoStops, 1);
    EXPECT_EQ(sv.logoResets, 1);
    EXPECT_FALSE(word::wordRunState().watching);
    EXPECT_EQ(sv.busyDepth, 0);
}

TEST_F(WordRunTest, RunStillWatchedAsksFirstAndNoEndsTheCommand) {
    base::ScopedServices use(sv);
    word::wordRunState().watching = true;
    sv.answers = {false, true};
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::Declined);
    ASSERT_EQ(sv.boxes.size(), 1u);
    EXPECT_EQ(sv.boxes[0].kind, base::kBoxAskSecondDefault);
    EXPECT_EQ(sv.boxes[0].caption, "Word");
    EXPECT_NE(sv.boxes[0].text.find("Word出力が正常に終了していません。[ライン]"), std::string::npos);
    EXPECT_NE(sv.boxes[0].text.find("Word出力を開始しますか?"), std::string::npos);
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::Started);
}

TEST_F(WordRunTest, BuilderThatCannotStartIsReportedAndEndsTheRun) {
    base::ScopedServices use(sv);
    launcher.result = 2;
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::Failed);
    ASSERT_EQ(sv.boxes.size(), 1u);
    EXPECT_EQ(sv.boxes[0].caption, "Chronava");
    EXPECT_NE(sv.boxes[0].text.find("Word を起動できません"), std::string::npos);
    EXPECT_EQ(wordLines().back(), "Word出力が異常終了しました。[Word を起動できません[2:" + install + "/chronava-docbuild]]");
    EXPECT_FALSE(word::wordRunState().watching);
    EXPECT_EQ(sv.logoStops, 1);
}

TEST_F(WordRunTest, ExportErrorStopsBeforeTheDefinitionFile) {
    base::ScopedServices use(sv);
    fs::remove(folder + "/b.tct");
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::Failed);
    auto lines = wordLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("メタファイルタイミングチャート出力が異常終了しました。[", 0), 0u);
    EXPECT_EQ(lines[2], "Word出力が異常終了しました。[イメージファイル生成エラー]");
    EXPECT_FALSE(base::fileExists(install + "/word.dif"));
    EXPECT_TRUE(launcher.started.empty());
    // The entry exported before the error stays in the figure list.
    std::vector<output::FigureEntry> figs;
    ASSERT_EQ(output::readFigureList(folder + "/TC-WORD.tsg", figs), 0);
    EXPECT_EQ(figs.size(), 1u);
}

TEST_F(WordRunTest, CheckNamesWhatIsMissing) {
    base::ScopedServices use(sv);
    EXPECT_EQ(word::checkBeforeRun(in.rec, project), word::CheckResult::Ok);
    EXPECT_EQ(sv.statusTexts.front(), "不足しているドキュメントがないか確認中です．．．。");

    app::ParamRecord r = in.rec;
    r.setWordTemplate("  ");
    EXPECT_EQ(word::checkBeforeRun(r, project), word::CheckResult::Failed);
    EXPECT_EQ(sv.boxes.back().text, "テンプレートファイル名を設定してください。");
    r.setWordTemplate(install + "/none.dot");
    EXPECT_EQ(word::checkBeforeRun(r, project), word::CheckResult::Failed);
    EXPECT_EQ(sv.boxes.back().text, install + "/none.dotが見つかりません。");

    r = in.rec;
    r.setWordForm(1, "");
    EXPECT_EQ(word::checkBeforeRun(r, project), word::CheckResult::MissingKind);
    EXPECT_EQ(sv.boxes.back().text, "フォームファイル名を設定してください。");

    r = in.rec;
    fs::remove(folder + "/a.tct");
    EXPECT_EQ(word::checkBeforeRun(r, project), word::CheckResult::MissingKind);
    EXPECT_EQ(sv.boxes.back().caption, "Word 出力");
    EXPECT_EQ(sv.boxes.back().text,
              "タイミングチャートが不足しています。\nタイミングチャートを生成してください。\na.klg\n");

    for (int k : {0, 1, 17}) r.setWordTarget(k, r.wordTarget(k) & 0xFF00);
    EXPECT_EQ(word::checkBeforeRun(r, project), word::CheckResult::Failed);
    EXPECT_EQ(sv.boxes.back().text, "出力対象を選択してください。");
    EXPECT_EQ(word::checkBeforeRun(r, root + "/missing.nam"), word::CheckResult::Silent);
}

TEST_F(WordRunTest, PathsAreMadeAbsoluteAndTheLauncherIsNoTemplate) {
    app::ParamRecord r = app::makeDefaultRecord();
    r.setWordTemplate("rq4100.dot");
    r.setWordForm(0, "   ");
    r.setWordForm(1, "/abs/f.doc");
    r.setWordDocument("");
    word::makeWordPathsAbsolute(r, "/inst");
    EXPECT_EQ(r.wordTemplate(), "/inst/rq4100.dot");
    EXPECT_EQ(r.wordForm(0), "");
    EXPECT_EQ(r.wordForm(1), "/abs/f.doc");
    EXPECT_EQ(r.wordDocument(), "");
    EXPECT_TRUE(word::isLauncherTemplate("/inst/RQ4100.DOT", "/inst"));
    EXPECT_FALSE(word::isLauncherTemplate("/inst/Forms/rq4100.dot", "/inst"));
}

TEST_F(WordRunTest, WatchShowsEachLineOnceAndEndsAtTheEndWord) {
    base::ScopedServices use(sv);
    word::ProgressWatch w;
    EXPECT_FALSE(w.poll(install));  // no file yet
    base::writeFileAtomic(install + "/word.log", base::toCp932("開始\r\n\r\n表紙を作成しました。\r\n途中"));
    EXPECT_FALSE(w.poll(install));
    base::writeFileAtomic(install + "/word.log",
                          base::toCp932("開始\r\n\r\n表紙を作成しました。\r\n途中の行\r\nWord 出力を終了しました。\r\n\r\n"));
    EXPECT_TRUE(w.poll(install));
    EXPECT_EQ(wordLines(), (std::vector<std::string>{"開始", "表紙を作成しました。", "途中の行", "Word 出力を終了しました。"}));
    // A log whose last line lacks the end word keeps the watch going.
    base::writeFileAtomic(install + "/word.log", base::toCp932("終了しない\r\nまだ\r\n"));
    w.reset();
    EXPECT_FALSE(w.poll(install));
    word::wordRunState().watching = true;
    w.finish(in.rec);
    EXPECT_FALSE(word::wordRunState().watching);
    EXPECT_EQ(sv.logoStops, 1);
}

// The whole way: the run starts the real builder, which writes the document.
TEST_F(WordRunTest, RealBuilderWritesTheDocumentAndTheWatchEnds) {
    base::ScopedServices use(sv);
    fs::copy_file(WORD_TEST_BUILDER, install + "/chronava-docbuild");
    in.launcher = nullptr;
    ASSERT_EQ(word::runWordOutput(in), word::RunResult::Started);
    pid_t pid = word::wordRunState().builder;
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    word::wordRunState().builder = 0;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(word::progressWatch().poll(install));
    EXPECT_TRUE(base::fileExists(folder + "/ライン.docx"));
    EXPECT_EQ(wordLines().back(), "Word ドキュメントの作成を終了しました。");
}

}  // namespace

namespace {

TEST_F(WordRunTest, ProjectThatDoesNotOpenEndsTheRunWithItsPath) {
    base::ScopedServices use(sv);
    in.projectPath = root + "/gone.nam";
    EXPECT_EQ(word::runWordOutput(in), word::RunResult::Failed);
    ASSERT_EQ(sv.boxes.size(), 1u);
    EXPECT_EQ(sv.boxes[0].text, "ファイルオープンエラー\n" + in.projectPath);
    EXPECT_EQ(sv.busyDepth, 0);
    EXPECT_EQ(sv.logoStops, 1);
    EXPECT_FALSE(word::wordRunState().preparing);
}

}  // namespace

namespace {

TEST_F(WordRunTest, BuilderThatEndsWithoutTheEndLineEndsTheWatchWithAFailure) {
    base::ScopedServices use(sv);
    in.launcher = nullptr;
    in.builderProgram = "/bin/true";  // ends at once and writes nothing
    ASSERT_EQ(word::runWordOutput(in), word::RunResult::Started);
    bool ended = false;
    for (int i = 0; i < 100000 && !ended; ++i) {
        ended = word::progressWatch().poll(install);
        if (!ended) usleep(1000);
    }
    ASSERT_TRUE(ended);
    EXPECT_EQ(wordLines().back(), "Word出力が異常終了しました。[ドキュメント作成プログラムが途中で終了しました]");
}

}  // namespace
