#include "view/qt/painter_canvas.h"

#include "base/files.h"
#include "view/raster.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <mutex>
#include <vector>

namespace viewqt {

using view::Rect;
using view::Rgb;

void installFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* name : {"ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝"}) {
            const std::string_view face = view::substituteFontName(name);
            QFont::insertSubstitution(QString::fromUtf8(name), QString::fromUtf8(face.data(), qsizetype(face.size())));
        }
    });
}

namespace {
QColor qcolor(Rgb c) { return QColor(c.r, c.g, c.b); }
}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, int width, int height)
    : painter_(painter), width_(width), height_(height) {
    installFontSubstitutions();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setBackgroundMode(Qt::TransparentMode);
}

void PainterCanvas::line(int x1, int y1, int x2, int y2, const view::Pen& pen) {
    if (x1 == x2 && y1 == y2) return;
    const QColor c = qcolor(pen.color);
    const bool dotted = pen.style == view::PenStyle::Dotted;
    // Lines reaching far off the surface are cut to a frame around it first.
    if (!view::cutToFrame(x1, y1, x2, y2, Rect{-2, -2, width_ + 2, height_ + 2})) return;
    const Rect bounds{0, 0, width_, height_};
    long long phase = 0;  // pixels of the line before the current run, for the dots
    const int sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
    std::vector<QPoint> dots;
    view::lineRuns(x1, y1, x2, y2, [&](int x, int y, int length, bool horizontal) {
        // Runs come as left-to-right or top-to-bottom spans; cut them to the surface.
        long long a = horizontal ? x : y, b = a + length;
        const long long lo = horizontal ? bounds.left : bounds.top, hi = horizontal ? bounds.right : bounds.bottom;
        const long long other = horizontal ? y : x;
        const long long otherHi = horizontal ? bounds.bottom : bounds.right;
        const bool forward = horizontal ? sx > 0 : sy > 0;
        const long long runStart = phase;
        phase += length;
        if (other < 0 || other >= otherHi) return;
        const long long ca = std::max(a, lo), cb = std::min(b, hi);
        if (ca >= cb) return;
        if (!dotted) {
            if (horizontal)
                painter_.fillRect(QRect(int(ca), y, int(cb - ca), 1), c);
            else
                painter_.fillRect(QRect(x, int(ca), 1, int(cb - ca)), c);
            return;
        }
        // A pixel at position p of the line (0 = start pixel) is set when p is even.
        for (long long v = ca; v < cb; ++v) {
            const long long p = runStart + (forward ? v - a : b - 1 - v);
            if (p & 1) continue;
            dots.push_back(horizontal ? QPoint(int(v), y) : QPoint(x, int(v)));
        }
    });
    if (!dots.empty()) {
        QPen dotPen(c);
        dotPen.setWidth(1);
        dotPen.setCosmetic(true);
        painter_.setPen(dotPen);
        painter_.drawPoints(dots.data(), int(dots.size()));
    }
}

void PainterCanvas::fillRect(const Rect& r, Rgb color) {
    const Rect k = r.intersected(Rect{0, 0, width_, height_});
    if (k.empty()) return;
    painter_.fillRect(QRect(k.left, k.top, k.width(), k.height()), qcolor(color));
}

void PainterCanvas::rectangle(const Rect& r, const view::Pen& pen, std::optional<Rgb> fill) {
    if (r.empty()) return;
    if (fill) fillRect(Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, *fill);
    if (r.width() == 1 || r.height() == 1) {
        // A one-pixel-thin rectangle is its outline's single line.
        line(r.left, r.top, r.width() == 1 ? r.left : r.right, r.width() == 1 ? r.bottom : r.top, pen);
        return;
    }
    line(r.left, r.top, r.right - 1, r.top, pen);
    line(r.right - 1, r.top, r.right - 1, r.bottom - 1, pen);
    line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1, pen);
    line(r.left, r.bottom - 1, r.left, r.top, pen);
}

