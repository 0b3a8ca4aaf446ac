// The view state of the chart pane and the rules that change it: fitting the chart
// to the pane, zoom steps and drag zoom, moving by screens, scrolling rows, the mouse
// wheel, the cursor line, the range text of the status line and the middle-button pan
// mode. Everything here is plain logic: the chart window feeds it mouse positions and
// commands and carries out what the results ask for (repaint, beep, status text,
// XOR band and cursor line).
#pragma once

#include "chart/model.h"

#include <cstdint>
#include <optional>
#include <string>

namespace view {

// A count of chart units held as whole days plus the rest, as the view keeps its
// start and the chart duration. Days are 64-bit: a seconds-resolution chart may span
// far more days than 32 bits hold.
struct SplitUnits {
    std::int64_t days = 0;
    double rest = 0;
    double total(double unitsPerDay) const { return double(days) * unitsPerDay + rest; }
    static SplitUnits split(double units, double unitsPerDay);
};

// What a navigation step asks of the chart window.
struct NavResult {
    bool repaint = false;  // fill the background and paint the chart again
    bool beep = false;
    std::optional<std::string> status;  // new status text ("" clears it)
    std::string paintingStatus;         // shown while the repaint runs, when not empty
};

struct ZoomButtons {
    bool zoomOut = false, zoomIn = false, wholeChart = false;
};
struct ScreenButtons {
    bool first = false, previous = false, next = false, last = false;
};

// The time under the cursor line, for the ruler strip's two labels.
struct CursorUpdate {
    int oldX = -1;  // line to remove, -1 for none
    int newX = -1;  // line to draw, -1 for none
    std::string date, time;
};

// Screen movement codes (commands 300..303).
enum ScreenMove { kScreenNext = 0, kScreenPrevious = 1, kScreenFirst = 2, kScreenLast = 3 };
// Scroll-bar codes.
enum ScrollCode {
    kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3, kThumbPosition = 4, kThumbTrack = 5,
    kTop = 6, kBottom = 7
};

inline constexpr double kMinScale = 0.01;      // chart units per pixel at the largest magnification
inline constexpr int kMinNameColumn = 132;     // narrowest name column
inline constexpr int kSnapPixels = 5;          // a press this close to the plot counts as its edge
inline constexpr int kDragThreshold = 4;       // a drag of this many pixels or fewer does not zoom

// Name column width for a longest name of `bytes` CP932 bytes.
int nameColumnWidth(std::size_t longestNameBytes);

class ViewState {
public:
    // ---- Facts the chart window keeps current ----
    int paneWidth = 0, paneHeight = 0;
    int rightMargin = 0;
    int heightUnit = 8;  // u as painted (at least 8)
    bool logSet = false;  // a log path is set (chooses the no-chart message)

    // ---- The chart shown ----
    bool chartLoaded = false;
    long entryCount = 0;  // events of the loaded chart; mouse work needs some
    int signalSlots = 0;
    chart::ChartTime origin;  // displayStart
    int decimalDigits = 0;
    double unitScale = 1;

    // ---- View ----
    SplitUnits start;     // chart units from displayStart at the plot's left edge
    SplitUnits duration;  // displayEnd - displayStart
    double scale = 1;     // chart units per pixel
    double fitScale = 1;  // the whole duration across the plot; the largest scale
    SplitUnits saved{-1, 0};  // view before the last drag zoom; days -1: none
    double savedScale = 0;
    int zoomCentre = -1;  // pending x offset into the plot to centre at the next paint
    int verticalOrigin = 0;
    int cursorX = -1, cursorY = -1;
    int dragState = 0;  // 0 none, 1 pressed, 2 dragging
    int dragAnchor = 0, dragEnd = 0;
    int nameWidth = kMinNameColumn;     // name column of the last paint
    int fitNameWidth = kMinNameColumn;  // name column over all signals, from the last fit

    // ---- Derived values ----
    double unitsPerDay() const { return 86400.0 * unitScale; }
    double viewStart() const { return start.total(unitsPerDay()); }
    void setViewStart(double units) { start = SplitUnits::split(units, unitsPerDay()); }
    double chartDuration() const { return duration.total(unitsPerDay()); }
    int plotLeft() const { return nameWidth; }
    int plotRight() const { return paneWidth - rightMargin; }
    int plotWidth() const;  // at least 1
    double span() const { return plotWidth() * scale; }
    int rowsPerPage() const;
    // The largest vertical origin the row scrolls can reach: one past the last full
    // page (N - R + 1) while the rows do not fit the pane, else 0.
    int maxVerticalOrigin() const;
    bool hasSavedView() const { return saved.days != -1; }
    // The view reaches the chart end: the last screen is shown.
    bool atChartEnd() const;
    // Units after displayStart of pane column x.
    double timeAt(int x) const { return viewStart() + (x - nameWidth) * scale; }

    // ---- Chart life ----
    // After a successful read: takes the chart's facts, scrolls to the top and fits.
    void load(const chart::ChartModel& model);
    // After a failed read or when the chart is discarded.
    void unload();
    // Shows the whole chart: view start 0, the fit scale.
    void fit();
    // New pane size. With the whole chart shown the chart is fitted again; after a
    // zoom the scale stays.
    void resize(int width, int height);

