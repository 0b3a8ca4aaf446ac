#include "view/recording_canvas.h"

#include <cstdio>

namespace view {

namespace {
std::string hex(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}
std::string pt(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
std::string penText(const Pen& p) { return hex(p.color) + (p.style == PenStyle::Dotted ? " dot" : ""); }
}  // namespace

std::string RecordingCanvas::Op::str() const {
    std::string s;
    switch (kind) {
    case Kind::Line: s = "line " + pt(x1, y1) + " " + pt(x2, y2) + " " + penText(pen); break;
    case Kind::FillRect: s = "fill " + pt(x1, y1) + " " + pt(x2, y2) + " " + hex(color); break;
    case Kind::Rectangle:
        s = "rect " + pt(x1, y1) + " " + pt(x2, y2) + " " + penText(pen);
        if (filled) s += " fill " + hex(color);
        break;
    case Kind::Text:
        s = "text " + pt(x1, y1) + " " + hex(color) + " " + font.name + "/" + std::to_string(font.height) + " " + text;
        break;
    case Kind::Bitmap:
        s = "bitmap " + pt(x1, y1) + " part " + pt(part.left, part.top) + " " + pt(part.right, part.bottom);
        break;
    case Kind::SetClip: s = "clip " + pt(x1, y1) + " " + pt(x2, y2); break;
    case Kind::ClearClip: s = "noclip"; break;
    }
    return s;
}

void RecordingCanvas::line(int x1, int y1, int x2, int y2, const Pen& pen) {
    Op o;
    o.kind = Kind::Line;
    o.x1 = x1, o.y1 = y1, o.x2 = x2, o.y2 = y2, o.pen = pen;
    ops_.push_back(std::move(o));
}

void RecordingCanvas::fillRect(const Rect& r, Rgb color) {
    Op o;
    o.kind = Kind::FillRect;
    o.x1 = r.left, o.y1 = r.top, o.x2 = r.right, o.y2 = r.bottom, o.color = color;
    ops_.push_back(std::move(o));
}

void RecordingCanvas::rectangle(const Rect& r, const Pen& pen, std::optional<Rgb> fill) {
    Op o;
    o.kind = Kind::Rectangle;
    o.x1 = r.left, o.y1 = r.top, o.x2 = r.right, o.y2 = r.bottom, o.pen = pen;
    if (fill) o.filled = true, o.color = *fill;
    ops_.push_back(std::move(o));
}

void RecordingCanvas::text(int x, int y, std::string_view utf8, const Font& font, Rgb color) {
    Op o;
    o.kind = Kind::Text;
    o.x1 = x, o.y1 = y, o.text = std::string(utf8), o.font = font, o.color = color;
    ops_.push_back(std::move(o));
}

void RecordingCanvas::bitmap(int x, int y, const Bitmap&, const Rect& part) {
    Op o;
    o.kind = Kind::Bitmap;
    o.x1 = x, o.y1 = y, o.part = part;
    ops_.push_back(std::move(o));
}

void RecordingCanvas::setClip(const Rect& r) {
    Op o;
    o.kind = Kind::SetClip;
    o.x1 = r.left, o.y1 = r.top, o.x2 = r.right, o.y2 = r.bottom;
    ops_.push_back(std::move(o));
}

void RecordingCanvas::clearClip() {
    Op o;
    o.kind = Kind::ClearClip;
    ops_.push_back(std::move(o));
}

std::vector<RecordingCanvas::Op> RecordingCanvas::ops(Kind kind) const {
    std::vector<Op> out;
    for (const Op& o : ops_)
        if (o.kind == kind) out.push_back(o);
    return out;
}

std::string RecordingCanvas::dump() const {
    std::string s;
    for (const Op& o : ops_) s += o.str() + "\n";
    return s;
}

}  // namespace view
