#include "view/painter.h"

#include "base/names.h"
#include "base/services.h"
#include "base/text.h"
#include "chart/chart_time.h"
#include "view/bmp.h"
#include "view/clip.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace view {

ChartPalette ChartPalette::from(const ChartParams& p, bool monochrome) {
    ChartPalette pal;
    if (monochrome) {
        pal.signal = pal.name = pal.comment = pal.axis = pal.grid = rgb(0, 0, 0);
        pal.background = rgb(255, 255, 255);
        pal.valueBase = pal.value100 = rgb(192, 192, 192);
        return pal;
    }
    pal.signal = p.colours[kColourSignal];
    pal.background = p.colours[kColourBackground];
    pal.name = p.colours[kColourName];
    pal.comment = p.colours[kColourComment];
    pal.axis = p.colours[kColourAxis];
    pal.grid = p.colours[kColourGrid];
    return pal;
}

namespace {

// Truncation to a pixel that cannot overflow: far-away positions (a chart zoomed in a
// long way) are held at a billion pixels, which no target reaches.
int toPixel(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}

// Lines whose ends lie this far out are cut in software on screen too, so that no
// canvas is handed coordinates its rasteriser may not cope with.
constexpr double kFarAway = 30000;

bool startsWithImageTag(std::string_view s) {
    static constexpr std::string_view tag = "<img src=";
    if (s.size() < tag.size()) return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        char ch = s[i];
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
        if (ch != tag[i]) return false;
    }
    return true;
}

// Bar height in pixels for a level of percent × 1000.
std::int64_t levelHeight(int u, std::int32_t value) {
    return std::int64_t(2) * u * (value / 1000) / 100;
}

}  // namespace

ChartPainter::ChartPainter(const chart::ChartModel& model, const ChartParams& params, const ChartPalette& palette,
                           const PaintFonts& fonts)
    : model_(model), params_(params), palette_(palette), fonts_(fonts) {
    // The unit is raised to 8; it is also held to a size that keeps every row
    // coordinate of 33 rows far inside an int.
    u_ = std::clamp(params.heightUnit, 8, 4096);
}

void ChartPainter::fillBackground(Canvas& pane) const {
    pane.rectangle(Rect{0, 0, pane.width(), pane.height()}, Pen{palette_.paneFrame}, palette_.background);
}

// ---- Names ----

int ChartPainter::drawNames(Canvas& c, const PaintFrame& f) {
    const int u = f.u;
    std::size_t longest = 0;
    const int slots = std::min(model_.signalSlots, chart::kMaxSignals + 1);
    for (int p = std::max(f.origin, 0); p < slots; ++p) {
        const int n = model_.signalOrder[std::size_t(p)];
        if (n < 0 || n > chart::kMaxSignals) continue;
        const std::string& name = model_.signalNames[std::size_t(n)];
        longest = std::max(longest, base::cp932Length(name));
        const int y = f.stripOffset + 2 * u + (p - f.origin - 1) * 4 * u + f.vOffset;
        if (y < f.paneBottom && !name.empty())
            c.text(kNameIndent + f.hOffset, y + 2 * u, name, fonts_.name, palette_.name);
    }
    return nameColumnWidth(longest);
}

// ---- Clipped drawing ----

void ChartPainter::line(Canvas& c, const PaintFrame& f, double xa, double ya, double xb, double yb, const Pen& pen) {
    const Rect clip{f.plotLeft, f.rowsTop, f.plotRight, f.rowsBottom};
    const bool far = std::fabs(xa) > kFarAway || std::fabs(xb) > kFarAway || std::fabs(ya) > kFarAway ||
                     std::fabs(yb) > kFarAway;
    int x1, y1, x2, y2;
    if (!clipLine(LineF{xa, ya, xb, yb}, clip, f.softwareClip() || far, x1, y1, x2, y2)) return;
    c.line(x1, y1, x2, y2, pen);
}

