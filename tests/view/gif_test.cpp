#include "view/gif.h"

#include "base/files.h"
#include "helpers.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

using namespace view;

namespace {

// An independent, strict GIF LZW decoder: the usual decoder rules (a string is added
// for every code after the first following a clear, the width grows when the next
// free code reaches 2^width), and it insists on an end code right after the last
// pixel. It records each code with the width it was read at.
struct Decoded {
    bool ok = false;
    std::string error;
    std::vector<std::uint8_t> pixels;
    std::vector<std::pair<unsigned, int>> codes;  // code, width
};

Decoded lzwDecode(const std::string& data, std::size_t& pos, std::size_t pixelCount) {
    Decoded d;
    if (pos >= data.size() || data[pos] != 8) {
        d.error = "minimum code size";
        return d;
    }
    ++pos;
    std::string bytes;
    for (;;) {
        if (pos >= data.size()) {
            d.error = "truncated sub-blocks";
            return d;
        }
        const std::size_t n = std::uint8_t(data[pos++]);
        if (n == 0) break;
        if (pos + n > data.size()) {
            d.error = "truncated block";
            return d;
        }
        bytes.append(data, pos, n);
        pos += n;
    }
    std::size_t bit = 0;
    auto read = [&](int width, unsigned& code) {
        if (bit + std::size_t(width) > bytes.size() * 8) return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= unsigned((std::uint8_t(bytes[bit / 8]) >> (bit % 8)) & 1) << i;
        return true;
    };
    std::vector<std::string> table;
    int width = 9;
    auto reset = [&] {
        table.assign(258, std::string());
        for (int i = 0; i < 256; ++i) table[std::size_t(i)] = std::string(1, char(i));
        width = 9;
    };
    reset();
    std::string prev;
    bool havePrev = false;
    for (;;) {
        unsigned code;
        if (!read(width, code)) {
            d.error = "data ends before the end code";
            return d;
        }
        d.codes.emplace_back(code, width);
        if (code == 256) {
            reset();
            havePrev = false;
            continue;
        }
        if (code == 257) break;
        std::string s;
        if (code < table.size() && !(code >= 258 && table[code].empty())) {
            s = table[code];
        } else if (code == table.size() && havePrev) {
            s = prev + prev[0];
        } else {
            d.error = "bad code " + std::to_string(code);
            return d;
        }
        if (havePrev && table.size() < 4096) table.push_back(prev + s[0]);
        if (table.size() == (1u << width) && width < 12) ++width;
        d.pixels.insert(d.pixels.end(), s.begin(), s.end());
        prev = s;
        havePrev = true;
    }
    if (d.pixels.size() != pixelCount) {
        d.error = "pixel count " + std::to_string(d.pixels.size());
        return d;
    }
    // Nothing but padding may follow the end code.
    if (bytes.size() != (bit + 7) / 8) {
        d.error = "bytes after the end code";
        return d;
    }
    d.ok = true;
    return d;
}

Decoded decodeStream(const std::vector<std::uint8_t>& px) {
    std::string out(1, char(8));
    lzwEncode(px.data(), px.size(), px.size(), out);
    std::size_t pos = 0;
    return lzwDecode(out, pos, px.size());
}

std::vector<std::uint8_t> randomPixels(std::size_t n, unsigned seed, int range = 256) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = std::uint8_t(rng() % unsigned(range));
    return v;
}

ChartColours standardColours() {
    return {rgb(255, 251, 240), rgb(0, 0, 0),       rgb(192, 0, 0),   rgb(0, 0, 192),
            rgb(212, 208, 200), rgb(0, 255, 255),   rgb(192, 192, 192), rgb(0, 192, 0),
            rgb(255, 255, 255), rgb(192, 192, 192), rgb(0, 160, 0)};
}

// A page that looks like a chart: background, lines of chart colours, a grey ruler.
struct Page {
    int w, h;
    std::vector<std::uint32_t> px;
    RasterView view() const { return RasterView{px.data(), w, h, w}; }
};

Page chartLikePage(int w, int h, unsigned seed) {
    const ChartColours c = standardColours();
    Page p{w, h, std::vector<std::uint32_t>(std::size_t(w) * std::size_t(h), toXrgb(c[0]))};
    std::mt19937 rng(seed);
    for (int i = 0; i < 400; ++i) {
        const Rgb col = c[rng() % c.size()];
        const int y = int(rng() % unsigned(h)), x0 = int(rng() % unsigned(w)), len = int(rng() % 200);
        for (int x = x0; x < std::min(w, x0 + len); ++x) p.px[std::size_t(y) * std::size_t(w) + std::size_t(x)] = toXrgb(col);
    }
    for (int x = 0; x < w; ++x) p.px[std::size_t(x)] = toXrgb(rgb(128, 128, 128));  // a colour beyond the table
    return p;
}

