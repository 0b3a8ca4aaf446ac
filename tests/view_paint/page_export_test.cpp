// Page planning and the page loop of the chart export, without Qt.
#include "view/page_export.h"

#include "base/files.h"
#include "base/services.h"
#include "model_builder.h"
#include "view/recording_canvas.h"
#include "view/results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using painttest::addEvent;
using painttest::addSignal;
using painttest::makeModel;

// 4 px per mm: a 170 x 110 mm page is 680 x 440 px; with a 132 px name column the
// plot is 548 px wide.
view::ScreenMetrics screen4() { return view::ScreenMetrics{4.0, 4.0, 96}; }

// Remembers what the loop asks for; can fail at a chosen write.
class FakeWriter : public view::PageWriter {
public:
    int pagesMade = 0;
    std::vector<std::string> bases;
    int failAtWrite = 0;  // 1-based; 0 never
    int failCode = -4;
    std::unique_ptr<view::Canvas> newPage(int w, int h) override {
        ++pagesMade;
        return std::make_unique<view::RecordingCanvas>(w, h);
    }
    int writePage(view::Canvas&, const std::string& base, const view::PageContext&, std::string& written) override {
        if (failAtWrite && int(bases.size()) + 1 == failAtWrite) return failCode;
        bases.push_back(base);
        written = base + ".x";
        return 0;
    }
};

struct ExportFixture : ::testing::Test {
    base::RecordingServices rec;
    base::ScopedServices installed{rec};
    view::ExportRequest req;
    chart::ChartModel model = makeModel(0, 600);  // ten minutes at whole seconds

    void SetUp() override {
        req.screen = screen4();
        req.params.pageCount = 6;  // 100 s per page
        addSignal(model, 1, "SIG1");
    }
    int plan(view::PagePlan& p) { return view::planPages(model, req.params, req.screen, "c.tct", p); }
    int run(FakeWriter& w, view::ExportOutcome* o = nullptr) {
        return view::exportModel(model, "/tmp/d/c.tct", req, w, o);
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> t;
        for (const auto& b : rec.boxes) t.push_back(b.text);
        return t;
    }
};

TEST_F(ExportFixture, GeometryFollowsTheScreenAndParameters) {
    req.params.marginLeft = 10;
    req.params.marginRight = 5;
    req.params.marginTop = 3;
    req.params.outputWidth = 0;  // 64 mm
    req.params.showUpperScale = true;
    const view::PagePlan g = view::pageGeometry(model, req.params, view::ScreenMetrics{3.5, 4.25, 96});
    EXPECT_EQ(g.width, 224);
    EXPECT_EQ(g.height, 467);  // 110 x 4.25 = 467.5, truncated
    EXPECT_EQ(g.marginLeft, 35);
    EXPECT_EQ(g.marginRight, 17);
    EXPECT_EQ(g.marginTop, 12);
    EXPECT_EQ(g.strip, 32);
    EXPECT_EQ(g.nameWidth, 132);
    EXPECT_EQ(g.plotWidth, 224 - 35 - 17 - 132);
}

TEST_F(ExportFixture, NoChangeWithSkippingWritesPageZeroOnceAs001) {
    req.params.skipUnchanged = true;
    FakeWriter w;
    view::ExportOutcome o;
    EXPECT_EQ(run(w, &o), 0);
    ASSERT_EQ(w.bases.size(), 1u);
    EXPECT_EQ(w.bases[0], "/tmp/d/c-tct-001");
    EXPECT_EQ(w.pagesMade, 7);  // six pages looked at, page 0 once more
    EXPECT_EQ(o.pagesPlanned, 6);
    EXPECT_EQ(o.pagesWritten, 1);
}

TEST_F(ExportFixture, SkippedPagesLeaveNoGapsInTheNumbering) {
    req.params.skipUnchanged = true;
    for (double t : {50.0, 250.0, 560.0}) addEvent(model, 1, t, 'S', 1);  // pages 0, 2, 5
    FakeWriter w;
    EXPECT_EQ(run(w), 0);
    EXPECT_EQ(w.pagesMade, 6);
    EXPECT_EQ(w.bases, (std::vector<std::string>{"/tmp/d/c-tct-001", "/tmp/d/c-tct-002", "/tmp/d/c-tct-003"}));

    req.params.skipUnchanged = false;
    FakeWriter all;
    EXPECT_EQ(run(all), 0);
    EXPECT_EQ(all.bases.size(), 6u);
    EXPECT_EQ(all.bases[5], "/tmp/d/c-tct-006");
}