void ChartPainter::label(Canvas& c, const PaintFrame& f, double xd, int y, const std::string& text) {
    if (params_.commentDisplay == kCommentsHidden) return;
    int x = toPixel(xd);
    if (startsWithImageTag(text)) {
        imageLabel(c, f, x, y, std::string_view(text).substr(9));
        return;
    }
    const int len = static_cast<int>(std::min<std::size_t>(base::cp932Length(text), 100000));
    if (f.softwareClip()) {
        if (f.plotLeft >= x + kCharWidth * len || x >= f.plotRight) return;
        if (x + kCharWidth * len > f.plotRight) x = f.plotRight - kCharWidth * len;
        if (y <= f.rowsTop || y - kCharHeight >= f.rowsBottom) return;
    }
    widest_ = std::max(widest_, std::size_t(len));
    const bool fill = params_.commentDisplay == kCommentsShown;
    // A label that cannot show in the clip rectangle only counts towards the widest
    // label; nothing is handed to the canvas.
    const int right = x + kCharWidth * int(fill ? std::max<std::size_t>(widest_, std::size_t(len)) : std::size_t(len));
    if (right <= f.plotLeft || x - 2 >= f.plotRight || y - 2 <= f.rowsTop || y - 14 >= f.rowsBottom) return;
    if (fill) c.fillRect(Rect{x - 2, y - 14, x + kCharWidth * int(widest_), y - 2}, palette_.background);
    c.text(x, y - 14, text, fonts_.label, palette_.comment);
    spots_.push_back(LabelSpot{Rect{x, y - 14, x + kCharWidth * len, y - 2}, text});
}

// Each file is read once per paint, and a bad one reported once.
const Bitmap* ChartPainter::loadImage(const std::string& path) {
    auto it = images_.find(path);
    if (it == images_.end()) {
        Bitmap bmp;
        const int r = readBmp(path, bmp);
        it = images_.emplace(path, std::make_pair(r, std::move(bmp))).first;
        if (r == kBmpMissing)
            base::services().appendMessage(base::kListChart, "イメージファイルが存在しません。" + path);
        else if (r != kBmpOk)
            base::services().appendMessage(base::kListChart, "イメージファイルがBITMAPではありません。" + path);
    }
    return it->second.first == kBmpOk ? &it->second.second : nullptr;
}

void ChartPainter::imageLabel(Canvas& c, const PaintFrame& f, int x, int y, std::string_view labelText) {
    if (!labelText.empty() && labelText.back() == '>') labelText.remove_suffix(1);
    while (!labelText.empty() && (labelText.front() == ' ' || labelText.front() == '"')) labelText.remove_prefix(1);
    while (!labelText.empty() && (labelText.back() == ' ' || labelText.back() == '"')) labelText.remove_suffix(1);
    if (labelText.empty()) return;
    std::string path(labelText);
    if (path.front() != '/' && !projectFolder_.empty()) path = base::joinPath(projectFolder_, path);
    const Bitmap* bmp = loadImage(path);
    if (!bmp) return;
    Rect part{0, 0, bmp->width, bmp->height};
    int left = x;
    const int top = y - 2 - bmp->height;
    if (f.softwareClip()) {
        if (left < f.plotLeft) {
            part.left = std::min(bmp->width, f.plotLeft - left);
            left = f.plotLeft;
        }
        if (left + part.width() > f.plotRight) part.right = part.left + std::max(0, f.plotRight - left);
        if (part.empty()) return;
    } else if (left >= f.plotRight || left + bmp->width <= f.plotLeft) {
        return;
    }
    c.bitmap(left, top, *bmp, part);
    if (f.mode == kModeGif) imageDrawn_ = true;
}

// ---- Ruler and axis ----

chart::Ruler ChartPainter::ruler(const PaintFrame& f) const {
    chart::RulerInput in;
    in.origin = model_.displayStart;
    in.decimalDigits = model_.decimalDigits;
    in.unitScale = model_.unitScale;
    in.pixelsPerUnit = 1.0 / f.scale;
    in.viewStart = f.viewStart;
    in.viewEnd = f.viewStart + (f.plotRight - f.plotLeft) * f.scale;
    in.x0 = f.plotLeft;
    in.charWidth = kCharWidth;
    return chart::computeRuler(in);
}

void ChartPainter::drawRulerFrame(Canvas& c, const Rect& strip) const {
    c.fillRect(strip, palette_.buttonFace);
    c.line(strip.left, strip.top, strip.right, strip.top, Pen{rgb(255, 255, 255)});
    c.line(strip.left, strip.bottom - 1, strip.right, strip.bottom - 1, Pen{rgb(128, 128, 128)});
}

