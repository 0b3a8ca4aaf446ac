// The chart painter: draws one chart model onto a canvas - the signal names, one row
// per signal with its events and their labels, the time axis under the rows and the
// ruler strip - for the chart pane on screen and for export pages.
#pragma once

#include "chart/model.h"
#include "chart/ruler.h"
#include "view/canvas.h"
#include "view/chart_params.h"
#include "view/paint_index.h"
#include "view/view_state.h"

#include <map>
#include <string>
#include <vector>

namespace view {

// Output modes: the chart pane, a metafile page, a GIF page.
enum OutputMode { kModeScreen = 0, kModeMetafile = 1, kModeGif = 2 };

// Colours of one paint.
struct ChartPalette {
    Rgb signal, background, name, comment, axis, grid;
    Rgb valueBase = rgb(0, 192, 0);   // 0 % line of value rows
    Rgb value100 = rgb(0, 160, 0);    // dotted 100 % line of value rows
    Rgb buttonFace = rgb(240, 240, 240);  // ruler strip
    Rgb paneFrame = rgb(192, 192, 192);   // outline of the background fill

    // The chart colours of the parameters; monochrome pages draw black on white with
    // grey value-row lines.
    static ChartPalette from(const ChartParams& p, bool monochrome = false);
};

// Fonts of one paint; character cells are 6 × 12 px for all placement.
struct PaintFonts {
    Font name{"ＭＳ ゴシック", 12, 6};
    Font label{"ＭＳ ゴシック", 12, 6};
    Font ruler{"ＭＳ ゴシック", 10, 5};
};

inline constexpr int kCharWidth = 6;
inline constexpr int kCharHeight = 12;
inline constexpr int kNameIndent = 60;  // names start 10 character cells in
inline constexpr int kRulerHeight = 32;

// Where one paint goes on its canvas.
struct PaintFrame {
    int mode = kModeScreen;
    int u = 8;              // signal height unit
    int origin = 0;         // vertical origin (rows scrolled off the top)
    int nameWidth = 0;      // name column width
    int hOffset = 0;        // left margin of a page (0 on screen)
    int vOffset = 0;        // top margin of a page (0 on screen)
    int stripOffset = 0;    // scale strip height on pages (0 on screen)
    int plotLeft = 0;       // name column's right edge (+ left margin)
    int plotRight = 0;      // canvas width - right margin
    int rowsTop = 0, rowsBottom = 0;
    int paneBottom = 0;     // rows starting at or below it are skipped
    double viewStart = 0;   // units after displayStart at the plot's left edge
    double scale = 1;       // units per pixel
    bool softwareClip() const { return mode != kModeScreen; }
};

// What a screen paint reports to the chart window.
struct PaintResult {
    int status = 0;  // 0 drawn; -1 no signal slots; -2 no name column
    bool changed = false;  // an event lies inside the plot area
    int vScrollMax = 0;    // vertical scroll range 0..vScrollMax
    ScreenButtons screenButtons;
};

// One export page: its size, margins and scale strip in pixels, and the stretch of
// the chart it shows.
struct PageLayout {
    int mode = kModeGif;
    int width = 0, height = 0;
    int marginLeft = 0, marginTop = 0, marginRight = 0;
    bool showScale = false;   // draw the ruler strip (kRulerHeight px) above the rows
    double start = 0;         // units after displayStart at the plot's left edge
    double timePerPage = 0;   // units across the plot
};

struct PageResult {
    int status = 0;        // 0 drawn (or nothing to draw); -6 the plot is under 10 px
    bool changed = false;  // an event lies inside the plot area
    int nameWidth = 0;
    int plotWidth = 0;
};

class ChartPainter {
public:
    ChartPainter(const chart::ChartModel& model, const ChartParams& params, const ChartPalette& palette,
                 const PaintFonts& fonts = {});

