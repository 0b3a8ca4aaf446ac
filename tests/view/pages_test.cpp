#include "view/bmp.h"
#include "view/svg.h"

#include "base/files.h"
#include "helpers.h"

#include <gtest/gtest.h>

using namespace view;

namespace {

std::string readAll(const std::string& path) {
    std::string s;
    base::readFile(path, s);
    return s;
}

bool havePillow() { return viewtest::run("/usr/bin/python3 -c 'import PIL' 2>/dev/null").status == 0; }

// A 5 × 3 picture with distinct colours, written by Pillow in `mode`.
std::string pillowBmp(const std::string& dir, const std::string& mode) {
    const std::string path = dir + "/" + mode + ".bmp";
    const std::string py =
        "import sys; from PIL import Image; im = Image.new('RGB', (5, 3)); "
        "[im.putpixel((x, y), (x * 60, y * 120, 255 - x * 50)) for x in range(5) for y in range(3)]; "
        "m = sys.argv[2]; im = im.convert(m) if m != 'P' else im.quantize(15); im.save(sys.argv[1])";
    viewtest::run("/usr/bin/python3 -c \"" + py + "\" " + path + " " + mode);
    return path;
}

// Pillow's reading of the same file as packed pixels.
std::vector<std::uint32_t> pillowPixels(const std::string& path) {
    const auto r = viewtest::run("/usr/bin/python3 -c 'import sys; from PIL import Image; "
                                 "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert(\"RGB\").tobytes())' " + path);
    std::vector<std::uint32_t> px;
    for (std::size_t i = 0; i + 2 < r.out.size(); i += 3)
        px.push_back(toXrgb(rgb(std::uint8_t(r.out[i]), std::uint8_t(r.out[i + 1]), std::uint8_t(r.out[i + 2]))));
    return px;
}

}  // namespace

TEST(Bmp, ReadsWhatPillowWritesInEachDepth) {
    if (!havePillow()) GTEST_SKIP() << "python3-pil missing";
    const std::string dir = viewtest::tempDir();
    for (const std::string mode : {"RGB", "RGBA", "P", "1", "L"}) {
        const std::string path = pillowBmp(dir, mode);
        Bitmap b;
        ASSERT_EQ(readBmp(path, b), kBmpOk) << mode;
        ASSERT_EQ(b.width, 5);
        ASSERT_EQ(b.height, 3);
        EXPECT_EQ(b.pixels, pillowPixels(path)) << mode;
    }
}

TEST(Bmp, RunLengthAndTopDownBitmaps) {
    // An 8-bit RLE bitmap of 4 × 2. Bottom row: a run of three 1s, a move one to
    // the right (leaving x = 3 unset), end of line. Top row: a literal run of three
    // (2, 0, 2, padded to a word), a run of one 1, end of bitmap.
    std::string f = "BM" + std::string(12, '\0');
    f[10] = char(54 + 3 * 4);
    std::string h(40, '\0');
    h[0] = 40, h[4] = 4, h[8] = 2, h[12] = 1, h[14] = 8, h[16] = 1, h[32] = 3;
    f += h;
    f += std::string("\x00\x00\x00\x00" "\x00\x00\xFF\x00" "\xFF\x00\x00\x00", 12);  // black, red, blue
    f += std::string("\x03\x01" "\x00\x02\x01\x00" "\x00\x00" "\x00\x03\x02\x00\x02\x00" "\x01\x01" "\x00\x01", 18);
    Bitmap b;
    ASSERT_EQ(decodeBmp(f, b), kBmpOk);
    const std::uint32_t k = toXrgb(rgb(0, 0, 0)), red = toXrgb(rgb(255, 0, 0)), blue = toXrgb(rgb(0, 0, 255));
    EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{blue, k, blue, red, red, red, red, k}));
    // Cut anywhere, the stream is refused.
    for (std::size_t n = 54 + 12; n < f.size(); ++n) EXPECT_EQ(decodeBmp(f.substr(0, n), b), kBmpNotBitmap) << n;

    // A 24-bit top-down bitmap (negative height) reads top row first.
    Bitmap src{2, 2, {toXrgb(rgb(1, 2, 3)), toXrgb(rgb(4, 5, 6)), toXrgb(rgb(7, 8, 9)), toXrgb(rgb(10, 11, 12))}};
    std::string enc = encodeBmp(src, Rect{0, 0, 2, 2});
    Bitmap back;
    ASSERT_EQ(decodeBmp(enc, back), kBmpOk);
    EXPECT_EQ(back.pixels, src.pixels);
    // Flip to top-down by hand: negate the height and swap the two rows.
    enc[22] = char(0xFE), enc[23] = char(0xFF), enc[24] = char(0xFF), enc[25] = char(0xFF);
    std::string rows = enc.substr(54);
    enc = enc.substr(0, 54) + rows.substr(8) + rows.substr(0, 8);
    ASSERT_EQ(decodeBmp(enc, back), kBmpOk);
    EXPECT_EQ(back.pixels, src.pixels);
    // A part of a bitmap.
    ASSERT_EQ(decodeBmp(encodeBmp(src, Rect{1, 0, 5, 1}), back), kBmpOk);
    EXPECT_EQ(back.pixels, (std::vector<std::uint32_t>{src.pixels[1]}));
}

