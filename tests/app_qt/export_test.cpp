// The metafile and GIF output commands, their target dialogs and `chronava export`.
#include "chartexport.h"
#include "chartsupport.h"
#include "fixture.h"
#include "logobox.h"
#include "messagepane.h"
#include "outputdialog.h"

#include "app/generation.h"
#include "base/files.h"
#include "convert/cli.h"
#include "view/results.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

namespace {

class ExportTest : public FrameTest {
protected:
    // A project with logs a.klg and b.klg (and their charts) plus `extra` sources.
    std::string makeChartProject(const std::vector<std::string>& extra = {}) {
        const std::string folder = path("Projects/exp");
        std::filesystem::create_directories(folder);
        const std::string log =
            "# export test\r\n"
            "2026/01/01 10:00:00.000 $SIG1=ON // start\r\n"
            "2026/01/01 10:00:01.500 $SIG2=PULSE\r\n"
            "2026/01/01 10:00:03.000 $SIG1=OFF // stop\r\n";
        std::vector<std::string> sources;
        for (const char* n : {"a", "b"}) {
            const std::string l = folder + "/" + n + ".klg";
            EXPECT_TRUE(base::writeFileAtomic(l, log));
            const std::string tct = folder + "/" + n + ".tct";
            const char* argv[] = {"convert", l.c_str(), "-o", tct.c_str()};
            std::FILE* null = std::fopen("/dev/null", "w");
            EXPECT_EQ(convert::convertCommand(4, argv, null, null), 0);
            std::fclose(null);
            sources.push_back(std::string(n) + ".klg");
        }
        for (const auto& e : extra) sources.push_back(e);
        const std::string nam = folder + "/exp.nam";
        writeProject(nam, sources);
        return nam;
    }
    view::ChartParams twoPages() {
        view::ChartParams p;
        p.pageCount = 2;
        return p;
    }
    bool exists(const std::string& rel) const { return std::filesystem::exists(path(rel)); }
};

TEST_F(ExportTest, OutputCommandExportsEveryLogInOrderAndReports) {
    const std::string nam = makeChartProject();
    base::RecordingServices rec;
    base::ScopedServices use(rec);
    app::ParamRecord r;
    r.setGifTarget(app::kKindChart, 257);
    EXPECT_EQ(appqt::runOutputCommand(nam, path("Projects/exp"), appqt::ExportFormat::Gif, r, twoPages(),
                                      view::ScreenMetrics{}),
              0);
    ASSERT_EQ(rec.messages.size(), 5u);
    EXPECT_EQ(rec.messages[0].second,
              "  GIFファイルを出力しました。[ファイル名 : " + path("Projects/exp/a-tct-001.gif") + "]");
    EXPECT_EQ(rec.messages[3].second,
              "  GIFファイルを出力しました。[ファイル名 : " + path("Projects/exp/b-tct-002.gif") + "]");
    EXPECT_EQ(rec.messages[4].second, "タイミングチャートGIFファイル出力を終了しました。[exp.nam]");
    EXPECT_EQ(rec.busyDepth, 0);
    EXPECT_EQ(rec.progress[0], "タイミング図 GIF ファイル出力");
    std::string gif;
    ASSERT_TRUE(base::readFile(path("Projects/exp/a-tct-001.gif"), gif));
    EXPECT_EQ(gif.substr(0, 6), "GIF87a");
    // An outside decoder reads every exported page.
    if (std::filesystem::exists("/usr/bin/giftext")) {
        for (const char* f : {"a-tct-001", "a-tct-002", "b-tct-001", "b-tct-002"}) {
            const std::string cmd = "giftext " + path(std::string("Projects/exp/") + f + ".gif") + " >/dev/null 2>&1";
            EXPECT_EQ(std::system(cmd.c_str()), 0) << f;
        }
    }

    rec.messages.clear();
    r.setMetafileTarget(app::kKindChart, 257);
    EXPECT_EQ(appqt::runOutputCommand(nam, path("Projects/exp"), appqt::ExportFormat::Metafile, r, twoPages(),
                                      view::ScreenMetrics{}),
              0);
    EXPECT_TRUE(exists("Projects/exp/b-tct-002.wmf"));
    EXPECT_EQ(rec.messages.back().second, "タイミングチャートメタファイル出力を終了しました。[exp.nam]");
    EXPECT_EQ(rec.messages.front().second.rfind("  メタファイルを出力しました。[ファイル名 : ", 0), 0u);
}

// Logs named with "../" or by an absolute path: generation leaves their charts in the
// project's data folder, and both exports find them there and write the pages beside
// them, not beside the logs.
TEST_F(ExportTest, ChartsOfLogsOutsideTheProjectComeFromTheDataFolder) {
    const std::string events = "2026/01/01 10:00:00.000 $S=ON\r\n2026/01/01 10:00:02.000 $S=OFF\r\n";
    std::filesystem::create_directories(path("logs"));
    std::filesystem::create_directories(path("Projects/out"));
    ASSERT_TRUE(base::writeFileAtomic(path("logs/far.klg"), events));
    ASSERT_TRUE(base::writeFileAtomic(path("logs/abs.klg"), events));
    const std::string nam = path("Projects/out/out.nam");
    writeProject(nam, {"../../logs/far.klg", path("logs/abs.klg")});
    {
        base::RecordingServices rec;
        base::ScopedServices use(rec);
        ASSERT_EQ(core.openProject(nam, false), 0);
        EXPECT_EQ(app::generateProject(core, true), 0);
        EXPECT_EQ(rec.logoStarts, 1);
        EXPECT_EQ(rec.logoStops, 1);
    }
    EXPECT_TRUE(exists("Projects/out/far.tct"));
    EXPECT_TRUE(exists("Projects/out/abs.tct"));
    EXPECT_FALSE(exists("logs/far.tct"));

    base::RecordingServices rec;
    base::ScopedServices use(rec);
    app::ParamRecord r;
    r.setGifTarget(app::kKindChart, 257);
    EXPECT_EQ(appqt::runOutputCommand(nam, core.dataFolder(), appqt::ExportFormat::Gif, r, twoPages(),
                                      view::ScreenMetrics{}),
              0);
    EXPECT_TRUE(exists("Projects/out/far-tct-002.gif"));
    EXPECT_TRUE(exists("Projects/out/abs-tct-002.gif"));
    EXPECT_FALSE(exists("logs/far-tct-001.gif"));
    EXPECT_EQ(rec.messages.back().second, "タイミングチャートGIFファイル出力を終了しました。[out.nam]");
    EXPECT_EQ(rec.logoStarts, 1);
    EXPECT_EQ(rec.logoStops, 1);

    std::vector<std::string> args = {"export", "--wmf", nam, "--params", path("rq4100s.pro"), "--pages", "1"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    EXPECT_EQ(appqt::exportCommand(int(argv.size()), argv.data()), 0);
    EXPECT_TRUE(exists("Projects/out/far-tct-001.wmf"));
    EXPECT_TRUE(exists("Projects/out/abs-tct-001.wmf"));
}

// The desktop road of a project like SampleT5: a raw log outside the project folder,
// a data folder written relative to the installation folder, "生成実行" and then
// "GIF ファイル出力" from the frame.
TEST_F(ExportTest, FrameGeneratesAndExportsALogOutsideTheProject) {
    writeText(path("awk/far.log"), "2026/01/05 09:00:00.000 $A=ON\r\n2026/01/05 09:00:01.500 $A=OFF\r\n");
    writeText(path("pre.sh"), "cp \"$1.log\" \"$1.klg\"\n");
    services.setPollInterval(10);
    app::ParamRecord& r = core.params().record();
    r.setPreprocessCommand("/bin/sh pre.sh &B");
    r.setPageCount(1);
    r.setPageDivision(1);
    r.setTellPageCount(0);
    r.setOutputGivenRange(0);
    writeText(path("Projects/s5/s5.nam"), " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n\"../../awk/far.log\"\r\n[IncludePath]\r\n"
                                          "[Common]\r\nDataDirectory = \"Projects/s5\"\r\n"
                                          "InputBaseDirectory = \"Projects/s5\"\r\nInputFileCode = SJIS\r\n");
    frame->openProject(path("Projects/s5/s5.nam"), false);
    ASSERT_TRUE(frame->hasProject());

    QTimer::singleShot(0, [] {
        QWidget* d = QApplication::activeModalWidget();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->objectName(), "CNVDLG");
        d->findChild<QPushButton*>("id1")->click();
    });
    frame->action(20488)->trigger();
    EXPECT_TRUE(exists("Projects/s5/far.tct"));
    EXPECT_FALSE(exists("awk/far.tct"));

    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<appqt::OutputTargetDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->findChild<QPushButton*>("selectAll")->click();
        d->accept();
    });
    frame->dispatch(appqt::cmd::kGif);
    EXPECT_TRUE(exists("Projects/s5/far-tct-001.gif"));
    QListWidget* chartList = frame->messagePane()->list(base::kListChart);
    ASSERT_GT(chartList->count(), 0);
    EXPECT_EQ(chartList->item(chartList->count() - 1)->text().toStdString(),
              "タイミングチャートGIFファイル出力を終了しました。[s5.nam]");
    EXPECT_FALSE(frame->logoBox()->running());
}