void ChartPainter::drawRulerStrip(Canvas& c, const Rect& strip, const PaintFrame& f) {
    const Pen white{rgb(255, 255, 255)}, grey{rgb(128, 128, 128)};
    const Rgb text = rgb(0, 0, 0);
    drawRulerFrame(c, strip);
    if (!(f.scale > 0)) return;
    const chart::Ruler r = ruler(f);
    const int b = strip.bottom;
    c.setClip(Rect{std::max(strip.left, f.plotLeft), strip.top + 1, std::min(strip.right, f.plotRight + 1), b - 1});
    for (const chart::RulerTick& t : r.ticks) {
        const int x = toPixel(t.x);
        if (t.tickDrawn) {
            const int top = t.kind == chart::RulerTick::Small ? b - 6 : b - 16;
            c.line(x, top, x, b - 1, grey);
            c.line(x + 1, top, x + 1, b - 1, white);
        }
        if (!t.shortLabel.empty()) c.text(x + 2, b - 16, t.shortLabel, fonts_.ruler, text);
        if (!t.longLabel.empty()) c.text(x + 2, b - 27, t.longLabel, fonts_.ruler, text);
    }
    c.clearClip();
}

void ChartPainter::drawTimeAxis(Canvas& c, int y, const PaintFrame& f) {
    const Pen axis{palette_.axis}, grid{palette_.grid, PenStyle::Dotted};
    line(c, f, f.plotLeft, y, f.plotRight, y, axis);
    line(c, f, f.plotLeft, y + 1, f.plotRight, y + 1, axis);
    if (!(f.scale > 0)) return;
    const chart::Ruler r = ruler(f);
    for (const chart::RulerTick& t : r.ticks) {
        if (!t.tickDrawn) continue;
        if (t.kind == chart::RulerTick::Labelled) line(c, f, t.x, f.rowsTop, t.x, y - 4, grid);
        const int top = t.kind == chart::RulerTick::Small ? y + 2 : y - 4;
        line(c, f, t.x, top, t.x, y + 5, axis);
    }
}

void ChartPainter::drawDateLine(Canvas& c, int x, int y, const PaintFrame& f) {
    const chart::TimeLabel l =
        chart::timeLabel(model_.displayStart, f.viewStart, model_.decimalDigits, model_.unitScale);
    c.text(x, y - kCharHeight, l.date, fonts_.label, palette_.name);
}

// ---- Rows ----

bool ChartPainter::drawRows(Canvas& c, const PaintFrame& f) {
    widest_ = 0;
    spots_.clear();
    images_.clear();
    bool changed = false;
    if (!(f.scale > 0)) return false;
    const int slots = std::min(model_.signalSlots, chart::kMaxSignals + 1);
    for (int p = std::max(f.origin, 1); p < slots; ++p) {
        const int y0 = (p - 1 - f.origin) * 4 * f.u + 2 * f.u + f.stripOffset + f.vOffset;
        if (y0 >= f.paneBottom) break;
        drawRow(c, f, p, changed);
    }
    return changed;
}

