// Pixels of the text pane and the line-number pane: where numbers, text, the
// current-line mark and the selection land.
#include <QImage>
#include <gtest/gtest.h>

#include "base/files.h"
#include "base/services.h"
#include "source_paint.h"

namespace {

using namespace srcviewqt;
using srcview::kCellWidth;
using srcview::kLineHeight;

bool dark(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c) < 300; }

// True when some pixel of the rectangle is dark (ink of a glyph).
bool inked(const QImage& img, QRect r) {
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (dark(img.pixel(x, y))) return true;
    return false;
}

class PaintTest : public ::testing::Test {
protected:
    base::RecordingServices rec;
    base::ScopedServices installed{rec};
    std::string file = "/tmp/chronava-srcview-paint-" + std::to_string(::getpid()) + ".log";
    srcview::SourceList list;
    srcview::SourceView view{list};
    PaneColours colours;

    void TearDown() override { base::removeFile(file); }
    void load(const std::string& text, int width, int height) {
        base::writeFileAtomic(file, text);
        list.load(file, base::InputCode::Utf8, 8);
        view.resize(width, height);
        view.placeAfterLoad(false);
    }
    QImage numbers(int h = 130) {
        QImage img(kLineNumberWidth, h, QImage::Format_RGB32);
        QPainter p(&img);
        paintLineNumbers(p, view, colours, img.width(), img.height());
        return img;
    }
    QImage textPane(const Selection& sel = {}, int w = 300, int h = 130) {
        QImage img(w, h, QImage::Format_RGB32);
        QPainter p(&img);
        paintTextPane(p, list, view, colours, sel, w, h);
        return img;
    }
};

std::string lines(int n, const std::string& text) {
    std::string s;
    for (int i = 0; i < n; ++i) s += text + "\n";
    return s;
}

TEST_F(PaintTest, LineNumbersAreRightAlignedInSixCellsWithTwoEdgeLines) {
    load(lines(30, "x"), 300, 130);
    QImage img = numbers();
    for (int y = 0; y < img.height(); ++y) {
        ASSERT_EQ(img.pixel(37, y), qRgb(128, 128, 128)) << y;
        ASSERT_EQ(img.pixel(38, y), qRgb(255, 255, 255)) << y;
    }
    // Line 1 in the last cell, line 10 in the last two.
    EXPECT_TRUE(inked(img, QRect(5 * kCellWidth, 0, kCellWidth, kLineHeight)));
    EXPECT_FALSE(inked(img, QRect(0, 0, 5 * kCellWidth, kLineHeight)));
    EXPECT_TRUE(inked(img, QRect(4 * kCellWidth, 9 * kLineHeight, kCellWidth, kLineHeight)));
    EXPECT_FALSE(inked(img, QRect(0, 9 * kLineHeight, 4 * kCellWidth, kLineHeight)));

    // Scrolled: the first row shows line 21, the same as line 10 would in width.
    ASSERT_TRUE(view.scrollVertical(srcview::kThumb, 20));
    img = numbers();
    EXPECT_TRUE(inked(img, QRect(4 * kCellWidth, 0, kCellWidth, kLineHeight)));
    EXPECT_FALSE(inked(img, QRect(0, 0, 4 * kCellWidth, kLineHeight)));

    // Below the end of a short file nothing is numbered.
    load(lines(3, "x"), 300, 130);
    img = numbers();
    EXPECT_TRUE(inked(img, QRect(0, 3 * kLineHeight, 36, kLineHeight)));  // the [EOF] line, 4
    EXPECT_FALSE(inked(img, QRect(0, 4 * kLineHeight, 36, 130 - 4 * kLineHeight)));
}

TEST_F(PaintTest, TheCurrentLineMarkInvertsABandAroundItsLine) {
    load(lines(30, ""), 300, 130);
    ASSERT_TRUE(view.click(2 * kLineHeight + 3));  // line 3
    const int y = view.markY();
    ASSERT_EQ(y, 25);
    const QRgb band = qRgb(255, 255, 127);  // white under the mark's XOR colour
    QImage img = textPane();
    for (int x : {0, 150, 299}) {
        EXPECT_EQ(img.pixel(x, y), band);
        EXPECT_EQ(img.pixel(x, y + 14), band);
        EXPECT_EQ(img.pixel(x, y - 1), qRgb(255, 255, 255));
        EXPECT_EQ(img.pixel(x, y + 15), qRgb(255, 255, 255));
    }
    // In the number pane the band is 36 px wide.
    QImage num = numbers();
    EXPECT_EQ(num.pixel(0, y), qRgb(240, 240, 112));
    EXPECT_EQ(num.pixel(35, y), qRgb(240, 240, 112));
    EXPECT_EQ(num.pixel(36, y), qRgb(240, 240, 240));

    // Scrolled off: no band at all.
    ASSERT_TRUE(view.scrollVertical(srcview::kThumb, 10));
    img = textPane();
    for (int yy = 0; yy < img.height(); ++yy) ASSERT_EQ(img.pixel(150, yy), qRgb(255, 255, 255)) << yy;
}

TEST_F(PaintTest, TextStartsOneCellInAndMovesByWholeCells) {
    // The view is narrower than the picture, so that the line can scroll.
    load("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\n" + lines(20, ""), 120, 130);
    ASSERT_TRUE(view.click(10 * kLineHeight));  // the mark away from the text
    QImage at0 = textPane();
    EXPECT_FALSE(inked(at0, QRect(0, 0, kCellWidth, kLineHeight)));
    EXPECT_TRUE(inked(at0, QRect(kCellWidth, 0, kCellWidth, kLineHeight)));
    EXPECT_TRUE(inked(at0, QRect(40 * kCellWidth, 0, kCellWidth, kLineHeight)));
    EXPECT_FALSE(inked(at0, QRect(41 * kCellWidth, 0, 300 - 41 * kCellWidth, kLineHeight)));

    ASSERT_TRUE(view.scrollHorizontal(srcview::kLineDown));
    QImage at1 = textPane();
    EXPECT_TRUE(inked(at1, QRect(0, 0, kCellWidth, kLineHeight)));
    EXPECT_EQ(at1.copy(0, 0, 200, kLineHeight), at0.copy(kCellWidth, 0, 200, kLineHeight));
    EXPECT_FALSE(inked(at1, QRect(40 * kCellWidth, 0, 300 - 40 * kCellWidth, kLineHeight)));
}

TEST_F(PaintTest, TheSelectionIsFilledCellByCell) {
    load(lines(5, "          "), 300, 130);
    ASSERT_TRUE(view.click(4 * kLineHeight));
    Selection sel{{1, 2}, {1, 5}};
    QImage img = textPane(sel);
    const int y = kLineHeight + 6;
    EXPECT_EQ(img.pixel(3 * kCellWidth - 1, y), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(3 * kCellWidth, y), colours.selection.rgb());
    EXPECT_EQ(img.pixel(6 * kCellWidth - 1, y), colours.selection.rgb());
    EXPECT_EQ(img.pixel(6 * kCellWidth, y), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(3 * kCellWidth, 2 * kLineHeight + 6), qRgb(255, 255, 255));
}

}  // namespace
