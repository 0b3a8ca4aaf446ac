#include "view/metafile.h"

#include "base/files.h"
#include "base/text.h"
#include "helpers.h"
#include "view/clip.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

using namespace view;

namespace {

unsigned le16(const std::string& s, std::size_t at) { return std::uint8_t(s[at]) | (std::uint8_t(s[at + 1]) << 8); }
std::uint32_t le32(const std::string& s, std::size_t at) { return le16(s, at) | (std::uint32_t(le16(s, at + 2)) << 16); }
int s16(unsigned v) { return int(std::int16_t(std::uint16_t(v))); }

struct Record {
    unsigned function = 0;
    std::string params;  // raw bytes after the function word
    int word(std::size_t i) const { return s16(le16(params, 2 * i)); }
};

// Walks a metafile (without placeable header), checking its header and the object
// table discipline: every selected or deleted object exists, nothing is created in
// a taken slot.
std::vector<Record> walk(const std::string& m, std::string& error) {
    std::vector<Record> recs;
    if (m.size() < 18 || le16(m, 0) != 1 || le16(m, 2) != 9 || le16(m, 4) != 0x0300) {
        error = "header";
        return recs;
    }
    if (le32(m, 6) * 2 != m.size()) error = "size field";
    const unsigned objects = le16(m, 10);
    const std::uint32_t maxRecord = le32(m, 12);
    std::uint32_t seenMax = 0;
    std::vector<bool> live(objects, false);
    std::size_t pos = 18;
    while (pos + 6 <= m.size()) {
        const std::uint32_t size = le32(m, pos);
        if (size < 3 || pos + size * 2 > m.size()) {
            error = "record size";
            return recs;
        }
        seenMax = std::max(seenMax, size);
        Record r{le16(m, pos + 4), m.substr(pos + 6, size * 2 - 6)};
        pos += size * 2;
        if (r.function == 0x02FA || r.function == 0x02FB || r.function == 0x02FC) {
            std::size_t slot = 0;
            while (slot < live.size() && live[slot]) ++slot;
            if (slot == live.size()) error = "object table too small";
            else live[slot] = true;
        } else if (r.function == 0x012D || r.function == 0x01F0) {
            const unsigned slot = le16(r.params, 0);
            if (slot >= live.size() || !live[slot]) error = "dead object used";
            else if (r.function == 0x01F0) live[slot] = false;
        }
        recs.push_back(r);
        if (r.function == 0) break;
    }
    if (recs.empty() || recs.back().function != 0 || pos != m.size()) error = "end record";
    if (seenMax != maxRecord) error = "largest record";
    return recs;
}

std::vector<Record> only(const std::vector<Record>& recs, unsigned function) {
    std::vector<Record> out;
    for (const auto& r : recs)
        if (r.function == function) out.push_back(r);
    return out;
}

const Font kGothic{"ＭＳ ゴシック", 12, 6};

}  // namespace

TEST(Placeable, HeaderFieldsAndChecksum) {
    const std::string h = placeableHeader(placeableFrame(640, 480, 96));
    ASSERT_EQ(h.size(), 22u);
    EXPECT_EQ(le32(h, 0), 0x9AC6CDD7u);
    EXPECT_EQ(le16(h, 4), 0u);
    EXPECT_EQ(le16(h, 6), 0u);
    EXPECT_EQ(le16(h, 8), 0u);
    EXPECT_EQ(le16(h, 10), 640u * 8);
    EXPECT_EQ(le16(h, 12), 480u * 8);
    EXPECT_EQ(le16(h, 14), 768u);
    EXPECT_EQ(le32(h, 16), 0u);
    unsigned sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= le16(h, std::size_t(2 * i));
    EXPECT_EQ(le16(h, 20), sum);
    // The checksum covers exactly those ten words: changing the eleventh word's
    // neighbours changes it, and it never includes itself.
    const std::string h2 = placeableHeader(placeableFrame(641, 480, 96));
    EXPECT_EQ(le16(h2, 20), sum ^ (640u * 8) ^ (641u * 8));
}