void ChartPainter::drawRow(Canvas& c, const PaintFrame& f, int p, bool& changed) {
    const int n = model_.signalOrder[std::size_t(p)];
    const std::vector<chart::ChartEvent>& events = model_.signalEvents(n);
    if (events.empty()) return;
    const int u = f.u;
    const int y0 = (p - 1 - f.origin) * 4 * u + 2 * u + f.stripOffset + f.vOffset;
    const int yH = y0 + u, yL = y0 + 3 * u;
    const double ppu = 1.0 / f.scale;
    const double x0 = f.plotLeft - f.viewStart * ppu;
    const double right = f.plotRight;
    const double us = model_.unitScale;
    const chart::ChartTime& origin = model_.displayStart;
    // Day counts repeat from event to event; remember the last date's offset.
    std::int32_t lastDate = origin.date;
    double lastDayUnits = 0;
    auto offsetOf = [&](const chart::ChartTime& t) {
        if (t.date != lastDate) {
            lastDate = t.date;
            lastDayUnits = double(chart::daysBetween(origin.date, t.date)) * 86400.0 * us;
        }
        return lastDayUnits + (double(t.seconds) - origin.seconds) * us + (t.fraction - origin.fraction);
    };
    auto inside = [&](double x) {
        if (x >= f.plotLeft && x <= right) changed = true;
    };
    const Pen pen{palette_.signal};
    const std::string* none = nullptr;
    auto labelOf = [&](const chart::ChartEvent& e) -> const std::string* {
        if (e.commentNo == 0 || params_.commentDisplay == kCommentsHidden) return none;
        return &model_.commentText(e.commentNo);
    };

    double penX = x0;
    int penY = yL;
    bool valueLines = false;
    bool level = false;  // the pen holds the level of an S, P or G event
    auto drawValueLines = [&] {
        valueLines = true;
        line(c, f, f.plotLeft, yL, f.plotRight, yL, Pen{palette_.valueBase});
        if (params_.show100Line) line(c, f, f.plotLeft, yH, f.plotRight, yH, Pen{palette_.value100, PenStyle::Dotted});
    };

    // Start at the last checkpoint before which every event, label included, ends
    // far enough left of the plot (and left of -nameWidth, where screen labels stop
    // being drawn) that nothing of it shows; take over the state it leaves.
    std::size_t first = 0;
    const PaintIndex::Row* row = index_ && !plainWalk_ ? index_->row(model_, n) : nullptr;
    if (row && !row->imageLabels) {
        const double margin = kCharWidth * (index_->maxLabelLength() + 1) + 16;
        const double limitX = std::min(f.plotLeft - margin, double(-f.nameWidth) - 16);
        const double limit = (limitX - x0) * f.scale;
        const auto it = !(limit == limit) ? row->maxEnd.begin() + 1
                                          : std::lower_bound(row->maxEnd.begin(), row->maxEnd.end(), limit);
        const std::size_t cp = std::size_t(it - row->maxEnd.begin()) - 1;  // maxEnd[0] is -inf
        first = std::min(cp * PaintIndex::kBlock, events.size());
        if (first > 0) {
            const std::int32_t m = row->lastMover[cp];
            if (m >= 0) {
                const chart::ChartEvent& e = events[std::size_t(m)];
                const double off = offsetOf(e.time);
                const double x = x0 + off * ppu;
                switch (e.kind) {
                case chart::kKindState:
                    penX = x;
                    penY = e.value != 0 ? yH : yL;
                    level = true;
                    break;
                case chart::kKindPulse:
                case chart::kKindGraph:
                    penX = x0 + (off + (e.kind == chart::kKindPulse ? pulseWidthUnits(e, model_.decimalDigits)
                                                                     : graphWidthUnits(e.value))) * ppu;
                    penY = yL;
                    level = true;
                    break;
                case chart::kKindValue:
                    penX = x;
                    penY = int(std::clamp<std::int64_t>(yL - levelHeight(u, e.value), -1000000000, 1000000000));
                    level = false;
                    break;
                default:  // other letters do not move the pen
                    break;
                }
            }
            if (row->hadValue[cp]) drawValueLines();
            // On screen every pulse and graph label counts towards the widest label,
            // wherever it lies.
            if (!f.softwareClip() && params_.commentDisplay != kCommentsHidden)
                widest_ = std::max<std::size_t>(widest_, row->pulseLabel[cp]);
        }
    }

    // Level edges of state events that fall into one pixel column are drawn together
    // when the walk leaves the column or draws anything else: a rising and a falling
    // edge cover exactly the pixels of the two strokes, however many events made them.
    // (Between them only strokes of the same pen are drawn, so the order is free.)
    int edgeColumn = std::numeric_limits<int>::min();
    bool edgeUp = false, edgeDown = false;
    auto flushEdges = [&] {
        if (edgeUp) line(c, f, edgeColumn, yL, edgeColumn, yH, pen);
        if (edgeDown) line(c, f, edgeColumn, yH, edgeColumn, yL, pen);
        edgeUp = edgeDown = false;
        edgeColumn = std::numeric_limits<int>::min();
    };

    bool stop = false;
    for (std::size_t i = first; i < events.size() && !stop; ++i) {
        if (penX >= right) break;
        ++walked_;
        const chart::ChartEvent& e = events[i];
        const double off = offsetOf(e.time);
        const double x = x0 + off * ppu;
        if (e.kind != chart::kKindState) flushEdges();
        switch (e.kind) {
        case chart::kKindState: {
            const int ny = e.value != 0 ? yH : yL;
            if (penX < x) {
                // Within one pixel column the level line has no length and draws nothing.
                const double from = std::max(penX, 0.0);
                if (plainWalk_ || toPixel(from) != toPixel(x)) {
                    flushEdges();
                    line(c, f, from, penY, x, penY, pen);
                }
            }
            if (x >= 0 && x <= right) {
                // Edges that show fall in the plot; collect them by pixel column.
                if (plainWalk_) {
                    line(c, f, x, penY, x, ny, pen);
                } else if (ny != penY && x >= f.plotLeft) {
                    if (penY == yH || penY == yL) {
                        const int column = toPixel(x);
                        if (column != edgeColumn) {
                            flushEdges();
                            edgeColumn = column;
                        }
                        (ny < penY ? edgeUp : edgeDown) = true;
                    } else {
                        flushEdges();
                        line(c, f, x, penY, x, ny, pen);
                    }
                }
                if (const std::string* s = labelOf(e)) {
                    flushEdges();
                    label(c, f, x, ny, *s);
                }
            }
            penX = x;
            penY = ny;
            level = true;
            inside(x);
            // A plain run that starts here and ends in the same pixel column of the
            // plot adds only its level edges there; its level lines have no length.
            if (row && x >= f.plotLeft && i % PaintIndex::kRunLengths.back() == 0) {
                for (std::size_t k = 0; k < PaintIndex::kRunLengths.size(); ++k) {
                    const std::size_t length = PaintIndex::kRunLengths[k];
                    const std::vector<std::uint8_t>& runs = row->runs[k];
                    if (i % length != 0 || i / length >= runs.size()) continue;
                    const std::uint8_t flags = runs[i / length];
                    if (!(flags & PaintIndex::kRunPlain)) continue;
                    const std::size_t lastIndex = i + length - 1;
                    const double xLast = x0 + offsetOf(events[lastIndex].time) * ppu;
                    const int column = toPixel(x);
                    if (toPixel(xLast) != column || column >= f.plotRight) continue;
                    if (flags & (PaintIndex::kRunRises | PaintIndex::kRunFalls)) {
                        if (column != edgeColumn) {
                            flushEdges();
                            edgeColumn = column;
                        }
                        if (flags & PaintIndex::kRunRises) edgeUp = true;
                        if (flags & PaintIndex::kRunFalls) edgeDown = true;
                    }
                    penX = xLast;
                    penY = (flags & PaintIndex::kRunEndsHigh) ? yH : yL;
                    i = lastIndex;
                    break;
                }
            }
            break;
        }
        case chart::kKindPulse:
        case chart::kKindGraph: {
            const bool pulse = e.kind == chart::kKindPulse;
            const double w = pulse ? pulseWidthUnits(e, model_.decimalDigits) : graphWidthUnits(e.value);
            const double x2 = x0 + (off + w) * ppu;
            const double top = pulse ? double(yH) : double(yL - levelHeight(u, e.value));
            line(c, f, penX, penY, std::min(x, right), penY, pen);
            line(c, f, x, penY, x, top, pen);
            if (const std::string* s = labelOf(e)) label(c, f, x, int(top), *s);
            line(c, f, x, top, x2, top, pen);
            if (x2 >= 0 && x2 < right) line(c, f, x2, top, x2, yL, pen);
            penX = x2;
            penY = yL;
            level = true;
            inside(x);
            break;
        }
        case chart::kKindValue: {
            const int y = int(std::clamp<std::int64_t>(yL - levelHeight(u, e.value), -1000000000, 1000000000));
            if (i == 0) {
                penX = x;
                penY = y;
            }
            if (!valueLines) drawValueLines();
            const std::string* s = labelOf(e);
            if ((penX < 0 && x < 0) || (penX > right && x > right)) {
                if (s && x >= -f.nameWidth && x < 0) label(c, f, x, y, *s);
            } else {
                if (penX < x) line(c, f, penX, penY, x, y, pen);
                if (s) label(c, f, x, y, *s);
            }
            penX = x;
            penY = y;
            level = false;
            inside(x);
            break;
        }
        case chart::kKindDisplay: {
            inside(x);
            if (x >= right) {
                stop = true;  // marks are in time order: none further on shows
                break;
            }
            if (x >= -f.nameWidth) {
                line(c, f, x, y0 + u, x, y0 + 2 * u, pen);
                line(c, f, x - 3, y0 + u + 6, x + 1, y0 + 2 * u, pen);
                line(c, f, x + 3, y0 + u + 6, x - 1, y0 + 2 * u, pen);
                if (params_.commentDisplay != kCommentsHidden) label(c, f, x, y0 + u, model_.displayText(e.value));
            }
            break;
        }
        default:
            break;
        }
    }
    flushEdges();
    if (level && penX < right) {
        const double end = x0 + chart::unitsBetween(origin, model_.displayEnd, us) * ppu;
        const double to = std::min(right, end);
        if (penX < to) line(c, f, penX, penY, to, penY, pen);
    }
}

