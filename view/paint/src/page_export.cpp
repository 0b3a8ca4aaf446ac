// Page planning and the page loop of a chart's export.
#include "view/page_export.h"

#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "chart/chart_file.h"
#include "chart/chart_time.h"
#include "view/metafile.h"
#include "view/results.h"
#include "view/svg.h"
#include "view/view_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace view {
namespace {

constexpr const char* kCaption = "Chronava";

std::string fmt1(const char* f, std::string_view s) {
    std::string a(s);
    const int n = std::snprintf(nullptr, 0, f, a.c_str());
    std::string out(std::size_t(std::max(n, 0)), '\0');
    std::snprintf(out.data(), out.size() + 1, f, a.c_str());
    return out;
}

std::string fmt2(const char* f, int a, std::string_view s) {
    std::string c(s);
    const int n = std::snprintf(nullptr, 0, f, a, c.c_str());
    std::string out(std::size_t(std::max(n, 0)), '\0');
    std::snprintf(out.data(), out.size() + 1, f, a, c.c_str());
    return out;
}

std::string fmt3(const char* f, int a, int b, std::string_view s) {
    std::string c(s);
    const int n = std::snprintf(nullptr, 0, f, a, b, c.c_str());
    std::string out(std::size_t(std::max(n, 0)), '\0');
    std::snprintf(out.data(), out.size() + 1, f, a, b, c.c_str());
    return out;
}

// A fraction typed on the options page in chart units: values above one second's
// worth are taken as a count of seconds' units cut down, as the page stores them.
double normaliseFraction(double f, double unitScale) {
    if (unitScale == 1.0) return 0;
    if (f > unitScale) return std::floor(f / unitScale);
    return f;
}

chart::ChartTime toChartTime(const DateFields& d, double unitScale) {
    chart::ChartTime t;
    t.date = d.year * 10000 + d.month * 100 + d.day;
    t.seconds = d.hour * 3600 + d.minute * 60 + d.second;
    t.fraction = normaliseFraction(d.fraction, unitScale);
    return t;
}

// Orders by date, then seconds, then fraction.
int compareTimes(const chart::ChartTime& a, const chart::ChartTime& b) {
    if (std::tie(a.date, a.seconds, a.fraction) < std::tie(b.date, b.seconds, b.fraction)) return -1;
    if (a == b) return 0;
    return 1;
}

int longestNameBytes(const chart::ChartModel& model) {
    std::size_t longest = 0;
    const int slots = std::min(model.signalSlots, chart::kMaxSignals + 1);
    for (int p = 0; p < slots; ++p) {
        const int n = model.signalOrder[std::size_t(p)];
        if (n < 0 || n > chart::kMaxSignals) continue;
        longest = std::max(longest, base::cp932Length(model.signalNames[std::size_t(n)]));
    }
    return int(std::min<std::size_t>(longest, 100000));
}

// Checks a given range against the chart's display range; asks to fit the ends that
// lie outside. Returns 0 or -5 when the user declines.
int checkRange(const chart::ChartModel& m, chart::ChartTime& s, chart::ChartTime& e, std::string_view fileName) {
    const chart::ChartTime& a = m.displayStart;
    const chart::ChartTime& b = m.displayEnd;
    const bool startIn = compareTimes(a, s) <= 0 && compareTimes(s, b) < 0;
    const bool endIn = compareTimes(a, e) < 0 && compareTimes(e, b) <= 0;
    if (startIn && endIn) return 0;
    const char* text =
        !startIn && !endIn
            ? "タイミングチャート出力範囲がデータ範囲外です。\nデータ範囲に合わせますか？\n%s"
        : !startIn ? "タイミングチャート出力範囲がデータ範囲外です。\n出力開始日時をデータ開始日時に合わせますか？\n%s"
                   : "タイミングチャート出力範囲がデータ範囲外です。\n出力終了日時をデータ終了日時に合わせますか？\n%s";
    if (!base::services().warningBox(base::kBoxAsk, kCaption, fmt1(text, fileName))) return kExportRangeError;
    if (!startIn) s = a;
    if (!endIn) e = b;
    return 0;
}

}  // namespace

PagePlan pageGeometry(const chart::ChartModel& model, const ChartParams& p, const ScreenMetrics& s) {
    PagePlan g;
    const int wMm = p.outputWidth == 0 ? 64 : p.outputWidth;
    const int hMm = p.outputHeight == 0 ? 64 : p.outputHeight;
    g.width = int(s.pxPerMmX * wMm);
    g.height = int(s.pxPerMmY * hMm);
    g.marginLeft = int(s.pxPerMmX * p.marginLeft);
    g.marginRight = int(s.pxPerMmX * p.marginRight);
    g.marginTop = int(s.pxPerMmY * p.marginTop);
    g.marginBottom = int(s.pxPerMmY * p.marginBottom);
    g.strip = p.showUpperScale ? kRulerHeight : 0;
    g.nameWidth = nameColumnWidth(std::size_t(longestNameBytes(model)));
    g.plotWidth = g.width - g.marginRight - g.marginLeft - g.nameWidth;
    return g;
}