TEST_F(ExportTest, TheFirstFailureEndsTheCommand) {
    const std::string nam = makeChartProject({"c.klg", "d.klg"});  // c has no chart
    base::RecordingServices rec;
    base::ScopedServices use(rec);
    app::ParamRecord r;
    r.setMetafileTarget(app::kKindChart, 257);
    EXPECT_EQ(appqt::runOutputCommand(nam, path("Projects/exp"), appqt::ExportFormat::Metafile, r, twoPages(),
                                      view::ScreenMetrics{}),
              -1);
    EXPECT_TRUE(exists("Projects/exp/b-tct-002.wmf"));  // written before the failure stay
    EXPECT_EQ(rec.messages.back().second, "タイミングチャートメタファイル出力が異常終了しました。[" +
                                              view::exportResultText(-1, "c.tct") + "]");
    EXPECT_EQ(rec.busyDepth, 0);
    EXPECT_EQ(rec.logoStarts, 1);  // the logo stops on the way out of a failed run too
    EXPECT_EQ(rec.logoStops, 1);
}

TEST_F(ExportTest, NoTargetOrNoProjectStopsBeforeAnyExport) {
    const std::string nam = makeChartProject();
    base::RecordingServices rec;
    base::ScopedServices use(rec);
    app::ParamRecord r;
    r.setGifTarget(app::kKindChart, 256);  // not ticked
    EXPECT_EQ(appqt::runOutputCommand(nam, path("Projects/exp"), appqt::ExportFormat::Gif, r, twoPages(),
                                      view::ScreenMetrics{}),
              -1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "GIFファイル出力");
    EXPECT_EQ(rec.boxes[0].text, "出力対象を選択してください。");
    EXPECT_FALSE(exists("Projects/exp/a-tct-001.gif"));

    rec.boxes.clear();
    r.setGifTarget(app::kKindChart, 257);
    EXPECT_EQ(appqt::runOutputCommand(path("none.nam"), path("Projects"), appqt::ExportFormat::Metafile, r, twoPages(),
                                      view::ScreenMetrics{}),
              -1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "メタファイル出力");
    EXPECT_EQ(rec.boxes[0].text, "ファイルオープンエラー\n" + path("none.nam"));
}

