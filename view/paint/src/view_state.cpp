#include "view/view_state.h"

#include "base/text.h"
#include "chart/chart_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace view {

SplitUnits SplitUnits::split(double units, double unitsPerDay) {
    SplitUnits s;
    if (!(unitsPerDay > 0) || !std::isfinite(units)) return s;
    const double days = std::floor(units / unitsPerDay);
    if (days > 9e15 || days < -9e15) return s;
    s.days = static_cast<std::int64_t>(days);
    s.rest = units - days * unitsPerDay;
    return s;
}

int nameColumnWidth(std::size_t longestNameBytes) {
    const std::size_t w = 60 + 6 * std::min<std::size_t>(longestNameBytes, 100000) + 18;
    return std::max<int>(kMinNameColumn, static_cast<int>(w));
}

int ViewState::plotWidth() const { return std::max(1, paneWidth - nameWidth - rightMargin); }

int ViewState::rowsPerPage() const { return paneHeight / (4 * std::max(1, heightUnit)); }

int ViewState::maxVerticalOrigin() const {
    const int n = signalSlots, rows = rowsPerPage();
    return n >= rows ? std::max(0, n - rows + 1) : 0;
}

// ---- Chart life ----

void ViewState::load(const chart::ChartModel& model) {
    chartLoaded = true;
    entryCount = static_cast<long>(model.eventCount());
    signalSlots = std::clamp(model.signalSlots, 0, chart::kMaxSignals + 1);
    origin = model.displayStart;
    decimalDigits = model.decimalDigits;
    unitScale = model.unitScale > 0 ? model.unitScale : 1;
    std::size_t longest = 0;
    for (int n = 1; n <= chart::kMaxSignals; ++n) longest = std::max(longest, base::cp932Length(model.signalNames[std::size_t(n)]));
    fitNameWidth = nameColumnWidth(longest);
    duration = SplitUnits::split(chart::unitsBetween(model.displayStart, model.displayEnd, unitScale), unitsPerDay());
    verticalOrigin = 0;
    saved = SplitUnits{-1, 0};
    zoomCentre = -1;
    dragState = 0;
    forgetCursor();
    fit();
}

void ViewState::unload() {
    chartLoaded = false;
    entryCount = 0;
    signalSlots = 0;
    saved = SplitUnits{-1, 0};
    zoomCentre = -1;
    dragState = 0;
    forgetCursor();
}

void ViewState::fit() {
    start = SplitUnits{};
    nameWidth = fitNameWidth;
    const double d = chartDuration();
    scale = fitScale = d > 0 ? d / plotWidth() : kMinScale;
}

void ViewState::resize(int width, int height) {
    const bool whole = scale == fitScale && viewStart() == 0;
    paneWidth = width;
    paneHeight = height;
    if (!chartLoaded) return;
    if (whole) fit();
    // A taller pane holds more rows: an origin beyond the new range would hide the
    // first rows behind a scroll bar that can no longer reach them.
    verticalOrigin = std::clamp(verticalOrigin, 0, maxVerticalOrigin());
}

// ---- Zoom ----

bool ViewState::zoomStepIn() {
    if (scale <= kMinScale) return false;
    const double old = scale;
    scale = std::max(scale / 2, kMinScale);
    saved = SplitUnits{-1, 0};
    if (zoomCentre >= 0) zoomCentre = static_cast<int>(zoomCentre * old / scale);
    return true;
}

bool ViewState::zoomStepOut() {
    if (hasSavedView()) {
        // Back exactly to the view before the drag zoom, wherever the cursor is.
        start = saved;
        scale = savedScale;
        saved = SplitUnits{-1, 0};
        zoomCentre = -1;
        return true;
    }
    if (scale >= fitScale) return false;
    const double old = scale;
    scale *= 2;
    if (scale > fitScale) {
        scale = fitScale;
        start = SplitUnits{};
    }
    if (zoomCentre >= 0) zoomCentre = static_cast<int>(zoomCentre * old / scale);
    return true;
}

void ViewState::afterZoom() {
    forgetCursor();
    settle();
}

NavResult ViewState::zoomIn() {
    NavResult r;
    if (!chartLoaded) return r;
    if (cursorX >= 0) zoomCentre = cursorX - plotLeft();
    if (zoomStepIn()) {
        afterZoom();
        r.repaint = true;
    }
    zoomCentre = -1;
    dragState = 0;
    return r;
}

NavResult ViewState::zoomOut() {
    NavResult r;
    if (!chartLoaded) return r;
    if (cursorX >= 0) zoomCentre = cursorX - plotLeft();
    if (zoomStepOut()) {
        afterZoom();
        r.repaint = true;
    }
    zoomCentre = -1;
    dragState = 0;
    return r;
}