PageFit pageFit(const chart::ChartModel& model, const ChartParams& p, const PagePlan& plan) {
    // The rows stand as the page paint places them: row k (from 1) spans 4u from
    // (k - 1) * 4u + 2u below the scale strip, its low level 3u into that; the time
    // axis lies 3u above the rows' end, its ticks 5 px below it.
    PageFit fit;
    const long long u = std::clamp(p.heightUnit, 8, 4096);
    const long long top = plan.marginTop + plan.strip;
    const int slots = std::clamp(model.signalSlots, 0, chart::kMaxSignals + 1);
    for (int k = 1; k < slots; ++k) {
        const long long low = top + (k - 1) * 4 * u + 2 * u + 3 * u;
        const int n = model.signalOrder[std::size_t(k)];
        if (low < plan.height || n < 0 || n > chart::kMaxSignals) continue;
        fit.names.push_back(model.signalNames[std::size_t(n)]);
    }
    if (slots > 0) {
        const long long axis = top + u + slots * 4 * u - 3 * u;
        fit.axisOff = axis + 5 >= plan.height;
    }
    return fit;
}

std::string pageFitNotice(std::string_view fileName, const PageFit& fit) {
    if (fit.fits()) return {};
    std::string what;
    for (const std::string& n : fit.names) what += (what.empty() ? "" : ", ") + n;
    if (fit.axisOff) what += std::string(what.empty() ? "" : ", ") + "時間軸";
    return "  " + std::string(fileName) + ": ページに入りません。[" + what +
           "] オプションでページの高さを大きくするか、信号の高さを小さくしてください。";
}

int planPages(const chart::ChartModel& model, const ChartParams& p, const ScreenMetrics& screen,
              std::string_view fileName, PagePlan& plan) {
    plan = pageGeometry(model, p, screen);
    const double us = model.unitScale > 0 ? model.unitScale : 1.0;

    chart::ChartTime s = model.displayStart, e = model.displayEnd;
    if (p.rangeGiven) {
        s = toChartTime(p.rangeStart, us);
        e = toChartTime(p.rangeEnd, us);
        if (int rc = checkRange(model, s, e, fileName)) return rc;
    }
    plan.start = chart::unitsBetween(model.displayStart, s, us);
    plan.total = chart::unitsBetween(s, e, us);
    // A range that ends at or before its start has nothing to show; dividing it would
    // give no pages or negative page lengths.
    if (!(plan.total > 0)) return kExportRangeError;

    if (p.divideByPageCount) {
        plan.pages = std::max(p.pageCount, 1);
        plan.timePerPage = plan.total / plan.pages;
    } else {
        const PeriodFields& t = p.timePerPage;
        const double seconds = double(t.years) * 31536000.0 + double(t.months) * 2592000.0 +
                               double(t.days) * 86400.0 + double(t.hours) * 3600.0 + double(t.minutes) * 60.0 +
                               double(t.seconds);
        plan.timePerPage = seconds * us + normaliseFraction(t.fraction, us);
        if (plan.timePerPage < 1) {
            base::services().messageBox(base::kBoxInfo, kCaption,
                                        "指定された１ページあたりの時間がゼロです。\n正しい値を指定してください。");
            return kExportRangeError;
        }
        plan.pages = int(std::min(std::ceil(plan.total / plan.timePerPage), 2147483647.0));
        plan.pages = std::max(plan.pages, 1);
    }

    if (plan.plotWidth < 10) return kExportMarginsTooLarge;

    const int P = plan.plotWidth;
    if (plan.timePerPage / P < kMinScale) {
        const double tpp = P * kMinScale;
        const int n = std::max(1, int(std::min(std::ceil(plan.total / tpp), 2147483647.0)));
        if (!p.divideByPageCount) {
            base::services().messageBox(
                base::kBoxInfo, kCaption,
                fmt1("最大拡大率をオーバーするため、指定された１ページあたりの時間を変更して出力します。\n%s",
                     fileName));
            plan.timePerPage = tpp;
            plan.pages = n;
        } else if (plan.pages != n) {
            base::services().messageBox(
                base::kBoxInfo, kCaption,
                fmt3("最大拡大率をオーバーするため、指定されたページ分割数 %d を %d に変更して出力します。\n%s",
                     plan.pages, n, fileName));
            plan.pages = n;
            plan.timePerPage = plan.total / n;
        }
    }

    if (plan.pages >= 2 && p.tellPageCount) {
        const std::string text =
            p.skipUnchanged
                ? fmt2("タイミングチャート全 %d ページの中から変化のあるページだけを\n出力します。\n"
                       "変化のあるページがない場合は最初のページを出力します。\n続行しますか？\n%s",
                       plan.pages, fileName)
                : fmt2("タイミングチャートの出力ページ数は %d ページです。\n続行しますか？\n%s", plan.pages, fileName);
        if (!base::services().messageBox(base::kBoxAsk, kCaption, text)) return kExportCancelled;
    }
    return 0;
}

// ---- Writers without Qt ----