TEST_F(ExportFixture, PageCountAboveTheMagnificationLimitIsChangedAndSaid) {
    model = makeModel(0, 2);  // 2 units: at most one page of 548 x 0.01 = 5.48 units
    addSignal(model, 1, "SIG1");
    req.params.pageCount = 24;
    view::PagePlan p;
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(p.pages, 1);
    EXPECT_DOUBLE_EQ(p.timePerPage, 2.0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Chronava");
    EXPECT_EQ(rec.boxes[0].text,
              "最大拡大率をオーバーするため、指定されたページ分割数 24 を 1 に変更して出力します。\nc.tct");

    // Already the allowed count: nothing said, nothing changed.
    rec.boxes.clear();
    req.params.pageCount = 1;
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(p.pages, 1);
    EXPECT_TRUE(rec.boxes.empty());

    // Time mode: the time per page becomes the limit.
    req.params.divideByPageCount = false;
    req.params.timePerPage = view::PeriodFields{0, 0, 0, 0, 0, 1, 0};
    model = makeModel(3, 60);  // milliseconds: 1 s = 1000 units over 548 px is fine
    addSignal(model, 1, "SIG1");
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(p.pages, 60);
    EXPECT_TRUE(rec.boxes.empty());
    req.params.timePerPage = view::PeriodFields{0, 0, 0, 0, 0, 0, 2};  // 2 units per page
    EXPECT_EQ(plan(p), 0);
    EXPECT_DOUBLE_EQ(p.timePerPage, 5.48);
    EXPECT_EQ(p.pages, int(std::ceil(60000 / 5.48)));
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_NE(rec.boxes[0].text.find("１ページあたりの時間を変更して出力します。\nc.tct"), std::string::npos);
}

TEST_F(ExportFixture, FewerPagesThanAllowedStayAsAsked) {
    view::PagePlan p;
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(p.pages, 6);
    EXPECT_DOUBLE_EQ(p.timePerPage, 100.0);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ExportFixture, TimeModeDividesAndRefusesZero) {
    req.params.divideByPageCount = false;
    req.params.timePerPage = view::PeriodFields{0, 0, 0, 0, 4, 0, 0};  // 240 s
    view::PagePlan p;
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(p.pages, 3);  // ceil(600 / 240)
    req.params.timePerPage = view::PeriodFields{};
    EXPECT_EQ(plan(p), view::kExportRangeError);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "指定された１ページあたりの時間がゼロです。\n正しい値を指定してください。");
}

TEST_F(ExportFixture, RangeChecksAskAboutTheEndsOutsideOnly) {
    req.params.rangeGiven = true;
    req.params.rangeStart = view::DateFields{2000, 12, 31, 23, 0, 0, 0};  // before the data
    req.params.rangeEnd = view::DateFields{2001, 1, 1, 0, 5, 0, 0};       // inside
    view::PagePlan p;
    EXPECT_EQ(plan(p), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_TRUE(rec.boxes[0].warning);
    EXPECT_EQ(rec.boxes[0].text,
              "タイミングチャート出力範囲がデータ範囲外です。\n出力開始日時をデータ開始日時に合わせますか？\nc.tct");
    EXPECT_DOUBLE_EQ(p.start, 0);
    EXPECT_DOUBLE_EQ(p.total, 300);

    rec.boxes.clear();
    req.params.rangeStart = view::DateFields{2001, 1, 1, 0, 1, 0, 0};
    req.params.rangeEnd = view::DateFields{2001, 1, 2, 0, 0, 0, 0};  // after the data
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"タイミングチャート出力範囲がデータ範囲外です。\n"
                                                   "出力終了日時をデータ終了日時に合わせますか？\nc.tct"});
    EXPECT_DOUBLE_EQ(p.start, 60);
    EXPECT_DOUBLE_EQ(p.total, 540);

    rec.boxes.clear();
    rec.answers = {false};
    req.params.rangeStart = view::DateFields{2000, 1, 1, 0, 0, 0, 0};
    EXPECT_EQ(plan(p), view::kExportRangeError);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"タイミングチャート出力範囲がデータ範囲外です。\n"
                                                   "データ範囲に合わせますか？\nc.tct"});

    // Inside: no question. The end equal to the data end is inside, the start is not.
    rec.boxes.clear();
    req.params.rangeStart = view::DateFields{2001, 1, 1, 0, 0, 0, 0};
    req.params.rangeEnd = view::DateFields{2001, 1, 1, 0, 10, 0, 0};
    EXPECT_EQ(plan(p), 0);
    EXPECT_TRUE(rec.boxes.empty());
    req.params.rangeStart = view::DateFields{2001, 1, 1, 0, 10, 0, 0};
    rec.defaultAnswer = false;
    EXPECT_EQ(plan(p), view::kExportRangeError);
}