NavResult ViewState::wholeChart() {
    NavResult r;
    r.status = "";
    if (!chartLoaded) return r;
    fit();
    forgetCursor();
    r.repaint = true;
    return r;
}

NavResult ViewState::rightClick() {
    if (!chartLoaded) return {};
    if (dragState != 0) {
        dragState = 0;
        return {};
    }
    zoomCentre = -1;
    NavResult r;
    if (zoomStepOut()) {
        afterZoom();
        r.repaint = true;
    }
    return r;
}

void ViewState::settle() {
    const double w = span();
    if (zoomCentre >= 0) {
        const double s = viewStart() + zoomCentre * scale - w / 2;
        setViewStart(std::max(0.0, s));
    }
    const double d = chartDuration();
    if (viewStart() + w > d) setViewStart(d - w);
    // A pane wider than the chart at this scale leaves room on the right; the view
    // still begins at the chart start.
    if (viewStart() < 0) start = SplitUnits{};
}

ZoomButtons ViewState::zoomButtons() const {
    ZoomButtons b;
    if (!chartLoaded) return b;
    b.zoomOut = scale < fitScale;
    b.zoomIn = scale > kMinScale;
    b.wholeChart = scale != fitScale;
    return b;
}

ScreenButtons ViewState::screenButtons() const {
    ScreenButtons b;
    if (!chartLoaded) return b;
    const double s = viewStart();
    b.first = b.previous = s > 0;
    b.next = b.last = !atChartEnd();
    return b;
}

bool ViewState::atChartEnd() const {
    // Steps of 0.8 screens and the correction at the end leave rounding errors; a
    // view that ends within a millionth of a pixel of the chart end is at the end.
    return viewStart() + span() >= chartDuration() - scale * 1e-6;
}

// ---- Drag zoom ----

int ViewState::snap(int x) const {
    if (x < plotLeft() && x >= plotLeft() - kSnapPixels) return plotLeft();
    if (x > plotRight() && x <= plotRight() + kSnapPixels) return plotRight();
    return x;
}

void ViewState::leftPress(int x) {
    if (!chartLoaded || entryCount <= 0) return;
    x = snap(x);
    if (insidePlot(x)) {
        dragState = 1;
        dragAnchor = dragEnd = x;
    }
}

NavResult ViewState::mouseMoveDrag(int x) {
    NavResult r;
    if ((dragState != 1 && dragState != 2) || !insidePlot(x)) return r;
    dragState = 2;
    dragEnd = x;
    if (dragAnchor != dragEnd) r.status = rangeText(bandLeft(), bandRight());
    return r;
}

NavResult ViewState::leftRelease(int x) {
    NavResult r;
    const int state = dragState;
    dragState = 0;
    if (state != 2) return r;
    // The release may lie outside the plot or back left of the anchor after the last
    // move; the zoom then takes the band as last shown.
    int b = std::min(x, plotRight());
    if (b <= dragAnchor) b = dragEnd;
    if (std::abs(dragEnd - dragAnchor) > kDragThreshold && dragAnchor < dragEnd && b > dragAnchor)
        return zoomToRange(dragAnchor, b);
    return r;
}

NavResult ViewState::zoomToRange(int a, int b) {
    NavResult r;
    if (scale <= kMinScale) {
        r.status = "これ以上拡大表示できません。";
        return r;
    }
    const double newScale = (b - a) * scale / plotWidth();
    if (newScale < kMinScale) {
        r.status = "拡大表示できません。もう少し広い範囲をドラッグしてください。";
        return r;
    }
    saved = start;
    savedScale = scale;
    setViewStart(std::max(0.0, viewStart() + (a - nameWidth) * scale));
    scale = std::min(newScale, fitScale);
    zoomCentre = -1;
    afterZoom();
    r.repaint = true;
    r.status = rangeText(plotLeft(), plotRight());
    return r;
}

// ---- Cursor line ----

CursorUpdate ViewState::cursorMove(int x, int y) {
    CursorUpdate u;
    u.oldX = cursorX;
    if (!chartLoaded || entryCount <= 0) return u;
    x = snap(x);
    if (!insidePlot(x)) {
        cursorX = cursorY = -1;
        return u;
    }
    cursorX = x;
    cursorY = y;
    u.newX = x;
    const chart::TimeLabel l = chart::timeLabel(origin, timeAt(x), decimalDigits, unitScale);
    u.date = l.date;
    u.time = l.time;
    return u;
}

// ---- Status texts ----