QFont PainterCanvas::qfont(const view::Font& font) {
    installFontSubstitutions();
    const std::string_view face = view::substituteFontName(font.name);
    QFont f(QString::fromUtf8(face.data(), qsizetype(face.size())));
    f.setPixelSize(std::max(1, font.height));
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setKerning(false);
    return f;
}

void PainterCanvas::select(const view::Font& font) {
    if (font_ && *font_ == font) return;
    const QFont f = qfont(font);
    painter_.setFont(f);
    ascent_ = QFontMetrics(f).ascent();
    font_ = font;
}

void PainterCanvas::text(int x, int y, std::string_view utf8, const view::Font& font, Rgb color) {
    if (utf8.empty()) return;
    select(font);
    painter_.setPen(qcolor(color));
    painter_.drawText(QPoint(x, y + ascent_), QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

void PainterCanvas::bitmap(int x, int y, const view::Bitmap& bmp, const Rect& part) {
    Rect src;
    int dx, dy;
    if (!view::placeBitmap(x, y, bmp, part, Rect{0, 0, width_, height_}, src, dx, dy)) return;
    const QImage img(reinterpret_cast<const uchar*>(bmp.pixels.data()), bmp.width, bmp.height,
                     qsizetype(bmp.width) * 4, QImage::Format_RGB32);
    painter_.drawImage(QPoint(dx, dy), img, QRect(src.left, src.top, src.width(), src.height()));
}

void PainterCanvas::setClip(const Rect& r) {
    clip_ = r;
    painter_.setClipRect(QRect(r.left, r.top, std::max(0, r.width()), std::max(0, r.height())));
}

void PainterCanvas::clearClip() {
    clip_.reset();
    painter_.setClipping(false);
}

ImageCanvas::Surface::Surface(int w, int h) : image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32) {
    image.fill(Qt::white);
    painter.begin(&image);
}

ImageCanvas::ImageCanvas(int width, int height)
    : ImageCanvas(std::make_unique<Surface>(width, height), std::max(width, 1), std::max(height, 1)) {}

ImageCanvas::ImageCanvas(std::unique_ptr<Surface> s, int width, int height)
    : PainterCanvas(s->painter, width, height), surface_(std::move(s)), image_(&surface_->image) {}

ImageCanvas::~ImageCanvas() {
    if (surface_->painter.isActive()) surface_->painter.end();
}

bool ImageCanvas::ok() const { return !surface_->image.isNull(); }

const QImage& ImageCanvas::finish() {
    if (surface_->painter.isActive()) surface_->painter.end();
    return surface_->image;
}

view::RasterView ImageCanvas::raster() {
    const QImage& im = finish();
    return view::RasterView{reinterpret_cast<const std::uint32_t*>(im.constBits()), im.width(), im.height(),
                            std::ptrdiff_t(im.bytesPerLine() / 4)};
}

Rgb ImageCanvas::renderedColour(Rgb c) {
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.fill(qcolor(c));
    return view::fromXrgb(probe.pixel(0, 0));
}

WidgetCanvas::Holder::Holder(QWidget* w) : painter(w) {}

WidgetCanvas::WidgetCanvas(QWidget* widget)
    : WidgetCanvas(std::make_unique<Holder>(widget), widget->width(), widget->height()) {}

WidgetCanvas::WidgetCanvas(std::unique_ptr<Holder> h, int width, int height)
    : PainterCanvas(h->painter, width, height), holder_(std::move(h)) {}

int writeGifPage(ImageCanvas& page, const view::GifOptions& options, const std::string& basePath) {
    if (!page.ok()) return -11;
    view::GifOptions o = options;
    for (Rgb& c : o.colours) c = ImageCanvas::renderedColour(c);
    return view::writeGif(page.raster(), o, basePath);
}

int writePng(const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return -4;
    base::AtomicFile f;
    if (!f.open(path)) return -1;
    if (!f.write(std::string_view(bytes.constData(), std::size_t(bytes.size()))) || !f.commit()) return -4;
    return 0;
}

}  // namespace viewqt
