// The HTML output run end to end (the chart export stands in for the drawing), and
// the publishing settings file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "app/catalogue.h"
#include "app/project.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"
#include "ftpserver.h"
#include "output/html_run.h"
#include "output/publish.h"

namespace {

using ftptest::FtpServer;
using ftptest::TempDir;
namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::string s;
    base::readFile(path, s);
    return s;
}

// A project "abc" with two sources, run against the installed control file and forms.
class HtmlRun : public ::testing::Test {
protected:
    TempDir dir;
    std::string folder = dir / "abc";
    std::string projectPath = folder + "/abc.nam";
    std::string serverRoot = dir / "server";
    base::RecordingServices rec;
    base::ScopedServices scope{rec};
    // Pages per source; a negative count makes that source's export fail.
    std::vector<int> pages = {3, 1};
    int exports = 0;

    void SetUp() override {
        fs::create_directories(folder);
        fs::create_directories(serverRoot + "/web");
        app::Project p;
        p.path = projectPath;
        p.baseDir = folder;
        ASSERT_EQ(app::saveProject(p, {"trace.klg", "pump.klg"}), 0);
    }

    output::HtmlRunSetup setup(int cvp, int idx, int tct) {
        output::HtmlRunSetup s;
        s.installDir = CHRONAVA_TEST_DIST;
        s.projectPath = projectPath;
        s.targets[output::kTargetCover] = output::targetEntry(1, cvp);
        s.targets[output::kTargetContents] = output::targetEntry(2, idx);
        s.targets[output::kTargetChart] = output::targetEntry(3, tct);
        const std::string forms = std::string(CHRONAVA_TEST_DIST) + "/Forms/Html/";
        s.forms[output::kTargetCover] = forms + "pxd98cvp.htm";
        s.forms[output::kTargetContents] = forms + "pxd98idx.htm";
        s.forms[output::kTargetChart] = forms + "pxd98tct.htm";
        s.generator.date = {2026, 12, 8};
        return s;
    }

    output::ChartExport exporter() {
        return [this](const std::string& log, const std::string& into) {
            output::ChartPages r;
            const std::string stem = base::joinPath(into, base::baseName(log));
            const int n = pages[exports++];
            if (n < 0) {
                r.result = 11;
                r.errorText = "ファイルが見つかりません。";
                return r;
            }
            for (int k = 1; k <= n; ++k) base::writeFileAtomic(output::figureImagePath(stem + "-tct", k), "GIF87a");
            r.pages = n;
            r.chartPathNoExt = stem;
            return r;
        };
    }

    std::vector<std::string> htmlLines() const {
        std::vector<std::string> out;
        for (const auto& [list, text] : rec.messages)
            if (list == base::kListHtml) out.push_back(text);
        return out;
    }
};