std::string ViewState::rangeText(int x1, int x2) const {
    const double t1 = timeAt(x1), t2 = timeAt(x2);
    const chart::TimeLabel l1 = chart::timeLabel(origin, t1, decimalDigits, unitScale);
    const chart::TimeLabel l2 = chart::timeLabel(origin, t2, decimalDigits, unitScale);
    double d = t2 - t1;
    const double perDay = unitsPerDay(), perHour = 3600 * unitScale, perMinute = 60 * unitScale;
    const double days = std::floor(d / perDay);
    d -= days * perDay;
    const double hours = std::floor(d / perHour);
    d -= hours * perHour;
    const double minutes = std::floor(d / perMinute);
    d -= minutes * perMinute;
    const double seconds = std::floor(d / unitScale);
    d -= seconds * unitScale;
    char daysText[32] = " ";
    if (days >= 1) std::snprintf(daysText, sizeof daysText, " %.0f", days);
    char fraction[64] = "";
    if (decimalDigits >= 1) std::snprintf(fraction, sizeof fraction, ".%0*.0f", decimalDigits, std::floor(d));
    char buf[512];
    std::snprintf(buf, sizeof buf, "%s %s ～ %s %s  [%s %02d:%02d:%02d%s ]", l1.date.c_str(), l1.time.c_str(),
                  l2.date.c_str(), l2.time.c_str(), daysText, int(hours), int(minutes), int(seconds), fraction);
    return buf;
}

std::string ViewState::noChartText() const {
    return logSet ? "タイミングチャートが存在しません。" : "ファイルを選択してください。";
}

NavResult ViewState::noChart(bool withBeep) const {
    NavResult r;
    r.status = noChartText();
    r.beep = withBeep;
    return r;
}

// ---- Movement ----

NavResult ViewState::moveScreen(int code) {
    dragState = 0;
    if (!chartLoaded) return noChart(false);
    NavResult r;
    r.status = "";
    double s = viewStart();
    const double d = chartDuration(), w = span();
    const bool atLast = atChartEnd();
    switch (code) {
    case kScreenNext:
        if (atLast) {
            r.beep = true;
            r.status = "最終ページ表示中です。";
            return r;
        }
        s = std::min(s + 0.8 * w, d - w);
        break;
    case kScreenPrevious:
        if (s <= 0) {
            r.status = "先頭ページ表示中です。";
            r.beep = true;
            r.repaint = true;
            forgetCursor();
            return r;
        }
        s = std::max(0.0, s - 0.8 * w);
        break;
    case kScreenFirst:
        s = 0;
        break;
    case kScreenLast:
        if (atLast) {
            r.beep = true;
            r.status = "最終ページ表示中です。";
            return r;
        }
        s = std::max(0.0, d - w);
        break;
    default:
        return {};
    }
    setViewStart(std::max(0.0, s));
    forgetCursor();
    r.repaint = true;
    return r;
}

NavResult ViewState::scrollVertical(int code) {
    dragState = 0;
    if (code == kThumbPosition || code == kThumbTrack) return {};
    if (!chartLoaded) return noChart(true);
    const int n = signalSlots, rows = rowsPerPage(), o = verticalOrigin;
    const bool canDown = n - rows >= o && n >= rows;
    int next = o;
    bool ok = false;
    switch (code) {
    case kLineUp:
        ok = o > 0;
        next = o - 1;
        break;
    case kLineDown:
        ok = canDown;
        next = o + 1;
        break;
    case kPageUp:
        ok = o > 0;
        next = std::max(0, o - rows);
        break;
    case kPageDown:
        ok = canDown;
        next = o + rows;
        if (n - rows < next) next = n - rows + 1;
        next = std::max(0, next);
        break;
    case kTop:
        ok = o != 0;
        next = 0;
        break;
    case kBottom:
        ok = canDown;
        next = n - rows + 1;
        break;
    default:
        return {};
    }
    NavResult r;
    if (!ok) {
        r.beep = true;
        return r;
    }
    verticalOrigin = next;
    forgetCursor();
    r.repaint = true;
    r.paintingStatus = "タイミングチャートを表示中です。";
    return r;
}

NavResult ViewState::scrollHorizontal(int code) {
    switch (code) {
    case kLineUp:
    case kPageUp:
        return moveScreen(kScreenPrevious);
    case kLineDown:
    case kPageDown:
        return moveScreen(kScreenNext);
    case kTop:
        return moveScreen(kScreenFirst);
    case kBottom:
        return moveScreen(kScreenLast);
    default:
        return {};
    }
}

