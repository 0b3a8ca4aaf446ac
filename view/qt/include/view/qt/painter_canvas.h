// Canvases over a QPainter: any paint device (the chart pane, a QImage page).
#pragma once

#include "view/canvas.h"
#include "view/gif.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <memory>
#include <optional>

class QWidget;

namespace viewqt {

// Registers the faces that stand in for the system's font names ("ＭＳ ゴシック" is
// drawn with IPAGothic, ...) as Qt font substitutions. Called by the canvases; the
// program may call it at start so that widgets naming those fonts get them too.
void installFontSubstitutions();

// Draws on an active QPainter with the pixel rules of view::Canvas: antialiasing
// off for shapes and text, 1-px lines placed pixel by pixel, text by the top-left
// of its cell. The painter's own state (pen, brush, font, clip) is changed.
class PainterCanvas : public view::Canvas {
public:
    PainterCanvas(QPainter& painter, int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void line(int x1, int y1, int x2, int y2, const view::Pen& pen) override;
    void fillRect(const view::Rect& r, view::Rgb color) override;
    void rectangle(const view::Rect& r, const view::Pen& pen, std::optional<view::Rgb> fill) override;
    void text(int x, int y, std::string_view utf8, const view::Font& font, view::Rgb color) override;
    using Canvas::bitmap;
    void bitmap(int x, int y, const view::Bitmap& bmp, const view::Rect& part) override;
    void setClip(const view::Rect& r) override;
    void clearClip() override;

    // The QFont a canvas font is drawn with.
    static QFont qfont(const view::Font& font);

protected:
    QPainter& painter() { return painter_; }

private:
    void select(const view::Font& font);

    QPainter& painter_;
    int width_, height_;
    std::optional<view::Rect> clip_;
    std::optional<view::Font> font_;
    int ascent_ = 0;
};

// A page in memory: a 32-bit RGB QImage with its own painter.
class ImageCanvas : public PainterCanvas {
public:
    ImageCanvas(int width, int height);
    ~ImageCanvas() override;

    // False when the image could not be allocated (nothing is drawn then).
    bool ok() const;
    // Ends painting (no further drawing) and gives the image.
    const QImage& finish();
    const QImage& image() const { return *image_; }
    // The pixels for the GIF writer; painting is finished first.
    view::RasterView raster();
    // The colour a pixel of colour `c` reads back as from such a page.
    static view::Rgb renderedColour(view::Rgb c);

private:
    // Built before the painter that draws on it.
    struct Surface {
        QImage image;
        QPainter painter;
        explicit Surface(int w, int h);
    };
    ImageCanvas(std::unique_ptr<Surface> s, int width, int height);
    std::unique_ptr<Surface> surface_;
    const QImage* image_;
};

// Draws on a widget during its paint event.
class WidgetCanvas : public PainterCanvas {
public:
    explicit WidgetCanvas(QWidget* widget);

private:
    struct Holder {
        QPainter painter;
        explicit Holder(QWidget* w);
    };
    WidgetCanvas(std::unique_ptr<Holder> h, int width, int height);
    std::unique_ptr<Holder> holder_;
};

// Writes a rendered page as a GIF file: the palette's chart colours are taken as the
// page renders them (read back), then view::writeGif. Returns its codes, and -11
// when the page's image could not be allocated.
int writeGifPage(ImageCanvas& page, const view::GifOptions& options, const std::string& basePath);

// Writes a QImage as a PNG file. Returns 0, -1 when the file cannot be opened, -4
// when encoding or writing fails; a failure leaves an earlier file untouched.
int writePng(const QImage& image, const std::string& path);

}  // namespace viewqt