std::unique_ptr<Canvas> MetafilePageWriter::newPage(int width, int height) {
    return std::make_unique<MetafileCanvas>(width, height);
}

int MetafilePageWriter::writePage(Canvas& page, const std::string& basePath, const PageContext&,
                                  std::string& written) {
    written = basePath + ".wmf";
    return writePlaceableMetafile(written, static_cast<MetafileCanvas&>(page), dpi_);
}

std::unique_ptr<Canvas> SvgPageWriter::newPage(int width, int height) {
    return std::make_unique<SvgCanvas>(width, height);
}

int SvgPageWriter::writePage(Canvas& page, const std::string& basePath, const PageContext&, std::string& written) {
    written = basePath + ".svg";
    return writeSvg(written, static_cast<SvgCanvas&>(page));
}

// ---- The page loop ----

namespace {

struct PageLoop {
    const chart::ChartModel& model;
    const ExportRequest& req;
    PageWriter& writer;
    const PagePlan& plan;
    ChartPainter& painter;
    const ChartPalette& palette;
    std::string stem;  // chart path without extension
    int written = 0;

    // Renders page k and writes it when it changed or when every page is written.
    int page(int k, bool skip) {
        std::unique_ptr<Canvas> c = writer.newPage(plan.width, plan.height);
        if (!c) return kExportNoContext;
        PageLayout l;
        l.mode = req.mode;
        l.width = plan.width;
        l.height = plan.height;
        l.marginLeft = plan.marginLeft;
        l.marginTop = plan.marginTop;
        l.marginRight = plan.marginRight;
        l.showScale = req.params.showUpperScale;
        l.start = plan.start + k * plan.timePerPage;
        l.timePerPage = plan.timePerPage;
        const PageResult r = painter.paintPage(*c, l);
        if (r.nameWidth <= 0) return 0;
        if (r.status != 0) return r.status;
        if (skip && !r.changed) return 0;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "-tct-%03d", written + 1);
        const PageContext ctx{palette, req.params.outputColourMode == 1, painter.imageDrawn()};
        std::string path;
        int rc = writer.writePage(*c, stem + suffix, ctx, path);
        // The writers give -1 for a page file they cannot create: that is a write
        // error, not a read error of the chart.
        if (rc == kExportReadError) rc = kExportWriteError;
        if (rc != 0) return rc;
        ++written;
        if (req.written) req.written(path);
        return 0;
    }
};

}  // namespace

int exportModel(const chart::ChartModel& model, const std::string& chartPath, const ExportRequest& req,
                PageWriter& writer, ExportOutcome* outcome) {
    const std::string fileName = base::splitPath(chartPath).name;
    PagePlan plan;
    if (int rc = planPages(model, req.params, req.screen, fileName, plan)) return rc;
    if (outcome) outcome->pagesPlanned = plan.pages;
    // Rows below the page bottom would vanish from every page: say which.
    const PageFit fit = pageFit(model, req.params, plan);
    if (!fit.fits()) base::services().appendMessage(base::kListChart, pageFitNotice(fileName, fit));
    if (outcome) outcome->fit = fit;

    // The export paints with its own palette (monochrome or the parameters' colours),
    // so the chart window's colours need no saving and restoring around it.
    const ChartPalette palette = ChartPalette::from(req.params, req.params.outputColourMode == 1);
    ChartPainter painter(model, req.params, palette);
    painter.setProjectFolder(req.projectFolder);
    painter.clearImageDrawn();

    PageLoop loop{model, req, writer, plan, painter, palette, base::replaceExtension(chartPath, ""), 0};
    base::Services& sv = base::services();
    sv.progressBegin(req.progressCaption);
    sv.clearCancel();
    int rc = 0;
    for (int k = 0; k < plan.pages; ++k) {
        const bool go = sv.progressUpdate("タイミング図を出力中です。", fileName, k + 1, plan.pages);
        sv.keepAlive();
        if (!go || sv.cancelRequested()) {
            rc = kExportCancelled;
            break;
        }
        rc = loop.page(k, req.params.skipUnchanged);
        if (rc != 0) break;
    }
    // Nothing changed anywhere: the first page is written all the same, so every
    // chart leaves at least one file.
    if ((rc == 0 || rc == kExportCancelled) && plan.pages > 0 && loop.written == 0 && req.params.skipUnchanged) {
        const int first = loop.page(0, false);
        if (first != 0) rc = first;
    }
    sv.progressEnd();
    if (outcome) outcome->pagesWritten = loop.written;
    return rc;
}

int exportChart(const std::string& dataFolder, const std::string& source, const ExportRequest& req,
                PageWriter& writer, ExportOutcome* outcome) {
    const std::string chartPath = base::chartFileOf(dataFolder, source);
    chart::ChartModel model;  // a buffer of its own: an open chart window keeps its chart
    chart::ReadSettings rs;
    rs.minimumResolution = req.params.minResolution;
    rs.sortByName = req.params.sortByName;
    if (int rc = chart::ReadChartFile(false, chartPath, model, nullptr, rs)) return rc;
    return exportModel(model, chartPath, req, writer, outcome);
}

}  // namespace view
