#include "view/qt/painter_canvas.h"

#include "base/files.h"
#include "view/gif.h"

#include <QFontInfo>
#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

using namespace view;
using viewqt::ImageCanvas;

namespace {

const Rgb kWhite = rgb(255, 255, 255), kBlack = rgb(0, 0, 0), kRed = rgb(192, 0, 0);

// The page as rows of characters: '#' for `ink`, '.' for white, '?' otherwise.
std::vector<std::string> picture(const QImage& im, Rgb ink) {
    std::vector<std::string> rows;
    for (int y = 0; y < im.height(); ++y) {
        std::string r;
        for (int x = 0; x < im.width(); ++x) {
            const Rgb c = fromXrgb(im.pixel(x, y));
            r += c == ink ? '#' : c == kWhite ? '.' : '?';
        }
        rows.push_back(r);
    }
    return rows;
}

using Rows = std::vector<std::string>;

}  // namespace

TEST(ImageCanvas, LinesCoverTheirStartAndStopBeforeTheirEnd) {
    ImageCanvas c(12, 9);
    c.fillRect(Rect{0, 0, 12, 9}, kWhite);
    const Pen pen{kBlack};
    c.line(1, 0, 5, 0, pen);   // rightwards: 1..4
    c.line(10, 1, 6, 1, pen);  // leftwards: 10..7
    c.line(0, 2, 0, 5, pen);   // downwards: 2..4
    c.line(2, 6, 2, 3, pen);   // upwards: 6..4
    c.line(4, 3, 8, 5, pen);   // slanted
    c.line(11, 8, 11, 8, pen); // a point: nothing
    c.line(0, 8, 9, 8, Pen{kBlack, PenStyle::Dotted});
    c.line(11, 7, 4, 7, Pen{kBlack, PenStyle::Dotted});
    EXPECT_EQ(picture(c.finish(), kBlack), (Rows{
                                               ".####.......",
                                               ".......####.",
                                               "#...........",
                                               "#...##......",
                                               "#.#...##....",
                                               "..#.........",
                                               "..#.........",
                                               ".....#.#.#.#",
                                               "#.#.#.#.#...",
                                           }));
}

TEST(ImageCanvas, RectanglesClipAndFarLines) {
    ImageCanvas c(10, 8);
    c.fillRect(Rect{-5, -5, 50, 50}, kWhite);
    // Lines from far outside land where their slope puts them.
    c.line(-2000000000, -2000000000, 2000000000, 2000000000, Pen{kRed});
    c.line(-2000000000, 2, 2000000000, 2, Pen{kBlack});
    c.rectangle(Rect{1, 1, 6, 5}, Pen{kBlack}, kRed);
    c.setClip(Rect{7, 0, 9, 8});
    c.line(0, 6, 10, 6, Pen{kBlack});
    c.fillRect(Rect{0, 7, 10, 8}, kBlack);
    c.clearClip();
    EXPECT_EQ(picture(c.finish(), kBlack), (Rows{
                                               "?.........",
                                               ".#####....",
                                               "##???#####",
                                               ".#???#....",
                                               ".#####....",
                                               ".....?....",
                                               "......?##.",
                                               ".......##.",
                                           }));
    // Far-off starts keep the dots' pattern.
    ImageCanvas d(6, 2);
    d.fillRect(Rect{0, 0, 6, 2}, kWhite);
    d.line(-2000000001, 0, 6, 0, Pen{kBlack, PenStyle::Dotted});
    d.line(2000000000, 1, -5, 1, Pen{kBlack, PenStyle::Dotted});
    EXPECT_EQ(picture(d.finish(), kBlack), (Rows{".#.#.#", "#.#.#."}));
}

TEST(ImageCanvas, TextUsesTheSubstituteFaceWithoutAntialiasing) {
    const QFont f = viewqt::PainterCanvas::qfont(Font{"ＭＳ ゴシック", 12, 6});
    EXPECT_EQ(QFontInfo(f).family(), "IPAGothic");
    EXPECT_EQ(QFontInfo(viewqt::PainterCanvas::qfont(Font{"ＭＳ 明朝", 12, 6})).family(), "IPAMincho");
    ImageCanvas c(80, 40);
    c.fillRect(Rect{0, 0, 80, 40}, kWhite);
    c.text(10, 20, "AB信号", Font{"ＭＳ ゴシック", 12, 6}, kRed);
    const Rows p = picture(c.finish(), kRed);
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            ASSERT_NE(p[std::size_t(y)][std::size_t(x)], '?') << x << "," << y;
            if (p[std::size_t(y)][std::size_t(x)] != '#') continue;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    // Six cells of 6 × 12 pixels (two half-width, two full-width characters).
    EXPECT_GE(minX, 10);
    EXPECT_LT(maxX, 10 + 36);
    EXPECT_GE(minY, 20);
    EXPECT_LT(maxY, 20 + 13);
    EXPECT_GT(maxX, 10 + 24);  // the full-width characters take two cells each
}