TEST(Placeable, FramesThatWouldOverflowOrCollapseKeepTheirSizeInInches) {
    // 768 div 100 = 7: the whole-number factor stays as it is.
    PlaceableFrame f = placeableFrame(1000, 500, 100);
    EXPECT_EQ(f.right, 7000);
    EXPECT_EQ(f.unitsPerInch, 768);
    // 1280 mm at 96 dpi is 4838 px: eight units a pixel would pass 32767.
    f = placeableFrame(4838, 400, 96);
    EXPECT_LE(f.right, 32767);
    EXPECT_DOUBLE_EQ(double(f.right) / f.unitsPerInch, 4838.0 / 96);
    // A screen finer than 768 dpi would give a zero-sized box.
    f = placeableFrame(800, 600, 1200);
    EXPECT_EQ(f.right, 800);
    EXPECT_EQ(f.unitsPerInch, 1200);
}

TEST(MetafileCanvas, RecordsObjectsTextAndPens) {
    MetafileCanvas c(300, 200);
    c.fillRect(Rect{0, 0, 300, 200}, rgb(255, 251, 240));
    c.line(10, 20, 110, 20, Pen{rgb(0, 0, 0)});
    c.line(10, 30, 110, 30, Pen{rgb(192, 192, 192), PenStyle::Dotted});
    c.line(10, 40, 110, 40, Pen{rgb(0, 0, 0)});  // same pen: no new object
    c.text(60, 50, "信号A", kGothic, rgb(0, 0, 192));
    c.text(60, 70, "B", Font{"ＭＳ 明朝", 16, 8}, rgb(0, 0, 192));
    c.rectangle(Rect{5, 5, 50, 25}, Pen{rgb(1, 2, 3)}, std::nullopt);
    std::string error;
    const auto recs = walk(c.bits(), error);
    ASSERT_EQ(error, "");

    ASSERT_EQ(only(recs, 0x020C).size(), 1u);
    EXPECT_EQ(only(recs, 0x020C)[0].word(0), 200);  // window extent y, x
    EXPECT_EQ(only(recs, 0x020C)[0].word(1), 300);
    EXPECT_EQ(only(recs, 0x0102)[0].word(0), 1);  // transparent text background

    const auto pens = only(recs, 0x02FA);
    ASSERT_EQ(pens.size(), 4u);  // null (fill), black, dotted grey, outline
    EXPECT_EQ(pens[0].word(0), 5);
    EXPECT_EQ(pens[1].word(0), 0);
    EXPECT_EQ(pens[2].word(0), 2);
    EXPECT_EQ(le16(pens[2].params, 6), 192u | (192u << 8));
    EXPECT_EQ(le16(pens[3].params, 6), 1u | (2u << 8));
    EXPECT_EQ(le16(pens[3].params, 8), 3u);

    const auto fonts = only(recs, 0x02FB);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].word(0), 12);
    EXPECT_EQ(fonts[0].word(1), 6);
    EXPECT_EQ(std::uint8_t(fonts[0].params[13]), 128);  // Shift-JIS character set
    EXPECT_EQ(fonts[0].params.substr(18, 14), base::toCp932("ＭＳ ゴシック") + std::string(1, '\0'));

    const auto texts = only(recs, 0x0521);
    ASSERT_EQ(texts.size(), 2u);
    const std::string sjis = base::toCp932("信号A");
    EXPECT_EQ(texts[0].word(0), int(sjis.size()));
    EXPECT_EQ(texts[0].params.substr(2, sjis.size()), sjis);
    const std::size_t after = 2 + ((sjis.size() + 1) & ~std::size_t(1));
    EXPECT_EQ(s16(le16(texts[0].params, after)), 50);  // y, then x
    EXPECT_EQ(s16(le16(texts[0].params, after + 2)), 60);

    // A filled rectangle without outline reaches one pixel further each way.
    const auto rects = only(recs, 0x041B);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].word(0), 201);
    EXPECT_EQ(rects[0].word(1), 301);
    EXPECT_EQ(rects[1].word(0), 25);
    EXPECT_EQ(rects[1].word(3), 5);
}

TEST(MetafileCanvas, ObjectTableStaysConsistentAcrossManyObjects) {
    MetafileCanvas c(100, 100);
    for (int i = 0; i < 70; ++i) {
        c.line(0, i, 50, i, Pen{rgb(i, 0, 0), i % 3 ? PenStyle::Solid : PenStyle::Dotted});
        c.line(0, i, 50, i, Pen{rgb(0, 0, 0)});  // back to the first pen
        c.fillRect(Rect{0, 0, 5, 5}, rgb(0, i, 0));
        c.text(0, 0, "x", Font{"ＭＳ ゴシック", 8 + i % 20, 0}, rgb(0, 0, 0));
    }
    std::string error;
    const auto recs = walk(c.bits(), error);
    EXPECT_EQ(error, "");
    const std::string m = c.bits();
    EXPECT_LE(le16(m, 10), 3 * 17u);  // object table size
}