TEST_F(HtmlRun, ProducesBrowsablePagesAndPublishesEveryOne) {
    FtpServer server("plain", serverRoot);
    ASSERT_GT(server.port(), 0);
    output::HtmlRunSetup s = setup(1, 2, 3);
    s.upload = true;
    s.account = {server.address(), "web", "user", "secret"};

    EXPECT_EQ(output::runHtmlOutput(s, exporter()), output::kHtmlRunOk);
    const auto lines = htmlLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines.front(), "HTML出力を開始します。[abc]");
    EXPECT_EQ(lines.back(), "HTML出力を終了しました。[abc]");
    EXPECT_EQ(lines[1], "HTML ドキュメントを出力しました。[表紙 : " + folder + "/abc-cvp.html]");
    EXPECT_EQ(rec.beeps, 1);
    EXPECT_EQ(rec.busyDepth, 0);
    EXPECT_GT(rec.keepAlives, 0);
    EXPECT_EQ(rec.logoStarts, 1);
    EXPECT_EQ(rec.logoStops, 1);

    for (const char* name : {"abc-cvp.html", "abc-idx.html", "abc-tct.html"}) {
        ASSERT_TRUE(fs::exists(folder + "/" + name)) << name;
        EXPECT_EQ(slurp(serverRoot + "/web/" + name), slurp(folder + "/" + name)) << name;
    }
    // The chart images are not part of the upload; the page names all four.
    EXPECT_FALSE(fs::exists(serverRoot + "/web/trace-tct-001.gif"));
    const std::string tct = slurp(folder + "/abc-tct.html");
    for (const char* img : {"trace-tct-001.gif", "trace-tct-002.gif", "trace-tct-003.gif", "pump-tct-001.gif"})
        EXPECT_NE(tct.find(img), std::string::npos) << img;
    EXPECT_EQ(tct.find("trace-tct-004.gif"), std::string::npos);

    const std::string cmd = std::string("/usr/bin/python3 ") + CHRONAVA_TEST_HTMLCHECK + " " + folder +
                            "/abc-cvp.html " + folder + "/abc-idx.html " + folder + "/abc-tct.html >/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(HtmlRun, AFailedStepEndsTheRunWithItsLineAndKeepsWhatWasMade) {
    FtpServer server("plain", serverRoot);
    ASSERT_GT(server.port(), 0);
    output::HtmlRunSetup s = setup(1, 0, 3);
    s.upload = true;
    s.account = {server.address(), "", "user", "wrong"};

    // A refused login: one line, no page reaches the server, the pages stay.
    EXPECT_EQ(output::runHtmlOutput(s, exporter()), output::kHtmlRunUploadFailed);
    auto lines = htmlLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.back(), "HTML出力が異常終了しました。[ファイル転送エラー[abc]]");
    EXPECT_TRUE(fs::exists(folder + "/abc-cvp.html"));
    EXPECT_TRUE(fs::exists(folder + "/abc-tct.html"));
    EXPECT_FALSE(fs::exists(folder + "/abc-idx.html"));
    EXPECT_TRUE(fs::is_empty(serverRoot + "/web"));
    EXPECT_FALSE(fs::exists(serverRoot + "/abc-cvp.html"));
    EXPECT_EQ(rec.beeps, 1);
    EXPECT_EQ(rec.busyDepth, 0);

    // The second source's export fails: two lines, no definition file, the figure
    // list keeps the first source.
    rec.messages.clear();
    fs::remove(output::htmlDefinitionPath(projectPath));
    pages = {2, -1};
    exports = 0;
    s.upload = false;
    EXPECT_EQ(output::runHtmlOutput(s, exporter()), output::kHtmlRunExportFailed);
    lines = htmlLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "タイミングチャートGIFファイル出力が異常終了しました。[ファイルが見つかりません。]");
    EXPECT_EQ(lines[2], "HTML出力が異常終了しました。[イメージファイル生成エラー]");
    EXPECT_FALSE(fs::exists(output::htmlDefinitionPath(projectPath)));
    std::vector<output::FigureEntry> figures;
    ASSERT_EQ(output::readFigureList(output::htmlFigureListPath(folder), figures), 0);
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].title, "trace.klg");
    EXPECT_EQ(figures[0].pages, 2);

    // An output folder that cannot be written: the generator's result is reported.
    rec.messages.clear();
    pages = {1, 1};
    exports = 0;
    s.outputFolder = dir / "missing-folder";
    EXPECT_EQ(output::runHtmlOutput(s, exporter()), output::kHtmlRunGenerateFailed);
    lines = htmlLines();
    EXPECT_EQ(lines.back(), "HTML出力が異常終了しました。[生成エラー[10]]");
    EXPECT_EQ(rec.busyDepth, 0);
    // Every failed run stopped the logo it started.
    EXPECT_EQ(rec.logoStarts, 3);
    EXPECT_EQ(rec.logoStops, 3);
}