TEST_F(ExportFixture, ARangeEndingBeforeItStartsIsRefused) {
    req.params.rangeGiven = true;
    req.params.rangeStart = view::DateFields{2001, 1, 1, 0, 5, 0, 0};
    req.params.rangeEnd = view::DateFields{2001, 1, 1, 0, 2, 0, 0};
    view::PagePlan p;
    EXPECT_EQ(plan(p), view::kExportRangeError);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ExportFixture, MarginsTooLargeForThePage) {
    req.params.outputWidth = 64;  // 256 px
    req.params.marginLeft = 20;
    req.params.marginRight = 10;  // 256 - 120 - 132 < 10
    view::PagePlan p;
    EXPECT_EQ(plan(p), view::kExportMarginsTooLarge);
    FakeWriter w;
    EXPECT_EQ(run(w), view::kExportMarginsTooLarge);
    EXPECT_EQ(w.pagesMade, 0);
}

TEST_F(ExportFixture, ThePageCountIsToldWhenAsked) {
    req.params.tellPageCount = true;
    view::PagePlan p;
    EXPECT_EQ(plan(p), 0);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"タイミングチャートの出力ページ数は 6 ページです。\n続行しますか？\nc.tct"});
    rec.boxes.clear();
    req.params.skipUnchanged = true;
    rec.answers = {false};
    EXPECT_EQ(plan(p), view::kExportCancelled);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text.rfind("タイミングチャート全 6 ページの中から変化のあるページだけを\n出力します。\n", 0), 0u);
    // One page: nothing to tell.
    rec.boxes.clear();
    req.params.pageCount = 1;
    EXPECT_EQ(plan(p), 0);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(ExportFixture, ProgressCancelAndFailuresEndTheLoop) {
    FakeWriter w;
    rec.cancelAtUpdate = 3;
    EXPECT_EQ(run(w), view::kExportCancelled);
    EXPECT_EQ(w.bases.size(), 2u);
    ASSERT_GE(rec.progress.size(), 2u);
    EXPECT_EQ(rec.progress[0], "タイミング図 GIF ファイル出力");
    EXPECT_EQ(rec.progress[1], "タイミング図を出力中です。|c.tct|1/6");

    // A cancel with skipping on and nothing written still leaves the first page.
    rec.progress.clear();
    rec.cancelAtUpdate = 1;
    req.params.skipUnchanged = true;
    FakeWriter first;
    EXPECT_EQ(run(first), view::kExportCancelled);
    EXPECT_EQ(first.bases, std::vector<std::string>{"/tmp/d/c-tct-001"});

    rec.cancelAtUpdate = 0;
    req.params.skipUnchanged = false;
    FakeWriter failing;
    failing.failAtWrite = 3;
    EXPECT_EQ(run(failing), -4);
    EXPECT_EQ(failing.bases.size(), 2u);
    EXPECT_EQ(failing.pagesMade, 3);
}

