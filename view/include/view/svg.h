// SVG pages: a canvas that writes its drawing as an SVG document. Lines and
// rectangles become pixel-aligned filled shapes, so the picture matches the raster
// canvases pixel for pixel at 1:1; text stays text (UTF-8) in the named font with
// its Linux substitute as fallback; bitmaps are embedded as BMP data.
#pragma once

#include "view/canvas.h"

#include <string>

namespace view {

class SvgCanvas : public Canvas {
public:
    SvgCanvas(int width, int height);

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

    // The complete document.
    std::string document() const;

private:
    int width_, height_;
    std::string body_;
    bool clipped_ = false;
    int clipCount_ = 0;
};

// Writes the document; 0, -1 when the file cannot be opened, -4 when writing fails.
// A failure leaves an earlier file untouched.
int writeSvg(const std::string& path, const SvgCanvas& page);

// Text made safe for XML character data and attribute values: markup characters
// escaped, characters XML does not allow (most control characters, invalid UTF-8)
// left out.
std::string xmlEscape(std::string_view utf8);

}  // namespace view
