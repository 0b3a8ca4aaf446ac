#include "view/svg.h"

#include "base/files.h"
#include "base/text.h"
#include "view/bmp.h"
#include "view/raster.h"

#include <algorithm>
#include <cstdio>

namespace view {

namespace {

// Appends pieces to a text (plain `+` chains of literals and temporaries trip a
// false overlap warning in GCC 12 at -O3).
void add(std::string& out, std::initializer_list<std::string_view> pieces) {
    for (std::string_view p : pieces) out.append(p);
}

std::string num(long long v) { return std::to_string(v); }

std::string colour(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

std::string base64(std::string_view in) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < in.size(); i += 3) {
        const std::uint32_t n = (std::uint32_t(std::uint8_t(in[i])) << 16) |
                                (i + 1 < in.size() ? std::uint32_t(std::uint8_t(in[i + 1])) << 8 : 0) |
                                (i + 2 < in.size() ? std::uint32_t(std::uint8_t(in[i + 2])) : 0);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < in.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

}  // namespace

std::string xmlEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = std::uint8_t(s[i]);
        const std::size_t n = base::utf8SeqLen(b);
        if (n > 1) {
            if (i + n <= s.size() && base::isValidUtf8(s.substr(i, n))) {
                out.append(s, i, n);
                i += n;
            } else {
                ++i;  // a broken sequence: drop its lead byte, look at the rest anew
            }
            continue;
        }
        ++i;
        switch (b) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (b >= 0x20 || b == '\t' || b == '\n' || b == '\r') {
                if (b < 0x80) out += char(b);
            }
        }
    }
    return out;
}

SvgCanvas::SvgCanvas(int width, int height) : width_(width), height_(height) {}

void SvgCanvas::line(int x1, int y1, int x2, int y2, const Pen& pen) {
    if (x1 == x2 && y1 == y2) return;
    // Lines reaching far off the page are cut to a frame around it first.
    if (!cutToFrame(x1, y1, x2, y2, Rect{-2, -2, width_ + 2, height_ + 2})) return;
    std::string d;
    const bool dotted = pen.style == PenStyle::Dotted;
    const int sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
    long long phase = 0;
    lineRuns(x1, y1, x2, y2, [&](int x, int y, int length, bool horizontal) {
        const long long start = phase;
        phase += length;
        if (!dotted) {
            add(d, {"M", num(x), " ", num(y), horizontal ? "h" : "v", num(length), horizontal ? "v1h-" : "h1v-", num(length),
                    "z"});
            return;
        }
        const bool forward = horizontal ? sx > 0 : sy > 0;
        for (int i = 0; i < length; ++i) {
            const long long p = start + (forward ? i : length - 1 - i);
            if (p & 1) continue;
            add(d, {"M", num(horizontal ? x + i : x), " ", num(horizontal ? y : y + i), "h1v1h-1z"});
        }
    });
    if (!d.empty()) add(body_, {"<path d=\"", d, "\" fill=\"", colour(pen.color), "\"/>\n"});
}

void SvgCanvas::fillRect(const Rect& r0, Rgb color) {
    const Rect r = r0.intersected(Rect{-1, -1, width_ + 1, height_ + 1});
    if (r.empty()) return;
    add(body_, {"<rect x=\"", num(r.left), "\" y=\"", num(r.top), "\" width=\"", num(r.width()), "\" height=\"",
                num(r.height()), "\" fill=\"", colour(color), "\"/>\n"});
}

void SvgCanvas::rectangle(const Rect& r, const Pen& pen, std::optional<Rgb> fill) {
    if (r.empty()) return;
    if (fill) fillRect(Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, *fill);
    if (r.width() == 1 || r.height() == 1) {
        line(r.left, r.top, r.width() == 1 ? r.left : r.right, r.width() == 1 ? r.bottom : r.top, pen);
        return;
    }
    line(r.left, r.top, r.right - 1, r.top, pen);
    line(r.right - 1, r.top, r.right - 1, r.bottom - 1, pen);
    line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1, pen);
    line(r.left, r.bottom - 1, r.left, r.top, pen);
}

void SvgCanvas::text(int x, int y, std::string_view utf8, const Font& font, Rgb color) {
    const std::string t = xmlEscape(utf8);
    if (t.empty()) return;
    const int size = std::max(1, font.height);
    // The baseline sits at eleven twelfths of the cell, where the raster canvases
    // put it for the 12-pixel chart fonts.
    const int baseline = y + (size * 11 + 6) / 12;
    std::string family;
    add(family, {"'", xmlEscape(font.name), "'"});
    const std::string_view sub = substituteFontName(font.name);
    if (sub != font.name) add(family, {", '", xmlEscape(sub), "'"});
    family += ", monospace";
    add(body_, {"<text x=\"", num(x), "\" y=\"", num(baseline), "\" font-family=\"", family, "\" font-size=\"", num(size),
                "px\" fill=\"", colour(color), "\" xml:space=\"preserve\">", t, "</text>\n"});
}

void SvgCanvas::bitmap(int x, int y, const Bitmap& bmp, const Rect& part) {
    Rect src;
    int dx, dy;
    if (!placeBitmap(x, y, bmp, part, Rect{0, 0, width_, height_}, src, dx, dy)) return;
    add(body_, {"<image x=\"", num(dx), "\" y=\"", num(dy), "\" width=\"", num(src.width()), "\" height=\"",
                num(src.height()), "\" style=\"image-rendering:pixelated\" href=\"data:image/bmp;base64,",
                base64(encodeBmp(bmp, src)), "\"/>\n"});
}

void SvgCanvas::setClip(const Rect& r) {
    clearClip();
    const std::string id = "clip" + num(++clipCount_);
    add(body_, {"<clipPath id=\"", id, "\"><rect x=\"", num(r.left), "\" y=\"", num(r.top), "\" width=\"",
                num(std::max(0, r.width())), "\" height=\"", num(std::max(0, r.height())),
                "\"/></clipPath>\n<g clip-path=\"url(#", id, ")\">\n"});
    clipped_ = true;
}

void SvgCanvas::clearClip() {
    if (!clipped_) return;
    body_ += "</g>\n";
    clipped_ = false;
}

std::string SvgCanvas::document() const {
    std::string doc;
    add(doc, {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"",
              num(width_), "\" height=\"", num(height_), "\" viewBox=\"0 0 ", num(width_), " ", num(height_),
              "\" shape-rendering=\"crispEdges\">\n"});
    doc += body_;
    if (clipped_) doc += "</g>\n";
    doc += "</svg>\n";
    return doc;
}

int writeSvg(const std::string& path, const SvgCanvas& page) {
    base::AtomicFile f;
    if (!f.open(path)) return -1;
    if (!f.write(page.document()) || !f.commit()) return -4;
    return 0;
}

}  // namespace view