TEST(PageExport, MetafilePagesOfAChartFileOnDisk) {
    base::RecordingServices rec;
    base::ScopedServices installed(rec);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "chronava_page_export_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    view::ExportRequest req;
    req.mode = view::kModeMetafile;
    req.screen = screen4();
    req.params.pageCount = 2;
    std::vector<std::string> written;
    req.written = [&](const std::string& p) { written.push_back(p); };
    view::MetafilePageWriter w(96);

    // A log whose chart is missing: the reader's failure ends the export.
    EXPECT_EQ(view::exportChart(dir.string(), "none.log", req, w), -1);
    EXPECT_TRUE(written.empty());

    chart::ChartModel m = makeModel(0, 100);
    addSignal(m, 1, "SIG1");
    addEvent(m, 1, 10, 'S', 1);
    // A page that cannot be created is a write error, whatever the writer calls it.
    EXPECT_EQ(view::exportModel(m, (dir / "gone" / "x.tct").string(), req, w), view::kExportWriteError);
    view::SvgPageWriter svg;
    EXPECT_EQ(view::exportModel(m, (dir / "gone" / "x.tct").string(), req, svg), view::kExportWriteError);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(view::exportModel(m, (dir / "x.tct").string(), req, w), 0);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1], (dir / "x-tct-002.wmf").string());
    std::ifstream f(written[0], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 22u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xD7\xCD\xC6\x9A", 4));
    std::filesystem::remove_all(dir);
}

}  // namespace

// Rows below the page bottom are named once per chart, with the remedy; a page that
// holds every row says nothing.
TEST(PageFit, NamesTheRowsThatFallOffThePage) {
    base::RecordingServices rec;
    base::ScopedServices installed{rec};
    chart::ChartModel m = makeModel(0, 600);
    for (int n = 1; n <= 9; ++n) {
        addSignal(m, n, "SIG" + std::to_string(n));
        addEvent(m, n, 10, 'S', 1);
    }
    view::ExportRequest req;
    req.screen = view::ScreenMetrics{96 / 25.4, 96 / 25.4, 96};  // 170 x 110 mm: 642 x 415 px
    req.params.heightUnit = 11;
    req.params.pageCount = 1;

    // Without the scale strip the ninth row's low level (407) is on the page; the time
    // axis (418) is not.
    view::PagePlan plan = view::pageGeometry(m, req.params, req.screen);
    ASSERT_EQ(plan.height, 415);
    view::PageFit fit = view::pageFit(m, req.params, plan);
    EXPECT_TRUE(fit.names.empty());
    EXPECT_TRUE(fit.axisOff);

    // With the strip (32 px) the ninth row goes as well.
    req.params.showUpperScale = true;
    plan = view::pageGeometry(m, req.params, req.screen);
    fit = view::pageFit(m, req.params, plan);
    EXPECT_EQ(fit.names, std::vector<std::string>{"SIG9"});
    EXPECT_TRUE(fit.axisOff);

    FakeWriter w;
    view::ExportOutcome out;
    ASSERT_EQ(view::exportModel(m, "/tmp/d/c.tct", req, w, &out), 0);
    EXPECT_EQ(out.fit.names, fit.names);
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].first, base::kListChart);
    const std::string& line = rec.messages[0].second;
    EXPECT_NE(line.find("c.tct"), std::string::npos);
    EXPECT_NE(line.find("[SIG9, 時間軸]"), std::string::npos);
    EXPECT_NE(line.find("ページの高さ"), std::string::npos);

    // The smallest signal height fits all nine rows and the axis: no line.
    rec.messages.clear();
    req.params.heightUnit = 8;
    ASSERT_EQ(view::exportModel(m, "/tmp/d/c.tct", req, w, &out), 0);
    EXPECT_TRUE(out.fit.fits());
    EXPECT_TRUE(rec.messages.empty());
}

// A page too short for even the first row names every signal; no slots name nothing.
TEST(PageFit, TinyPagesAndEmptyCharts) {
    chart::ChartModel m = makeModel(0, 60);
    addSignal(m, 1, "A");
    addSignal(m, 2, "B");
    view::ChartParams p;
    view::PagePlan plan;
    plan.height = 20;
    view::PageFit fit = view::pageFit(m, p, plan);
    EXPECT_EQ(fit.names, (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(fit.axisOff);
    EXPECT_NE(view::pageFitNotice("c.tct", fit).find("[A, B, 時間軸]"), std::string::npos);

    chart::ChartModel empty;
    EXPECT_TRUE(view::pageFit(empty, p, plan).fits());
    EXPECT_EQ(view::pageFitNotice("c.tct", view::PageFit{}), "");
}
