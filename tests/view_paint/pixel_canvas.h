// A small raster canvas for comparing pictures in tests: lines follow the shared
// pixel rules, text and bitmaps become boxes whose colour depends on their content.
#pragma once

#include "base/text.h"
#include "view/canvas.h"
#include "view/raster.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace painttest {

class PixelCanvas : public view::Canvas {
public:
    PixelCanvas(int w, int h) : w_(w), h_(h), px_(std::size_t(w) * std::size_t(h), 0) {}
    const std::vector<std::uint32_t>& pixels() const { return px_; }

    int width() const override { return w_; }
    int height() const override { return h_; }
    void line(int x1, int y1, int x2, int y2, const view::Pen& pen) override {
        int k = 0;
        const std::uint32_t c = view::toXrgb(pen.color);
        view::lineRuns(x1, y1, x2, y2, [&](int x, int y, int len, bool horizontal) {
            for (int i = 0; i < len; ++i, ++k)
                if (pen.style == view::PenStyle::Solid || k % 2 == 0) put(horizontal ? x + i : x, horizontal ? y : y + i, c);
        });
    }
    void fillRect(const view::Rect& r, view::Rgb color) override { box(r, view::toXrgb(color)); }
    void rectangle(const view::Rect& r, const view::Pen& pen, std::optional<view::Rgb> fill) override {
        if (fill) box(r, view::toXrgb(*fill));
        const std::uint32_t c = view::toXrgb(pen.color);
        box(view::Rect{r.left, r.top, r.right, r.top + 1}, c);
        box(view::Rect{r.left, r.bottom - 1, r.right, r.bottom}, c);
        box(view::Rect{r.left, r.top, r.left + 1, r.bottom}, c);
        box(view::Rect{r.right - 1, r.top, r.right, r.bottom}, c);
    }
    void text(int x, int y, std::string_view utf8, const view::Font& font, view::Rgb color) override {
        const int w = int(base::cp932Length(utf8)) * (font.width ? font.width : 6);
        box(view::Rect{x, y, x + w, y + font.height},
            view::toXrgb(color) ^ std::uint32_t(std::hash<std::string_view>{}(utf8) & 0xFFFFFF));
    }
    using view::Canvas::bitmap;
    void bitmap(int x, int y, const view::Bitmap& bmp, const view::Rect& part) override {
        box(view::Rect{x, y, x + part.width(), y + part.height()}, 0xFF123456u ^ std::uint32_t(bmp.width));
    }
    void setClip(const view::Rect& r) override { clip_ = r; }
    void clearClip() override { clip_.reset(); }

private:
    void put(int x, int y, std::uint32_t c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        if (clip_ && (x < clip_->left || x >= clip_->right || y < clip_->top || y >= clip_->bottom)) return;
        px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] = c;
    }
    void box(view::Rect r, std::uint32_t c) {
        view::Rect b{0, 0, w_, h_};
        if (clip_) b = b.intersected(*clip_);
        r = r.intersected(b);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] = c;
    }
    int w_, h_;
    std::vector<std::uint32_t> px_;
    std::optional<view::Rect> clip_;
};

}  // namespace painttest