TEST(ImageCanvas, BitmapsAreCutToPartAndClip) {
    ImageCanvas c(8, 6);
    c.fillRect(Rect{0, 0, 8, 6}, kWhite);
    Bitmap b{4, 3, {}};
    for (int i = 0; i < 12; ++i) b.pixels.push_back(toXrgb(i % 2 ? kBlack : kRed));
    c.setClip(Rect{0, 0, 5, 6});
    c.bitmap(3, 1, b, Rect{1, 0, 4, 2});  // columns 1..3 of rows 0..1; clip keeps two
    c.clearClip();
    c.bitmap(-2, 4, b);  // hangs off the left and bottom edges
    const QImage& im = c.finish();
    EXPECT_EQ(fromXrgb(im.pixel(3, 1)), kBlack);  // bitmap (1, 0)
    EXPECT_EQ(fromXrgb(im.pixel(4, 1)), kRed);    // bitmap (2, 0)
    EXPECT_EQ(fromXrgb(im.pixel(5, 1)), kWhite);  // clipped
    EXPECT_EQ(fromXrgb(im.pixel(3, 2)), kBlack);  // bitmap (1, 1)
    EXPECT_EQ(fromXrgb(im.pixel(4, 2)), kRed);    // bitmap (2, 1)
    EXPECT_EQ(fromXrgb(im.pixel(0, 4)), kRed);    // bitmap (2, 0)
    EXPECT_EQ(fromXrgb(im.pixel(1, 5)), kBlack);  // bitmap (3, 1)
}

TEST(ImageCanvas, GifAndPngPagesHoldTheRenderedPixels) {
    char tmpl[] = "/tmp/chronava-viewqt-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const ChartColours colours{rgb(255, 251, 240), kBlack, kRed, rgb(0, 0, 192), rgb(212, 208, 200), rgb(0, 255, 255),
                               rgb(192, 192, 192), rgb(0, 192, 0), kWhite, rgb(192, 192, 192), rgb(0, 160, 0)};
    ImageCanvas c(321, 97);
    c.fillRect(Rect{0, 0, 321, 97}, colours[0]);
    c.fillRect(Rect{0, 0, 321, 16}, colours[4]);
    c.line(0, 15, 321, 15, Pen{rgb(128, 128, 128)});
    for (int i = 0; i < 40; ++i) c.line(60 + 6 * i, 30, 60 + 6 * i + 3, 60, Pen{colours[1]});
    c.line(60, 70, 320, 70, Pen{colours[6], PenStyle::Dotted});
    c.text(2, 20, "SIG_1 信号", Font{"ＭＳ ゴシック", 12, 6}, colours[3]);
    ChartColours readBack;
    for (std::size_t i = 0; i < colours.size(); ++i) readBack[i] = ImageCanvas::renderedColour(colours[i]);
    EXPECT_EQ(readBack, colours);
    GifOptions o;
    o.colours = colours;
    ASSERT_EQ(viewqt::writeGifPage(c, o, dir + "/page"), 0);
    const RasterView page = c.raster();
    ASSERT_EQ(viewqt::writePng(c.image(), dir + "/page.png"), 0);

    // Pillow, an outside decoder, reads both files back to the page's own pixels.
    for (const char* ext : {".gif", ".png"}) {
        const std::string cmd = "/usr/bin/python3 -c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                                "sys.stdout.buffer.write(im.convert(\"RGB\").tobytes())' " + dir + "/page" + ext;
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        const int st = pclose(p);
        if (WIFEXITED(st) && WEXITSTATUS(st) == 1 && out.empty()) GTEST_SKIP() << "python3-pil missing";
        ASSERT_EQ(out.size(), 321u * 97 * 3) << ext;
        for (int y = 0; y < 97; ++y)
            for (int x = 0; x < 321; ++x) {
                const std::size_t i = 3 * (std::size_t(y) * 321 + std::size_t(x));
                ASSERT_EQ(rgb(std::uint8_t(out[i]), std::uint8_t(out[i + 1]), std::uint8_t(out[i + 2])), fromXrgb(page.at(x, y)))
                    << ext << " " << x << "," << y;
            }
    }
}

namespace {
// A widget that paints through the widget canvas, as the chart pane does.
class Pane : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        viewqt::WidgetCanvas c(this);
        c.fillRect(Rect{0, 0, width(), height()}, kWhite);
        c.rectangle(Rect{0, 0, width(), height()}, Pen{rgb(192, 192, 192)}, std::nullopt);
        c.setClip(Rect{10, 0, 20, height()});
        c.line(0, 5, width(), 5, Pen{kBlack});
    }
};
}  // namespace

TEST(WidgetCanvas, PaintsTheSamePixelsOnAWidget) {
    Pane pane;
    pane.resize(30, 12);
    const QImage im = pane.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(im.width(), 30);
    EXPECT_EQ(fromXrgb(im.pixel(0, 0)), rgb(192, 192, 192));
    EXPECT_EQ(fromXrgb(im.pixel(29, 11)), rgb(192, 192, 192));
    EXPECT_EQ(fromXrgb(im.pixel(9, 5)), kWhite);  // outside the clip
    EXPECT_EQ(fromXrgb(im.pixel(10, 5)), kBlack);
    EXPECT_EQ(fromXrgb(im.pixel(19, 5)), kBlack);
    EXPECT_EQ(fromXrgb(im.pixel(20, 5)), kWhite);
}

int main(int argc, char** argv) {
    // Also when the test list is discovered, which runs without the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