TEST_F(ExportTest, TargetDialogsTickAndStoreTheChartEntry) {
    for (bool metafile : {true, false}) {
        appqt::OutputTargetDialog dlg(*frame, metafile);
        EXPECT_EQ(dlg.helpContext(), metafile ? 816 : 818);
        EXPECT_EQ(dlg.objectName(), metafile ? "OUTMTFDLG" : "OUTGIFDLG");
        QTreeWidget* list = dlg.list();
        ASSERT_EQ(list->topLevelItemCount(), 1);
        QTreeWidgetItem* item = list->topLevelItem(0);
        EXPECT_EQ(item->text(0), "タイミングチャート");
        EXPECT_EQ(list->headerItem()->text(0), "対象ファイル名");
        dlg.findChild<QPushButton*>("clearAll")->click();
        EXPECT_EQ(item->checkState(0), Qt::Unchecked);
        dlg.findChild<QPushButton*>("selectAll")->click();
        EXPECT_EQ(item->checkState(0), Qt::Checked);
        dlg.accept();
        const app::ParamRecord& r = core.params().record();
        const std::size_t base = metafile ? 29144 : 29400;
        EXPECT_EQ(r.u16(base + 2 * app::kKindChart), 257);
        EXPECT_EQ(r.u16(base), 256);
        EXPECT_EQ(r.u16(base + 2 * 5), 6 * 256);
        EXPECT_TRUE(appqt::OutputTargetDialog::chartTicked(r, metafile));
    }
    // Unticked on OK: the offered row keeps its number, the low byte 0.
    appqt::OutputTargetDialog dlg(*frame, false);
    dlg.findChild<QPushButton*>("clearAll")->click();
    dlg.accept();
    EXPECT_EQ(core.params().record().gifTarget(app::kKindChart), 256);
    // The file was written with the record.
    app::ParamRecord back;
    ASSERT_EQ(app::readParamFile(back, core.params().path(), path("rq4100s.pro")), 0);
    EXPECT_EQ(back.gifTarget(app::kKindChart), 256);
    EXPECT_EQ(back.metafileTarget(app::kKindChart), 257);
}