// ---- Screen paint ----

PaintFrame ChartPainter::screenFrame(const Canvas& pane, const ViewState& view) const {
    PaintFrame f;
    f.mode = kModeScreen;
    f.u = u_;
    f.origin = view.verticalOrigin;
    f.nameWidth = view.nameWidth;
    f.plotLeft = view.nameWidth;
    f.plotRight = pane.width() - view.rightMargin;
    f.rowsTop = u_;
    f.rowsBottom = u_ + (model_.signalSlots - view.verticalOrigin) * 4 * u_;
    f.paneBottom = pane.height();
    f.viewStart = view.viewStart();
    f.scale = view.scale;
    return f;
}

PaintResult ChartPainter::paintScreen(Canvas& pane, Canvas* rulerCanvas, ViewState& view) {
    PaintResult res;
    if (model_.signalSlots <= 0) {
        res.status = -1;
        return res;
    }
    view.heightUnit = u_;
    view.paneWidth = pane.width();
    view.paneHeight = pane.height();
    PaintFrame f = screenFrame(pane, view);
    const int width = drawNames(pane, f);
    if (width <= 0) {
        res.status = -2;
        return res;
    }
    view.nameWidth = width;
    res.vScrollMax = std::max(0, model_.signalSlots - pane.height() / (4 * u_));
    view.settle();
    f = screenFrame(pane, view);
    if (rulerCanvas) drawRulerStrip(*rulerCanvas, Rect{0, 0, rulerCanvas->width(), rulerCanvas->height()}, f);
    pane.setClip(Rect{f.plotLeft, f.rowsTop, f.plotRight, f.rowsBottom});
    const int axisY = f.rowsBottom - 3 * u_;
    drawTimeAxis(pane, axisY, f);
    drawDateLine(pane, f.plotLeft + 2, axisY - 5, f);
    res.changed = drawRows(pane, f);
    pane.clearClip();
    res.screenButtons = view.screenButtons();
    return res;
}

