// The drawing surface of the chart painter.
//
// A canvas is what the painter draws on: the chart pane on screen, a raster page for
// GIF and PNG files, a metafile page, an SVG page. It knows nothing of charts; it
// draws 1-px lines, rectangles, text and bitmaps at integer pixel coordinates, with
// x growing to the right and y growing downwards from the top-left corner (0, 0).
//
// Pixel rules, kept alike by every implementation so that pictures match:
// - A line covers its start pixel and every pixel up to, but not including, its end
//   pixel (the pen-position rule of a polyline: consecutive segments draw each
//   shared corner once). A line whose ends coincide draws nothing.
// - A dotted line sets its first pixel, leaves the next one, and so on (one pixel on,
//   one off), counted from the start of each line.
// - Rectangles include their left and top edges and exclude their right and bottom
//   edges: Rect{0, 0, 4, 2} covers 4 × 2 pixels.
// - Text is placed by the top-left corner of its character cell and is drawn with a
//   transparent background. Fonts are named as the system's settings name them
//   ("ＭＳ ゴシック"); each canvas maps the name to a font it has.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace view {

// A colour: Rgb{r, g, b} is the colour RGB(r, g, b).
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

constexpr Rgb rgb(int r, int g, int b) {
    return Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
}

// Packed raster pixels are 0xAARRGGBB words with the alpha byte ignored (the layout
// of a 32-bit RGB image); toXrgb sets alpha to 0xFF.
constexpr std::uint32_t toXrgb(Rgb c) {
    return 0xFF000000u | (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
}
constexpr Rgb fromXrgb(std::uint32_t p) {
    return Rgb{std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)};
}

// A rectangle; right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr Rect intersected(const Rect& o) const {
        return Rect{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
                    bottom < o.bottom ? bottom : o.bottom};
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

enum class PenStyle { Solid, Dotted };

// A 1-px pen.
struct Pen {
    Rgb color;
    PenStyle style = PenStyle::Solid;
    friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

// A font by name. `height` is the character cell height in pixels; `width` the
// average character width in pixels, 0 for the font's own proportion.
struct Font {
    std::string name;
    int height = 12;
    int width = 0;
    friend bool operator==(const Font&, const Font&) = default;
};

// A bitmap for image labels: packed pixels (see toXrgb), rows from top to bottom.
struct Bitmap {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    bool valid() const {
        return width > 0 && height > 0 && pixels.size() == std::size_t(width) * std::size_t(height);
    }
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Size of the drawing surface in pixels.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // A 1-px line from (x1, y1) towards (x2, y2), the end pixel excluded.
    virtual void line(int x1, int y1, int x2, int y2, const Pen& pen) = 0;
    // Fills `r` with a colour, no outline.
    virtual void fillRect(const Rect& r, Rgb color) = 0;
    // Outlines `r` with a 1-px pen along its inside edge (the outline's pixels are
    // those of fillRect's border) and, when given, fills the inside with `fill`.
    virtual void rectangle(const Rect& r, const Pen& pen, std::optional<Rgb> fill) = 0;
    // UTF-8 text with its cell's top-left corner at (x, y), background transparent.
    virtual void text(int x, int y, std::string_view utf8, const Font& font, Rgb color) = 0;
    // Copies the part `part` of `bmp` (in the bitmap's coordinates, cut to the
    // bitmap) so that the part's top-left pixel lands at (x, y).
    virtual void bitmap(int x, int y, const Bitmap& bmp, const Rect& part) = 0;
    void bitmap(int x, int y, const Bitmap& bmp) { bitmap(x, y, bmp, Rect{0, 0, bmp.width, bmp.height}); }

    // Restricts all later drawing to `r` until clearClip(). Clips do not nest: a new
    // clip replaces the previous one.
    virtual void setClip(const Rect& r) = 0;
    virtual void clearClip() = 0;
};

// Where a bitmap part lands: cuts `part` to the bitmap and then to `bounds` (in
// destination coordinates, the part's top-left going to (x, y)). Gives the source
// rectangle and its destination corner; false when nothing remains.
bool placeBitmap(int x, int y, const Bitmap& bmp, const Rect& part, const Rect& bounds, Rect& src, int& dx, int& dy);

// Font names of the system's settings and the faces that stand in for them here.
// Returns `name` itself when it has no substitute.
std::string_view substituteFontName(std::string_view name);

}  // namespace view