std::string readAll(const std::string& path) {
    std::string s;
    base::readFile(path, s);
    return s;
}

unsigned le16(const std::string& s, std::size_t at) { return std::uint8_t(s[at]) | (std::uint8_t(s[at + 1]) << 8); }

// Parses our GIF layout and decodes it; returns the RGB pixels.
std::vector<Rgb> parseGif(const std::string& g, int& w, int& h, std::string& error) {
    std::vector<Rgb> rgbs;
    if (g.compare(0, 6, "GIF87a") != 0 || g.size() < 13 + 768 + 10) {
        error = "header";
        return rgbs;
    }
    w = int(le16(g, 6));
    h = int(le16(g, 8));
    if (std::uint8_t(g[10]) != 0xF7 || g[11] != 0 || g[12] != 0) error = "screen descriptor";
    std::size_t pos = 13;
    std::vector<Rgb> table;
    for (int i = 0; i < 256; ++i, pos += 3) table.push_back(rgb(std::uint8_t(g[pos]), std::uint8_t(g[pos + 1]), std::uint8_t(g[pos + 2])));
    if (std::uint8_t(g[pos]) != 0x2C || le16(g, pos + 1) != 0 || le16(g, pos + 3) != 0 || int(le16(g, pos + 5)) != w ||
        int(le16(g, pos + 7)) != h || g[pos + 9] != 0)
        error = "image descriptor";
    pos += 10;
    Decoded d = lzwDecode(g, pos, std::size_t(w) * std::size_t(h));
    if (!d.ok) {
        error = d.error;
        return rgbs;
    }
    const std::string tail = std::string("\x21\xFE\x0D", 3) + "KOV[Chronava]" + std::string("\0\x3B", 2);
    if (g.substr(pos) != tail) error = "comment and trailer";
    for (std::uint8_t i : d.pixels) rgbs.push_back(table[i]);
    return rgbs;
}

}  // namespace

TEST(Lzw, OnePixelIsClearPixelEndAtNineBits) {
    std::vector<std::uint8_t> px{0xA5};
    std::string out;
    ASSERT_TRUE(lzwEncode(px.data(), 1, 1, out));
    // 256 | 0xA5 << 9 | 257 << 18 over 27 bits, least significant bit first.
    const std::uint32_t v = 256u | (0xA5u << 9) | (257u << 18);
    const std::string expect{char(4), char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24), char(0)};
    EXPECT_EQ(out, expect);
}

TEST(Lzw, FullTableClearsAtTwelveBitsAndRestartsAtNine) {
    // Noise makes a new string at almost every pixel, so the table fills several times.
    const auto px = randomPixels(30000, 7);
    const Decoded d = decodeStream(px);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.pixels, px);
    ASSERT_EQ(d.codes.front(), std::make_pair(256u, 9));
    std::size_t clears = 0;
    for (std::size_t i = 1; i < d.codes.size(); ++i) {
        if (d.codes[i].first != 256) continue;
        ++clears;
        EXPECT_EQ(d.codes[i].second, 12);
        ASSERT_LT(i + 1, d.codes.size());
        EXPECT_EQ(d.codes[i + 1].second, 9);
        // Codes 258..4095 were all added, one per code emitted, plus the code
        // whose string found the table full.
        if (clears == 1) {
            EXPECT_EQ(i - 1, 3839u);
        }
    }
    EXPECT_GE(clears, 2u);
}

TEST(Lzw, DecodesStrictlyAtEveryLengthAcrossWidthChanges) {
    // Every length ends the stream at a different point, including right after the
    // table reached 511, 1023 and 2047, where a decoder reads the end code one bit
    // wider than it was written.
    const auto px = randomPixels(3000, 11, 40);
    for (std::size_t n = 1; n <= px.size(); n += (n < 300 || (n > 880 && n < 920) || n > 2480 ? 1 : 5)) {
        std::vector<std::uint8_t> part(px.begin(), px.begin() + std::ptrdiff_t(n));
        const Decoded d = decodeStream(part);
        ASSERT_TRUE(d.ok) << "length " << n << ": " << d.error;
        ASSERT_EQ(d.pixels, part) << n;
    }
}

TEST(Lzw, RunsAndSubBlocks) {
    std::vector<std::uint8_t> flat(200000, 3);
    std::string out;
    ASSERT_TRUE(lzwEncode(flat.data(), flat.size(), 1000, out));
    // Every sub-block but the last is full; the stream ends with the empty block.
    std::size_t pos = 0, blocks = 0;
    while (std::uint8_t(out[pos]) == 255) pos += 256, ++blocks;
    EXPECT_GT(blocks, 0u);
    ASSERT_LT(pos, out.size());
    EXPECT_EQ(pos + 1 + std::uint8_t(out[pos]) + 1, out.size());
    EXPECT_EQ(out.back(), '\0');
    std::string withSize(1, char(8));
    withSize += out;
    std::size_t at = 0;
    const Decoded d = lzwDecode(withSize, at, flat.size());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.pixels, flat);
}

