// A canvas that only remembers what was drawn, in order: for tests of the painter
// ("what is drawn where") and for counting the cost of a paint.
#pragma once

#include "view/canvas.h"

#include <string>
#include <vector>

namespace view {

class RecordingCanvas : public Canvas {
public:
    enum class Kind { Line, FillRect, Rectangle, Text, Bitmap, SetClip, ClearClip };
    struct Op {
        Kind kind = Kind::Line;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends; rectangle or clip corners; text/bitmap origin in x1, y1
        Pen pen;                             // line, rectangle outline
        Rgb color;                           // fill, text colour
        bool filled = false;                 // rectangle with fill
        std::string text;                    // text
        Font font;                           // text
        Rect part;                           // bitmap part
        // One line of text, e.g. "line 10,20 30,20 #000000 dot".
        std::string str() const;
    };

    RecordingCanvas(int width = 1000, int height = 1000) : width_(width), height_(height) {}

    int width() const override { return width_; }
    int height() const override { return height_; }
    void line(int x1, int y1, int x2, int y2, const Pen& pen) override;
    void fillRect(const Rect& r, Rgb color) override;
    void rectangle(const Rect& r, const Pen& pen, std::optional<Rgb> fill) override;
    void text(int x, int y, std::string_view utf8, const Font& font, Rgb color) override;
    using Canvas::bitmap;
    void bitmap(int x, int y, const Bitmap& bmp, const Rect& part) override;
    void setClip(const Rect& r) override;
    void clearClip() override;

    const std::vector<Op>& ops() const { return ops_; }
    std::vector<Op> ops(Kind kind) const;
    // All operations, one str() per line.
    std::string dump() const;
    void clear() { ops_.clear(); }

private:
    int width_, height_;
    std::vector<Op> ops_;
};

}  // namespace view