// ---- Export page ----

PageResult ChartPainter::paintPage(Canvas& page, const PageLayout& l) {
    PageResult res;
    page.fillRect(Rect{0, 0, l.width, l.height}, palette_.background);
    if (model_.signalSlots <= 0) return res;
    const int q = l.showScale ? kRulerHeight : 0;
    PaintFrame f;
    f.mode = l.mode;
    f.u = u_;
    f.origin = 0;
    f.hOffset = l.marginLeft;
    f.vOffset = l.marginTop;
    f.stripOffset = q;
    f.paneBottom = l.height;
    const int n = drawNames(page, f);
    res.nameWidth = n;
    if (n <= 0) return res;
    res.plotWidth = l.width - l.marginRight - l.marginLeft - n;
    if (res.plotWidth < 10) {
        res.status = -6;
        return res;
    }
    f.nameWidth = n;
    f.plotLeft = n + l.marginLeft;
    f.plotRight = l.width - l.marginRight;
    f.rowsTop = u_ + q + l.marginTop;
    f.rowsBottom = f.rowsTop + model_.signalSlots * 4 * u_;
    f.viewStart = l.start;
    f.scale = l.timePerPage / res.plotWidth;
    if (!(f.scale > 0)) return res;
    if (l.showScale) {
        drawRulerStrip(page, Rect{l.marginLeft, l.marginTop, l.width - l.marginRight, l.marginTop + q}, f);
        drawDateLine(page, l.marginLeft + 4, l.marginTop + kCharHeight, f);
    }
    page.setClip(Rect{f.plotLeft, f.rowsTop, f.plotRight, f.rowsBottom});
    const int axisY = f.rowsBottom - 3 * u_;
    drawTimeAxis(page, axisY, f);
    drawDateLine(page, f.plotLeft + 2, axisY - 5, f);
    res.changed = drawRows(page, f);
    page.clearClip();
    return res;
}

}  // namespace view