TEST(Bmp, DamagedOrMissingFilesAreRefusedSafely) {
    Bitmap b;
    EXPECT_EQ(readBmp("/nonexistent/x.bmp", b), kBmpMissing);
    EXPECT_EQ(decodeBmp("GIF89a...", b), kBmpNotBitmap);
    Bitmap src{7, 5, std::vector<std::uint32_t>(35, toXrgb(rgb(9, 8, 7)))};
    const std::string good = encodeBmp(src, Rect{0, 0, 7, 5});
    // (The last row's padding may be missing: the pixels are all there.)
    for (std::size_t n = 0; n + 3 < good.size(); ++n) EXPECT_EQ(decodeBmp(good.substr(0, n), b), kBmpNotBitmap) << n;
    // A header that claims a huge picture is refused before anything is allocated.
    std::string huge = good;
    huge[18] = char(0xFF), huge[19] = char(0x7F), huge[22] = char(0xFF), huge[23] = char(0x7F);
    EXPECT_EQ(decodeBmp(huge, b), kBmpNotBitmap);
    huge[30] = 1;  // as RLE8 (with 24 bits per pixel: not a valid pairing either)
    EXPECT_EQ(decodeBmp(huge, b), kBmpNotBitmap);
    // Unknown header sizes and depths.
    std::string odd = good;
    odd[14] = 20;
    EXPECT_EQ(decodeBmp(odd, b), kBmpNotBitmap);
    odd = good;
    odd[28] = 7;
    EXPECT_EQ(decodeBmp(odd, b), kBmpNotBitmap);
}

TEST(Svg, DocumentIsWellFormedWithPixelShapesAndSafeText) {
    SvgCanvas c(200, 100);
    c.fillRect(Rect{0, 0, 200, 100}, rgb(255, 251, 240));
    c.line(10, 5, 20, 5, Pen{rgb(0, 0, 0)});
    c.line(10, 7, 15, 7, Pen{rgb(0, 0, 0), PenStyle::Dotted});
    c.setClip(Rect{50, 0, 100, 100});
    c.text(60, 20, "SIG <&> \"q\" 信号\x01\xff", Font{"ＭＳ ゴシック", 12, 6}, rgb(0, 0, 192));
    c.bitmap(60, 40, Bitmap{2, 2, std::vector<std::uint32_t>(4, 0xFF00FF00)});
    const std::string doc = c.document();  // the open clip group is closed
    EXPECT_NE(doc.find("M10 5h10v1h-10z"), std::string::npos);
    EXPECT_NE(doc.find("M10 7h1v1h-1zM12 7h1v1h-1zM14 7h1v1h-1z"), std::string::npos);
    EXPECT_NE(doc.find(">SIG &lt;&amp;&gt; &quot;q&quot; 信号</text>"), std::string::npos);
    EXPECT_NE(doc.find("font-family=\"'ＭＳ ゴシック', 'IPAGothic', monospace\""), std::string::npos);
    EXPECT_NE(doc.find("data:image/bmp;base64,Qk"), std::string::npos);
    const std::string dir = viewtest::tempDir();
    ASSERT_EQ(writeSvg(dir + "/p.svg", c), 0);
    EXPECT_EQ(readAll(dir + "/p.svg"), doc);
    EXPECT_EQ(writeSvg(dir + "/none/p.svg", c), -1);
    if (viewtest::run("/usr/bin/python3 -c 'pass'").status != 0) return;
    EXPECT_EQ(viewtest::run("/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' " + dir +
                            "/p.svg")
                  .status,
              0);
}