TEST_F(HtmlRun, NothingSelectedOrNoProject) {
    // No target: no export, no definition file, and the run ends as a success.
    EXPECT_EQ(output::runHtmlOutput(setup(0, 0, 0), exporter()), output::kHtmlRunOk);
    EXPECT_EQ(exports, 0);
    EXPECT_FALSE(fs::exists(output::htmlDefinitionPath(projectPath)));
    EXPECT_EQ(htmlLines().back(), "HTML出力を終了しました。[abc]");

    // A project without sources writes no timing-chart page.
    rec.messages.clear();
    app::Project p;
    p.path = folder + "/empty.nam";
    p.baseDir = folder;
    ASSERT_EQ(app::saveProject(p, {}), 0);
    output::HtmlRunSetup s = setup(1, 0, 2);
    s.projectPath = p.path;
    EXPECT_EQ(output::runHtmlOutput(s, exporter()), output::kHtmlRunOk);
    EXPECT_TRUE(fs::exists(folder + "/empty-cvp.html"));
    EXPECT_FALSE(fs::exists(folder + "/empty-tct.html"));

    rec.messages.clear();
    s.projectPath = folder + "/gone.nam";
    EXPECT_EQ(output::runHtmlOutput(s, exporter()), output::kHtmlRunNoProject);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "HTML 出力");
    EXPECT_NE(rec.boxes[0].text.find(std::string(app::message(100))), std::string::npos);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(rec.busyDepth, 0);
}

TEST_F(HtmlRun, PreOutputChecksNameWhatIsMissing) {
    output::HtmlRunSetup s = setup(1, 0, 2);
    std::string missing;
    EXPECT_TRUE(output::checkHtmlOutput(s, missing));
    // The contents form is not checked while the contents are not selected.
    s.forms[output::kTargetContents] = dir / "none.htm";
    EXPECT_TRUE(output::checkHtmlOutput(s, missing));
    s.forms[output::kTargetChart] = dir / "nochart.htm";
    EXPECT_FALSE(output::checkHtmlOutput(s, missing));
    EXPECT_EQ(missing, dir / "nochart.htm");
    s = setup(1, 0, 0);
    s.outputFolder = dir / "nofolder";
    EXPECT_FALSE(output::checkHtmlOutput(s, missing));
    EXPECT_EQ(missing, dir / "nofolder");
}

TEST(PublishSettings, SavedPasswordIsScrambledAndOwnerOnly) {
    TempDir dir;
    const std::string path = output::publishSettingsPath(dir / "rq4100s.prm");
    EXPECT_EQ(path, dir / "rq4100s.ftp");
    output::PublishSettings s;
    ASSERT_EQ(output::readPublishSettings(path, s), 0);  // missing: defaults
    EXPECT_FALSE(s.upload);

    s.upload = true;
    s.server = "ftp.example.net:2121";
    s.folder = "公開/web";
    s.user = "kato";
    output::takePasswordField(s, "pa ss#1", true);
    ASSERT_EQ(output::writePublishSettings(path, s), 0);
    const std::string bytes = slurp(path);
    EXPECT_EQ(bytes.find("pa ss#1"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    output::PublishSettings back;
    ASSERT_EQ(output::readPublishSettings(path, back), 0);
    EXPECT_TRUE(back.upload);
    EXPECT_EQ(back.server, s.server);
    EXPECT_EQ(back.folder, s.folder);
    EXPECT_EQ(back.user, "kato");
    EXPECT_TRUE(back.savePassword);
    EXPECT_EQ(output::uploadPassword(back), "pa ss#1");

    // An empty field keeps both passwords; without saving a new one lives in memory.
    output::takePasswordField(back, "", true);
    EXPECT_EQ(output::uploadPassword(back), "pa ss#1");
    output::takePasswordField(back, "other", false);
    EXPECT_EQ(output::uploadPassword(back), "other");
    EXPECT_EQ(output::unscramblePassword(back.savedPassword), "pa ss#1");

    // A file made readable for others before is narrowed again on the next write.
    ::chmod(path.c_str(), 0644);
    ASSERT_EQ(output::writePublishSettings(path, back), 0);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    back.savedPassword = output::scramblePassword("two\nlines");
    EXPECT_EQ(output::writePublishSettings(path, back), -2);
    back.savedPassword = output::scramblePassword("pa ss#1");
    s.user = "😀";
    EXPECT_EQ(output::writePublishSettings(path, s), -2);
    EXPECT_EQ(output::writePublishSettings(dir / "no/such/rq4100s.ftp", back), -1);
}

}  // namespace