TEST(GifPalette, GreyRamp332AndChartColours) {
    const Palette g = greyPalette();
    EXPECT_EQ(g[0], rgb(0, 0, 0));
    EXPECT_EQ(g[200], rgb(200, 200, 200));

    ChartColours c = standardColours();
    const Palette p = rgb332Palette(c);
    // White's index 0xFF goes to the background, the first chart colour there.
    EXPECT_EQ(p[0xFF], c[0]);
    EXPECT_EQ(p[0x00], rgb(0, 0, 0));
    // 0xE3: red 7, green 0, blue 3.
    EXPECT_EQ(p[0xE3], rgb(255, 0, 255));
    // The chart colours stand at their own 3-3-2 index; the first one of an index
    // wins (the ruler face, grid and 192-grey share theirs).
    EXPECT_EQ(p[std::size_t(rgb332Index(c[0]))], c[0]);
    EXPECT_EQ(p[std::size_t(rgb332Index(c[2]))], rgb(192, 0, 0));
    EXPECT_EQ(p[std::size_t(rgb332Index(c[10]))], rgb(0, 160, 0));
    EXPECT_EQ(p[std::size_t(rgb332Index(c[6]))], c[4]);

    const Palette t = chartPalette(standardColours());
    EXPECT_EQ(t[3], rgb(0, 0, 192));
    EXPECT_EQ(t[11], rgb(0, 0, 0));
}

TEST(GifPalette, PixelConversionPerKind) {
    std::vector<std::uint32_t> px{toXrgb(rgb(255, 255, 255)), toXrgb(rgb(0, 0, 0)), toXrgb(rgb(192, 192, 192)),
                                  toXrgb(rgb(10, 200, 99)),   toXrgb(rgb(255, 251, 240)), 0x00123456u};
    RasterView v{px.data(), 3, 2, 3};
    std::vector<std::uint8_t> idx;

    Palette grey = greyPalette();
    ASSERT_EQ(convertPixels(v, PaletteKind::Grey, grey, idx), 0);
    // 0.299 * 10 + 0.587 * 200 + 0.114 * 99 + 0.5 = 132.176
    EXPECT_EQ(idx, (std::vector<std::uint8_t>{255, 0, 192, 132, 251, 46}));

    Palette p332 = rgb332Palette(standardColours());
    ASSERT_EQ(convertPixels(v, PaletteKind::Rgb332, p332, idx), 0);
    EXPECT_EQ(idx[0], 0xFF);
    EXPECT_EQ(idx[3], (10 & 0xE0) | ((200 >> 5) << 2) | (99 >> 6));

    // Chart colours: first equal entry (192-grey is both grid 6 and 9: 6 wins);
    // unknown colours are added after the table in order of appearance.
    Palette t = chartPalette(standardColours());
    ASSERT_EQ(convertPixels(v, PaletteKind::ChartColours, t, idx), 0);
    EXPECT_EQ(idx, (std::vector<std::uint8_t>{8, 1, 6, 11, 0, 12}));
    EXPECT_EQ(t[11], rgb(10, 200, 99));
    EXPECT_EQ(t[12], rgb(0x12, 0x34, 0x56));
}

TEST(GifPalette, MoreColoursThanEntriesFallBackToBackground) {
    std::vector<std::uint32_t> px;
    for (int i = 0; i < 1200; ++i) px.push_back(toXrgb(rgb(i % 256, i / 256, 7)));
    px.push_back(toXrgb(rgb(0, 0, 192)));  // still found after the table filled
    RasterView v{px.data(), int(px.size()), 1, std::ptrdiff_t(px.size())};
    Palette t = chartPalette(standardColours());
    std::vector<std::uint8_t> idx;
    ASSERT_EQ(convertPixels(v, PaletteKind::ChartColours, t, idx), 0);
    for (std::size_t i = 0; i < idx.size(); ++i)
        if (idx[i] != 0) {
            EXPECT_EQ(t[idx[i]], fromXrgb(px[i])) << i;
        }
    EXPECT_EQ(idx.back(), 3);
    EXPECT_EQ(idx[1000], 0);  // the palette was full long before
}