    // An index of the model (built by the caller, kept while the model stays) that
    // lets each row's walk start near the view. Without it every walk starts at the
    // first event; the picture is the same either way.
    void setIndex(const PaintIndex* index) { index_ = index; }
    // Walks every row from its first event and draws every stroke of every event,
    // without the index and without joining the edges of one pixel column: the
    // reference picture that the faster walk must match pixel for pixel.
    void setPlainWalk(bool plain) { plainWalk_ = plain; }
    // Folder against which relative image label paths are taken.
    void setProjectFolder(std::string folder) { projectFolder_ = std::move(folder); }
    // Set once an image label was copied onto a GIF page; the exporter clears it when
    // it reads the next chart.
    bool imageDrawn() const { return imageDrawn_; }

    // The comment labels of the last paint where they were drawn (text labels only),
    // in drawing order: later ones lie on top.
    struct LabelSpot {
        Rect box;
        std::string text;
    };
    const std::vector<LabelSpot>& labelSpots() const { return spots_; }
    void clearImageDrawn() { imageDrawn_ = false; }
    // Events looked at by the row walks since this painter was made.
    std::size_t eventsWalked() const { return walked_; }
    // The signal height unit used for painting (the parameter, at least 8).
    int heightUnit() const { return u_; }

    // Fills the whole pane with the background, outlined in light grey.
    void fillBackground(Canvas& pane) const;

    // Paints the chart pane and, when given, the ruler strip window (its own canvas,
    // same x as the pane). Applies the view's pending zoom centre and end correction
    // and records the name column width in the view.
    PaintResult paintScreen(Canvas& pane, Canvas* ruler, ViewState& view);

    // Draws one export page: background, names, the ruler strip when shown, the time
    // axis and the rows, all rows from the first (no vertical scrolling).
    PageResult paintPage(Canvas& page, const PageLayout& layout);

    // ---- Steps, also used by the page export ----
    // Draws the names of the rows from `frame.origin` and returns the name column
    // width (at least 132) over them.
    int drawNames(Canvas& c, const PaintFrame& frame);
    // The empty ruler strip: button face, a white line along its top, a grey one
    // along its bottom (also what the strip shows while the chart has no events).
    void drawRulerFrame(Canvas& c, const Rect& strip) const;
    // The ruler strip filling `strip`, with ticks and labels for the frame's view.
    void drawRulerStrip(Canvas& c, const Rect& strip, const PaintFrame& frame);
    // The time axis at `y`.
    void drawTimeAxis(Canvas& c, int y, const PaintFrame& frame);
    // The date of the view start as a text line whose foot is at `y`.
    void drawDateLine(Canvas& c, int x, int y, const PaintFrame& frame);
    // The rows; true when an event lies inside the plot area.
    bool drawRows(Canvas& c, const PaintFrame& frame);

    // The frame of a screen paint for this view (after names set nameWidth).
    PaintFrame screenFrame(const Canvas& pane, const ViewState& view) const;

private:
    struct RowPen;
    void line(Canvas& c, const PaintFrame& f, double xa, double ya, double xb, double yb, const Pen& pen);
    void label(Canvas& c, const PaintFrame& f, double x, int y, const std::string& text);
    void imageLabel(Canvas& c, const PaintFrame& f, int x, int y, std::string_view labelText);
    const Bitmap* loadImage(const std::string& path);
    chart::Ruler ruler(const PaintFrame& f) const;
    void drawRow(Canvas& c, const PaintFrame& f, int p, bool& changed);

    const chart::ChartModel& model_;
    const ChartParams& params_;
    ChartPalette palette_;
    PaintFonts fonts_;
    int u_;
    std::string projectFolder_;
    const PaintIndex* index_ = nullptr;
    bool plainWalk_ = false;
    bool imageDrawn_ = false;
    std::size_t walked_ = 0;
    std::size_t widest_ = 0;  // widest label of this paint, in characters
    std::vector<LabelSpot> spots_;
    std::map<std::string, std::pair<int, Bitmap>> images_;  // per paint: read result, bitmap
};

}  // namespace view
