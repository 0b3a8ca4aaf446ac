// Export of one chart as a series of page files: the page planning (range, page
// division, magnification limit, the questions to the user) and the page loop that
// renders every page through the chart painter and hands it to a page writer. No Qt:
// the raster writers (GIF, PNG) live in view/qt, the metafile and SVG writers here.
#pragma once

#include "chart/model.h"
#include "view/canvas.h"
#include "view/chart_params.h"
#include "view/painter.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace view {

// The screen's resolution, from which page sizes and margins in millimetres become
// pixels.
struct ScreenMetrics {
    double pxPerMmX = 96.0 / 25.4;
    double pxPerMmY = 96.0 / 25.4;
    int dotsPerInch = 96;
};

// Pixel geometry of the pages and the stretch of the chart they cover.
struct PagePlan {
    int width = 0, height = 0;
    int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
    int strip = 0;       // scale strip height (32 when shown)
    int nameWidth = 0;   // name column width
    int plotWidth = 0;   // width - margins - name column
    double start = 0;    // range start, in chart units after displayStart
    double total = 0;    // range length in chart units
    double timePerPage = 0;
    int pages = 0;
};

// Page size, margins and plot width of `params` on `screen` for `model`.
PagePlan pageGeometry(const chart::ChartModel& model, const ChartParams& params, const ScreenMetrics& screen);

// What of the chart a page cannot hold: the signals whose rows reach below the page
// bottom (by name, in row order) and whether the time axis does.
struct PageFit {
    std::vector<std::string> names;
    bool axisOff = false;
    bool fits() const { return names.empty() && !axisOff; }
};
PageFit pageFit(const chart::ChartModel& model, const ChartParams& params, const PagePlan& plan);

// The message-pane line naming what does not fit on the pages of chart `fileName`,
// with the remedy; empty when everything fits.
std::string pageFitNotice(std::string_view fileName, const PageFit& fit);

// Plans the pages of `model`: checks a given range against the chart (asking whether
// to fit it), divides it by page count or time per page, keeps the scale within the
// largest magnification (saying so) and, when asked for, tells the page count.
// Messages go through base::services(); `fileName` names the chart in them. Returns
// 0, -5 (range refused or time per page zero), -6 (plot narrower than 10 px) or 20
// (page count refused).
int planPages(const chart::ChartModel& model, const ChartParams& params, const ScreenMetrics& screen,
              std::string_view fileName, PagePlan& plan);

// What the painter used for a page, for writers that need it (the GIF palette).
struct PageContext {
    const ChartPalette& palette;
    bool monochrome = false;
    bool imageDrawn = false;  // an image label was copied on this or an earlier page
};

// Makes page surfaces of one format and writes them.
class PageWriter {
public:
    virtual ~PageWriter() = default;
    // A blank page of w x h pixels; nullptr when none can be made.
    virtual std::unique_ptr<Canvas> newPage(int width, int height) = 0;
    // Writes a painted page to basePath + the format's extension; returns 0 or a
    // negative result code (20 when cancelled). `written` receives the file's path.
    virtual int writePage(Canvas& page, const std::string& basePath, const PageContext& context,
                          std::string& written) = 0;
};

// Metafile pages (.wmf, placeable) and SVG pages (.svg).
class MetafilePageWriter : public PageWriter {
public:
    explicit MetafilePageWriter(int dotsPerInch) : dpi_(dotsPerInch) {}
    std::unique_ptr<Canvas> newPage(int width, int height) override;
    int writePage(Canvas& page, const std::string& basePath, const PageContext& context,
                  std::string& written) override;

private:
    int dpi_;
};

class SvgPageWriter : public PageWriter {
public:
    std::unique_ptr<Canvas> newPage(int width, int height) override;
    int writePage(Canvas& page, const std::string& basePath, const PageContext& context,
                  std::string& written) override;
};

struct ExportRequest {
    int mode = kModeGif;  // kModeMetafile or kModeGif (PNG and SVG pages use kModeGif)
    ChartParams params;
    ScreenMetrics screen;
    std::string projectFolder;  // relative image label paths
    std::string progressCaption = "タイミング図 GIF ファイル出力";
    // Called with the path of every page file written.
    std::function<void(const std::string&)> written;
};

struct ExportOutcome {
    int pagesPlanned = 0;
    int pagesWritten = 0;
    PageFit fit;  // what the pages could not hold (also told in the message pane)
};

// Exports the chart of the project source `source` (read into a model of its own, so
// no chart window's chart is touched). The chart is base::chartFileOf(dataFolder,
// source) and the pages go beside it ("<data folder>/<stem>-tct-001.gif"), wherever
// the log itself lives. Reads the chart, plans the pages, shows the progress meter
// (cancel stops before the next page) and renders every page. With skipping on, pages
// without change are left out and the files are numbered by written pages; when
// nothing changed at all, page 0 is written all the same. Returns 0, 20 when
// cancelled, or the first failure's code (see view/results.h).
int exportChart(const std::string& dataFolder, const std::string& source, const ExportRequest& request,
                PageWriter& writer, ExportOutcome* outcome = nullptr);

// The same on a chart already read (tests, callers holding a model).
int exportModel(const chart::ChartModel& model, const std::string& chartPath, const ExportRequest& request,
                PageWriter& writer, ExportOutcome* outcome = nullptr);

}  // namespace view