    // ---- Zoom ----
    // One step; false when the step was not taken (at its limit).
    bool zoomStepIn();
    bool zoomStepOut();
    // Commands 12317 / 12316: centred on the cursor line when one is shown.
    NavResult zoomIn();
    NavResult zoomOut();
    // Command 12318.
    NavResult wholeChart();
    // Right button in the pane: drops a drag, else zooms out without a centre.
    NavResult rightClick();
    // The corrections a paint makes before drawing: a pending zoom centre moves the
    // view so that its time lands in the middle of the plot, and the view never runs
    // past the chart end (nor before its start).
    void settle();
    ZoomButtons zoomButtons() const;
    ScreenButtons screenButtons() const;

    // ---- Drag zoom ----
    // x moved onto the plot's edge when it lies within kSnapPixels outside it.
    int snap(int x) const;
    bool insidePlot(int x) const { return x >= plotLeft() && x <= plotRight(); }
    // The band shown between anchor and end while dragging, as left/right columns.
    bool bandShown() const { return dragState == 2; }
    int bandLeft() const { return dragAnchor < dragEnd ? dragAnchor : dragEnd; }
    int bandRight() const { return dragAnchor < dragEnd ? dragEnd : dragAnchor; }
    void leftPress(int x);
    NavResult mouseMoveDrag(int x);
    NavResult leftRelease(int x);
    // Zooms so that pane columns a..b (a < b) fill the plot.
    NavResult zoomToRange(int a, int b);

    // ---- Cursor line ----
    CursorUpdate cursorMove(int x, int y);
    // A repaint removes the line; the next mouse move draws it again.
    void forgetCursor() { cursorX = cursorY = -1; }

    // ---- Status texts ----
    // "date time ～ date time  [days hh:mm:ss.fraction ]" for pane columns x1 < x2.
    std::string rangeText(int x1, int x2) const;
    // The message shown when a command needs a chart and none is loaded.
    std::string noChartText() const;

    // ---- Movement ----
    NavResult moveScreen(int code);
    // Vertical scroll by scroll-bar code. Horizontal scrolling has no pixel origin of
    // its own: line and page steps move by screens (left = previous, right = next).
    NavResult scrollVertical(int code);
    NavResult scrollHorizontal(int code);
    // Mouse wheel: one line per message, down for a negative delta.
    NavResult wheel(int delta, bool shift, bool ctrl, bool panning);
    // Moves the view sideways by `pixels` (pan mode); silent at the chart's ends.
    NavResult shiftPixels(int pixels);
    // Scroll-bar thumbs: the vertical origin, and the view start in chart units, each
    // kept inside its range; a repaint only when something moved.
    NavResult scrollRowsTo(int origin);
    NavResult scrollTimeTo(double units);
    // One zoom step in or out that keeps the time under pane column x where it is
    // (Ctrl + wheel, the + and - keys). Outside the plot the step centres nowhere.
    NavResult zoomAt(int x, bool in);

private:
    NavResult noChart(bool withBeep) const;
    void afterZoom();
};

// ---- What the cursor line crosses ----

// The signal row (slot 1..) at pane row y for a view, or 0 above or below the rows.
int rowAt(const ViewState& view, int y);
// "NAME=value" of the signal in slot `slot` at `units` after displayStart: the last
// event at or before that time gives the value (ON/OFF, the percentage of a level or
// bar, the display text, PULSE); "NAME=-" before the signal's first event.
std::string valueText(const chart::ChartModel& model, int slot, double units);

// ---- Pan mode (middle button) ----

enum class PanCursor { All, Up, Down, Left, Right };

struct PanStep {
    bool vertical = true;
    bool forward = false;  // down or right
    int lines = 0;         // line scrolls to run in that direction
    PanCursor cursor = PanCursor::All;
};

class PanMode {
public:
    static constexpr int kPointerShift = 15;  // pointer moved up and left at start and end
    static constexpr int kOriginSize = 30;    // the origin mark's window
    static constexpr int kTimerId = 900;
    static constexpr int kTimerMs = 10;

    bool active() const { return active_; }
    bool moved() const { return moved_; }
    int originX() const { return originX_; }
    int originY() const { return originY_; }

    // Starts at pointer (x, y): the pointer goes 15 px up and left, which is the
    // origin. Returns false (nothing started) with Ctrl held or when already on.
    bool start(int& x, int& y, bool ctrl);
    // One timer tick with the pointer at (x, y).
    PanStep tick(int x, int y);
    // Whether a button press or release ends the mode: a press ends it once the
    // pointer has moved, a middle press always; a middle release once moved.
    bool endsOnPress(bool middle) const { return active_ && (moved_ || middle); }
    bool endsOnRelease(bool middle) const { return active_ && middle && moved_; }
    // Ends the mode; the pointer goes 15 px up and left of (x, y).
    void end(int& x, int& y);

private:
    bool active_ = false, moved_ = false;
    int originX_ = 0, originY_ = 0;
};

}  // namespace view