TEST_F(ExportTest, FrameCommandShowsTheDialogThenExports) {
    frame->openProject(makeChartProject(), false);
    app::ParamRecord& r = core.params().record();
    r.setPageCount(2);
    r.setPageDivision(1);
    r.setOutputAllPages(1);
    r.setTellPageCount(0);
    r.setOutputGivenRange(0);
    // Cancel: nothing is stored or written.
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    frame->dispatch(appqt::cmd::kGif);
    EXPECT_FALSE(exists("Projects/exp/a-tct-001.gif"));
    // OK with the chart ticked.
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<appqt::OutputTargetDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->objectName(), "OUTGIFDLG");
        d->findChild<QPushButton*>("selectAll")->click();
        d->accept();
    });
    frame->dispatch(appqt::cmd::kGif);
    EXPECT_TRUE(exists("Projects/exp/a-tct-002.gif"));
    EXPECT_TRUE(exists("Projects/exp/b-tct-002.gif"));
    EXPECT_FALSE(exists("Projects/exp/a-tct-003.gif"));
    QListWidget* chartList = frame->messagePane()->list(base::kListChart);
    ASSERT_GT(chartList->count(), 0);
    EXPECT_EQ(chartList->item(chartList->count() - 1)->text().toStdString(),
              "タイミングチャートGIFファイル出力を終了しました。[exp.nam]");
    EXPECT_FALSE(frame->busy());
}

TEST_F(ExportTest, GifPalettesFollowTheColourMode) {
    makeChartProject();
    base::RecordingServices rec;
    base::ScopedServices use(rec);
    view::ChartParams p = twoPages();
    p.pageCount = 1;
    const std::string folder = path("Projects/exp");
    auto table = [&](int i) {
        std::string g;
        EXPECT_TRUE(base::readFile(path("Projects/exp/a-tct-001.gif"), g));
        const std::size_t at = 13 + 3 * std::size_t(i);
        return g.size() > at + 2 ? view::rgb(std::uint8_t(g[at]), std::uint8_t(g[at + 1]), std::uint8_t(g[at + 2]))
                                 : view::rgb(1, 2, 3);
    };
    ASSERT_EQ(appqt::exportOneChart(folder, "a.klg", appqt::ExportFormat::Gif, p, view::ScreenMetrics{}, "", {}),
              0);
    EXPECT_EQ(table(0), p.colours[view::kColourBackground]);
    EXPECT_EQ(table(1), p.colours[view::kColourSignal]);
    EXPECT_EQ(table(7), view::rgb(0, 192, 0));
    p.outputColourMode = 1;  // monochrome: the grey ramp
    ASSERT_EQ(appqt::exportOneChart(folder, "a.klg", appqt::ExportFormat::Gif, p, view::ScreenMetrics{}, "", {}),
              0);
    EXPECT_EQ(table(1), view::rgb(1, 1, 1));
    EXPECT_EQ(table(200), view::rgb(200, 200, 200));
    EXPECT_EQ(rec.progress.front(), "タイミング図 GIF ファイル出力");

    // Pillow decodes the GIF page to exactly the pixels of the same page as PNG.
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) return;
    for (int mode : {0, 1}) {
        p.outputColourMode = mode;
        p.showUpperScale = true;
        ASSERT_EQ(appqt::exportOneChart(folder, "a.klg", appqt::ExportFormat::Gif, p, view::ScreenMetrics{}, "", {}),
              0);
        ASSERT_EQ(appqt::exportOneChart(folder, "a.klg", appqt::ExportFormat::Png, p, view::ScreenMetrics{}, "", {}), 0);
        const std::string cmd =
            "/usr/bin/python3 -c 'import sys; from PIL import Image; "
            "a = Image.open(sys.argv[1]).convert(\"RGB\"); b = Image.open(sys.argv[2]).convert(\"RGB\"); "
            "sys.exit(0 if a.size == b.size and a.tobytes() == b.tobytes() else 1)' " +
            path("Projects/exp/a-tct-001.gif") + " " + path("Projects/exp/a-tct-001.png");
        // Monochrome pages hold only black, white and greys, which the grey ramp keeps.
        EXPECT_EQ(std::system(cmd.c_str()), 0) << "colour mode " << mode;
    }
}