TEST(MetafileCanvas, ClipIsAppliedInSoftware) {
    MetafileCanvas c(400, 300);
    c.setClip(Rect{100, 100, 300, 200});
    c.line(0, 50, 399, 50, Pen{});           // above: dropped
    c.line(0, 150, 399, 150, Pen{});         // cut to 100..300
    c.line(150, 0, 150, 299, Pen{});         // cut to 100..200
    c.line(50, 120, 350, 180, Pen{});        // sloped, cut at both sides
    c.text(310, 150, "right of clip", kGothic, rgb(0, 0, 0));
    c.text(250, 150, "clipped", kGothic, rgb(0, 0, 0));
    Bitmap b{20, 10, std::vector<std::uint32_t>(200, 0xFF112233)};
    c.bitmap(290, 195, b);  // only 10 × 5 pixels lie inside
    c.clearClip();
    c.line(0, 10, 5, 10, Pen{});
    std::string error;
    const auto recs = walk(c.bits(), error);
    ASSERT_EQ(error, "");
    const auto moves = only(recs, 0x0214), lines = only(recs, 0x0213);
    ASSERT_EQ(moves.size(), 4u);
    EXPECT_EQ(moves[0].word(0), 150);
    EXPECT_EQ(moves[0].word(1), 100);
    EXPECT_EQ(lines[0].word(1), 300);
    EXPECT_EQ(moves[1].word(0), 100);
    EXPECT_EQ(lines[1].word(0), 200);
    EXPECT_EQ(moves[2].word(1), 100);
    EXPECT_EQ(moves[2].word(0), 130);  // 120 + 50 × 0.2
    EXPECT_EQ(lines[2].word(1), 299);
    EXPECT_EQ(only(recs, 0x0521).size(), 0u);
    const auto ext = only(recs, 0x0A32);
    ASSERT_EQ(ext.size(), 1u);
    EXPECT_EQ(ext[0].word(3), 4);  // clipped to its rectangle
    EXPECT_EQ(ext[0].word(6), 300);
    const auto dibs = only(recs, 0x0F43);
    ASSERT_EQ(dibs.size(), 1u);
    EXPECT_EQ(dibs[0].word(3), 5);   // source height
    EXPECT_EQ(dibs[0].word(4), 10);  // source width
    EXPECT_EQ(dibs[0].word(9), 195); // destination y, x
    EXPECT_EQ(dibs[0].word(10), 290);
    EXPECT_EQ(le32(dibs[0].params, 22 + 4), 10u);  // the DIB's own width
}

TEST(ClipLine, RejectsCutsAndClamps) {
    const Rect clip{100, 50, 300, 150};
    int x1, y1, x2, y2;
    EXPECT_FALSE(clipLine({0, 60, 99, 70}, clip, true, x1, y1, x2, y2));
    EXPECT_FALSE(clipLine({120, 151, 200, 160}, clip, true, x1, y1, x2, y2));
    // Ordered by x; cut at both sides with the interpolated y rounded.
    ASSERT_TRUE(clipLine({400, 100, 0, 60}, clip, true, x1, y1, x2, y2));
    EXPECT_EQ(std::vector<int>({x1, y1, x2, y2}), std::vector<int>({100, 70, 300, 90}));
    // Without software clipping only the rejection applies.
    ASSERT_TRUE(clipLine({0, 60, 400, 100}, clip, false, x1, y1, x2, y2));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(x2, 400);
    // A vertical line is held between top and bottom; far ends do not overflow.
    ASSERT_TRUE(clipLine({200, -1e12, 200, 1e12}, clip, true, x1, y1, x2, y2));
    EXPECT_EQ(std::vector<int>({y1, y2}), std::vector<int>({50, 150}));
    ASSERT_TRUE(clipLine({-1e15, 100, 1e15, 100}, clip, false, x1, y1, x2, y2));
    EXPECT_LT(x1, 0);
}