NavResult ViewState::wheel(int delta, bool shift, bool ctrl, bool panning) {
    if (panning || shift || ctrl || delta == 0) return {};
    return scrollVertical(delta < 0 ? kLineDown : kLineUp);
}

NavResult ViewState::shiftPixels(int pixels) {
    NavResult r;
    if (!chartLoaded || pixels == 0) return r;
    const double d = chartDuration(), w = span(), s = viewStart();
    const double next = std::max(0.0, std::min(s + pixels * scale, d - w));
    if (next == s) return r;
    setViewStart(next);
    forgetCursor();
    r.repaint = true;
    return r;
}

NavResult ViewState::scrollRowsTo(int origin) {
    dragState = 0;
    if (!chartLoaded) return {};
    const int next = std::clamp(origin, 0, maxVerticalOrigin());
    if (next == verticalOrigin) return {};
    verticalOrigin = next;
    forgetCursor();
    NavResult r;
    r.repaint = true;
    return r;
}

NavResult ViewState::scrollTimeTo(double units) {
    dragState = 0;
    if (!chartLoaded || !std::isfinite(units)) return {};
    const double d = chartDuration(), w = span(), s = viewStart();
    const double next = std::max(0.0, std::min(units, d - w));
    if (next == s) return {};
    setViewStart(next);
    forgetCursor();
    NavResult r;
    r.repaint = true;
    return r;
}

NavResult ViewState::zoomAt(int x, bool in) {
    NavResult r;
    if (!chartLoaded) return r;
    dragState = 0;
    zoomCentre = -1;
    const bool inside = insidePlot(x);
    const double t = timeAt(x);
    if (!(in ? zoomStepIn() : zoomStepOut())) return r;
    if (inside && scale < fitScale) setViewStart(std::max(0.0, t - (x - plotLeft()) * scale));
    afterZoom();
    r.repaint = true;
    return r;
}

// ---- What the cursor line crosses ----

int rowAt(const ViewState& v, int y) {
    const int u = std::max(8, v.heightUnit);
    if (y < 2 * u) return 0;
    const int slot = v.verticalOrigin + 1 + (y - 2 * u) / (4 * u);
    return slot < v.signalSlots ? slot : 0;
}

std::string valueText(const chart::ChartModel& m, int slot, double units) {
    if (slot < 1 || slot > chart::kMaxSignals || slot >= m.signalSlots) return {};
    const int n = m.signalOrder[std::size_t(slot)];
    if (n < 1 || n > chart::kMaxSignals) return {};
    const double us = m.unitScale > 0 ? m.unitScale : 1;
    const chart::ChartEvent* last = nullptr;
    for (const chart::ChartEvent& e : m.signalEvents(n)) {
        if (chart::unitsBetween(m.displayStart, e.time, us) > units) break;
        last = &e;
    }
    std::string v = "-";
    if (last) {
        char buf[32];
        switch (last->kind) {
        case 'S': v = last->value ? "ON" : "OFF"; break;
        case 'V':
            std::snprintf(buf, sizeof buf, "%g%%", last->value / 1000.0);
            v = buf;
            break;
        case 'G':
            std::snprintf(buf, sizeof buf, "%d%%", last->value / 1000);
            v = buf;
            break;
        case 'D': v = m.displayText(last->value); break;
        case 'P': v = "PULSE"; break;
        default: v = std::string(1, last->kind); break;
        }
    }
    return m.signalNames[std::size_t(n)] + "=" + v;
}

// ---- Pan mode ----

bool PanMode::start(int& x, int& y, bool ctrl) {
    if (ctrl || active_) return false;
    x -= kPointerShift;
    y -= kPointerShift;
    originX_ = x;
    originY_ = y;
    active_ = true;
    moved_ = false;
    return true;
}

PanStep PanMode::tick(int x, int y) {
    PanStep s;
    if (!active_) return s;
    const int dx = x - originX_, dy = y - originY_;
    s.vertical = !(std::abs(dy) < std::abs(dx));
    s.forward = s.vertical ? dy > 0 : dx > 0;
    s.lines = (s.vertical ? std::abs(dy) : std::abs(dx)) / 8;
    if (s.lines > 0) moved_ = true;
    if (s.lines == 0 && std::abs(dx) < 5 && std::abs(dy) < 5)
        s.cursor = PanCursor::All;
    else if (s.vertical)
        s.cursor = s.forward ? PanCursor::Down : PanCursor::Up;
    else
        s.cursor = s.forward ? PanCursor::Right : PanCursor::Left;
    return s;
}

void PanMode::end(int& x, int& y) {
    if (!active_) return;
    active_ = false;
    moved_ = false;
    x -= kPointerShift;
    y -= kPointerShift;
}

}  // namespace view