TEST_F(ExportTest, RecordFieldsBecomeChartParameters) {
    app::ParamRecord r = app::makeDefaultRecord();
    r.setOutputSize({1, 2, 3, 4, 100, 80});
    r.setOutputAllPages(0);
    r.setHideUpperScale(0);
    r.setPageDivision(0);
    r.setOutputGivenRange(1);
    r.setRangeStart({2001, 2, 3, 4, 5, 6});
    r.setRangeStartFraction(7);
    r.setTimePerPage({0, 0, 0, 1, 2, 3});
    r.setPageCount(9);
    const view::ChartParams p = appqt::chartParamsFrom(r);
    EXPECT_EQ(p.marginTop, 1);
    EXPECT_EQ(p.marginLeft, 2);
    EXPECT_EQ(p.marginRight, 3);
    EXPECT_EQ(p.marginBottom, 4);
    EXPECT_EQ(p.outputWidth, 100);
    EXPECT_EQ(p.outputHeight, 80);
    EXPECT_TRUE(p.skipUnchanged);
    EXPECT_TRUE(p.showUpperScale);
    EXPECT_FALSE(p.divideByPageCount);
    EXPECT_TRUE(p.rangeGiven);
    EXPECT_EQ(p.rangeStart, (view::DateFields{2001, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(p.timePerPage, (view::PeriodFields{0, 0, 0, 1, 2, 3, 0}));
    EXPECT_EQ(p.pageCount, 9);
    r.setOutputAllPages(1);
    r.setHideUpperScale(1);
    r.setPageDivision(1);
    const view::ChartParams q = appqt::chartParamsFrom(r);
    EXPECT_FALSE(q.skipUnchanged);
    EXPECT_FALSE(q.showUpperScale);
    EXPECT_TRUE(q.divideByPageCount);
}

TEST_F(ExportTest, CommandLineWritesThePagesWithOverrides) {
    const std::string nam = makeChartProject();
    const std::string prm = path("rq4100s.pro");
    std::vector<std::string> args = {"export", "--svg", nam, "--params", prm, "--pages", "3", "--size", "100x60",
                                     "--all-pages"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    EXPECT_EQ(appqt::exportCommand(int(argv.size()), argv.data()), 0);
    EXPECT_TRUE(exists("Projects/exp/a-tct-003.svg"));
    EXPECT_TRUE(exists("Projects/exp/b-tct-003.svg"));
    EXPECT_FALSE(exists("Projects/exp/a-tct-004.svg"));
    std::string svg;
    ASSERT_TRUE(base::readFile(path("Projects/exp/a-tct-001.svg"), svg));
    EXPECT_NE(svg.find("SIG1"), std::string::npos);

    std::vector<std::string> bad = {"export", nam};
    std::vector<char*> badv;
    for (auto& a : bad) badv.push_back(a.data());
    EXPECT_EQ(appqt::exportCommand(int(badv.size()), badv.data()), 2);
}

// A project that names no log (a folder, an empty file, bytes that are no project)
// is an error with a message, never a silent success.
TEST_F(ExportTest, CommandLineRefusesProjectsWithoutLogs) {
    const std::string prm = path("rq4100s.pro");
    makeChartProject();
    std::string noise;
    for (int i = 0; i < 3000; ++i) noise += char((i * 37 + 11) % 256);
    base::writeFileAtomic(path("empty.nam"), "");
    base::writeFileAtomic(path("noise.nam"), noise);
    for (const std::string& project : {path("Projects"), path("empty.nam"), path("noise.nam")}) {
        std::vector<std::string> args = {"export", "--svg", project, "--params", prm};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        EXPECT_EQ(appqt::exportCommand(int(argv.size()), argv.data()), 1) << project;
    }
}

}  // namespace
