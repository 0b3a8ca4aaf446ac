// A canvas that records what is drawn on it, for checking the painter's output.
#pragma once

#include "view/canvas.h"

#include <string>
#include <vector>

namespace painttest {

struct Op {
    enum Kind { Line, Fill, Rectangle, Text, Bitmap, Clip, ClearClip } kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends, or rectangle corners, or text/bitmap corner
    view::Pen pen;
    view::Rgb color;
    std::string text;
    view::Rect part;  // bitmap part
};

class RecordingCanvas : public view::Canvas {
public:
    RecordingCanvas(int w, int h) : w_(w), h_(h) {}
    std::vector<Op> ops;

    int width() const override { return w_; }
    int height() const override { return h_; }
    void line(int x1, int y1, int x2, int y2, const view::Pen& pen) override {
        ops.push_back(Op{Op::Line, x1, y1, x2, y2, pen, pen.color, {}, {}});
    }
    void fillRect(const view::Rect& r, view::Rgb color) override {
        ops.push_back(Op{Op::Fill, r.left, r.top, r.right, r.bottom, {}, color, {}, {}});
    }
    void rectangle(const view::Rect& r, const view::Pen& pen, std::optional<view::Rgb> fill) override {
        ops.push_back(Op{Op::Rectangle, r.left, r.top, r.right, r.bottom, pen, fill.value_or(view::Rgb{}), {}, {}});
    }
    void text(int x, int y, std::string_view utf8, const view::Font&, view::Rgb color) override {
        ops.push_back(Op{Op::Text, x, y, 0, 0, {}, color, std::string(utf8), {}});
    }
    using view::Canvas::bitmap;
    void bitmap(int x, int y, const view::Bitmap&, const view::Rect& part) override {
        ops.push_back(Op{Op::Bitmap, x, y, 0, 0, {}, {}, {}, part});
    }
    void setClip(const view::Rect& r) override {
        ops.push_back(Op{Op::Clip, r.left, r.top, r.right, r.bottom, {}, {}, {}, {}});
    }
    void clearClip() override { ops.push_back(Op{Op::ClearClip, 0, 0, 0, 0, {}, {}, {}, {}}); }

    std::vector<Op> of(Op::Kind k) const {
        std::vector<Op> r;
        for (const Op& o : ops)
            if (o.kind == k) r.push_back(o);
        return r;
    }
    // Lines drawn in one colour.
    std::vector<Op> lines(view::Rgb c) const {
        std::vector<Op> r;
        for (const Op& o : ops)
            if (o.kind == Op::Line && o.pen.color == c) r.push_back(o);
        return r;
    }
    bool hasLine(int x1, int y1, int x2, int y2) const {
        for (const Op& o : ops)
            if (o.kind == Op::Line && o.x1 == x1 && o.y1 == y1 && o.x2 == x2 && o.y2 == y2) return true;
        return false;
    }
    const Op* findText(std::string_view t) const {
        for (const Op& o : ops)
            if (o.kind == Op::Text && o.text == t) return &o;
        return nullptr;
    }

private:
    int w_, h_;
};

}  // namespace painttest