TEST(MetafileFile, RendersWithLibwmfWithItsTextsInPlace) {
    if (!viewtest::haveProgram("wmf2svg")) GTEST_SKIP() << "libwmf-bin missing";
    const std::string dir = viewtest::tempDir();
    MetafileCanvas c(400, 300);
    c.rectangle(Rect{0, 0, 400, 300}, Pen{rgb(0, 0, 0)}, rgb(255, 251, 240));  // the page frame
    c.line(300, 10, 300, 290, Pen{rgb(255, 0, 0)});
    c.line(10, 150, 390, 150, Pen{rgb(192, 192, 192), PenStyle::Dotted});
    c.text(60, 100, "SIG_A", kGothic, rgb(0, 0, 192));
    c.text(60, 120, "comment 日本語", kGothic, rgb(192, 0, 0));
    c.bitmap(200, 200, Bitmap{4, 3, std::vector<std::uint32_t>(12, 0xFF00FF00)});
    ASSERT_EQ(writePlaceableMetafile(dir + "/p.wmf", c, 96), 0);
    std::string file;
    ASSERT_TRUE(base::readFile(dir + "/p.wmf", file));
    EXPECT_EQ(file.substr(0, 22), placeableHeader(placeableFrame(400, 300, 96)));
    std::string error;
    walk(file.substr(22), error);
    EXPECT_EQ(error, "");

    ASSERT_EQ(viewtest::run("cd " + dir + " && wmf2svg -o p.svg p.wmf 2>&1").status, 0);
    std::string svg;
    ASSERT_TRUE(base::readFile(dir + "/p.svg", svg));
    EXPECT_NE(svg.find(">SIG_A</text>"), std::string::npos);
    EXPECT_NE(svg.find("comment "), std::string::npos);
    // The red line sits at three quarters of the frame's width.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"re(<rect x="([-0-9.]+)" y="[-0-9.]+" width="([0-9.]+)")re")));
    const double fx = std::stod(m[1]), fw = std::stod(m[2]);
    ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"re(<line x1="([0-9.]+)"[^>]*\n?[^>]*stroke:red)re")));
    const double lx = std::stod(m[1]);
    EXPECT_NEAR((lx - fx) / fw, 300.0 / 399, 0.01);
}

TEST(MetafileFile, FailuresKeepTheEarlierFile) {
    const std::string dir = viewtest::tempDir();
    MetafileCanvas c(10, 10);
    ASSERT_EQ(writePlaceableMetafile(dir + "/a.wmf", c, 96), 0);
    std::string before;
    base::readFile(dir + "/a.wmf", before);
    EXPECT_EQ(writePlaceableMetafile(dir + "/a.wmf", MetafileCanvas(40000, 10), 96), -10);
    EXPECT_EQ(writePlaceableMetafile(dir + "/no/such/folder.wmf", c, 96), -1);
    std::string after;
    base::readFile(dir + "/a.wmf", after);
    EXPECT_EQ(before, after);
    if (base::fileExists("/dev/full")) {
        // A full device: opening works, writing does not.
        EXPECT_NE(writePlaceableMetafile("/dev/full", c, 96), 0);
    }
}

TEST(MetafileFile, JapaneseTextReadsBackThroughLibreOffice) {
    if (!viewtest::haveProgram("soffice")) GTEST_SKIP() << "libreoffice-draw-nogui not installed";
    const std::string dir = viewtest::tempDir();
    MetafileCanvas c(300, 120);
    c.fillRect(Rect{0, 0, 300, 120}, rgb(255, 251, 240));
    c.text(60, 20, "受信信号_1", kGothic, rgb(0, 0, 192));
    c.text(120, 60, "ｶﾅ混じりのコメント～", kGothic, rgb(192, 0, 0));
    ASSERT_EQ(writePlaceableMetafile(dir + "/jp.wmf", c, 96), 0);
    const auto r = viewtest::run("cd " + dir + " && soffice -env:UserInstallation=file://" + dir +
                                 "/profile --headless --convert-to svg --outdir " + dir + "/out jp.wmf >/dev/null 2>&1");
    ASSERT_EQ(r.status, 0);
    std::string svg;
    ASSERT_TRUE(base::readFile(dir + "/out/jp.svg", svg));
    EXPECT_NE(svg.find(">受信信号_1<"), std::string::npos);
    EXPECT_NE(svg.find(">ｶﾅ混じりのコメント～<"), std::string::npos);
    EXPECT_NE(svg.find("ＭＳ ゴシック"), std::string::npos);
}