TEST(GifFile, LayoutAndPixelsOfEachPaletteKind) {
    const std::string dir = viewtest::tempDir();
    const Page page = chartLikePage(173, 61, 3);  // odd width: rows are not padded
    for (PaletteKind kind : {PaletteKind::ChartColours, PaletteKind::Rgb332, PaletteKind::Grey}) {
        GifOptions o;
        o.kind = kind;
        o.colours = standardColours();
        ASSERT_EQ(writeGif(page.view(), o, dir + "/p"), 0);
        const std::string g = readAll(dir + "/p.gif");
        int w = 0, h = 0;
        std::string error;
        const std::vector<Rgb> got = parseGif(g, w, h, error);
        ASSERT_EQ(error, "");
        ASSERT_EQ(w, 173);
        ASSERT_EQ(h, 61);
        for (std::size_t i = 0; i < got.size(); ++i) {
            const Rgb want = fromXrgb(page.px[i]);
            if (kind == PaletteKind::ChartColours) {
                ASSERT_EQ(got[i], want) << i;
            } else if (kind == PaletteKind::Grey) {
                const int y = int(0.299 * want.r + 0.587 * want.g + 0.114 * want.b + 0.5);
                ASSERT_EQ(got[i], rgb(y, y, y)) << i;
            } else {
                ASSERT_EQ(rgb332Index(got[i]), rgb332Index(want)) << i;
            }
        }
    }
}

TEST(GifFile, OutsideDecodersAgree) {
    const bool giftext = viewtest::haveProgram("giftext");
    const bool pillow = viewtest::run("/usr/bin/python3 -c 'import PIL' 2>/dev/null").status == 0;
    if (!giftext || !pillow) GTEST_SKIP() << "giflib-tools or python3-pil missing";
    const std::string dir = viewtest::tempDir();
    struct Case {
        Page page;
        PaletteKind kind;
    };
    std::vector<Case> cases;
    cases.push_back({chartLikePage(1, 1, 1), PaletteKind::ChartColours});
    cases.push_back({chartLikePage(640, 200, 2), PaletteKind::ChartColours});
    cases.push_back({chartLikePage(333, 77, 4), PaletteKind::Grey});
    Page noise{300, 200, {}};
    std::mt19937 rng(5);
    for (int i = 0; i < 300 * 200; ++i) noise.px.push_back(0xFF000000u | (rng() & 0xFFFFFF));
    cases.push_back({noise, PaletteKind::Rgb332});
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const std::string base = dir + "/c" + std::to_string(k);
        GifOptions o;
        o.kind = cases[k].kind;
        o.colours = standardColours();
        ASSERT_EQ(writeGif(cases[k].page.view(), o, base), 0);
        const std::string g = readAll(base + ".gif");
        int w, h;
        std::string error;
        const std::vector<Rgb> want = parseGif(g, w, h, error);
        ASSERT_EQ(error, "");

        EXPECT_EQ(viewtest::run("giftext -r " + base + ".gif >/dev/null 2>" + base + ".err").status, 0) << k;
        EXPECT_EQ(readAll(base + ".err"), "") << k;
        const auto py = viewtest::run("/usr/bin/python3 -c 'import sys; from PIL import Image; "
                                      "im = Image.open(sys.argv[1]); im.load(); "
                                      "sys.stdout.buffer.write(im.convert(\"RGB\").tobytes())' " +
                                      base + ".gif");
        ASSERT_EQ(py.status, 0) << k;
        ASSERT_EQ(py.out.size(), want.size() * 3) << k;
        for (std::size_t i = 0; i < want.size(); ++i) {
            const Rgb got = rgb(std::uint8_t(py.out[3 * i]), std::uint8_t(py.out[3 * i + 1]), std::uint8_t(py.out[3 * i + 2]));
            ASSERT_EQ(got, want[i]) << "case " << k << " pixel " << i;
        }
    }
}

TEST(GifFile, FailuresAndCancelKeepTheEarlierFile) {
    const std::string dir = viewtest::tempDir();
    const Page page = chartLikePage(50, 40, 9);
    GifOptions o;
    o.colours = standardColours();
    ASSERT_EQ(writeGif(page.view(), o, dir + "/keep"), 0);
    const std::string good = readAll(dir + "/keep.gif");

    int rows = 0;
    o.keepAlive = [&] { return ++rows < 10; };  // cancelled while converting
    EXPECT_EQ(writeGif(page.view(), o, dir + "/keep"), -1);
    rows = -40;  // survives conversion, cancelled while encoding
    EXPECT_EQ(writeGif(page.view(), o, dir + "/keep"), 20);
    EXPECT_EQ(readAll(dir + "/keep.gif"), good);

    o.keepAlive = {};
    EXPECT_EQ(writeGif(RasterView{}, o, dir + "/e"), -13);
    EXPECT_EQ(writeGif(RasterView{page.px.data(), 70000, 1, 70000}, o, dir + "/e"), -13);
    EXPECT_EQ(writeGif(page.view(), o, dir + "/missing-folder/x"), -1);
    EXPECT_FALSE(base::fileExists(dir + "/e.gif"));
}
