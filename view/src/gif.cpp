#include "view/gif.h"

#include "base/files.h"

#include <algorithm>
#include <memory>
#include <new>

namespace view {

Palette greyPalette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) p[std::size_t(i)] = rgb(i, i, i);
    return p;
}

int rgb332Index(Rgb c) { return (c.r & 0xE0) | ((c.g >> 5) << 2) | (c.b >> 6); }

Palette rgb332Palette(const ChartColours& colours) {
    Palette p{};
    for (int i = 0; i < 256; ++i) {
        const int r = (i & 0xE0) | ((i & 0x20) ? 31 : 0);
        const int g = (((i >> 2) & 7) << 5) | ((i & 0x04) ? 31 : 0);
        const int b = ((i & 3) << 6) | ((i & 0x01) ? 63 : 0);
        p[std::size_t(i)] = rgb(r, g, b);
    }
    std::array<bool, 256> taken{};
    for (const Rgb& c : colours) {
        const int i = rgb332Index(c);
        if (taken[std::size_t(i)]) continue;
        taken[std::size_t(i)] = true;
        p[std::size_t(i)] = c;
    }
    return p;
}

Palette chartPalette(const ChartColours& colours) {
    Palette p{};
    std::copy(colours.begin(), colours.end(), p.begin());
    return p;
}

namespace {

// Colour to index lookup for chart pages: the first palette entry equal to a
// colour, found through a small open hash keyed by the packed colour.
class ColourIndex {
public:
    explicit ColourIndex(Palette& palette) : palette_(palette) {
        keys_.fill(kEmpty);
        // Later entries must not shadow earlier equal ones: insert first-come.
        for (int i = 0; i < kChartColourCount; ++i) insert(pack(palette_[std::size_t(i)]), std::uint8_t(i));
        // The free entries still hold black; they only count once a page colour
        // is put there.
        used_ = kChartColourCount;
    }

    std::uint8_t lookup(std::uint32_t pixel) {
        const std::uint32_t key = pixel & 0xFFFFFFu;
        std::size_t slot = hash(key);
        while (keys_[slot] != kEmpty) {
            if (keys_[slot] == key) return values_[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        // A colour the palette does not hold yet.
        if (used_ < 256) {
            const std::uint8_t index = std::uint8_t(used_++);
            palette_[index] = fromXrgb(key);
            keys_[slot] = key;
            values_[slot] = index;
            return index;
        }
        // Remembered as background from now on. The caller stops asking after a
        // bounded number of such misses, so the hash never fills up.
        keys_[slot] = key;
        values_[slot] = 0;
        return 0;
    }

private:
    static constexpr std::size_t kSlots = 1024;  // more than 256 colours + misses
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static std::uint32_t pack(Rgb c) { return toXrgb(c) & 0xFFFFFFu; }
    static std::size_t hash(std::uint32_t key) { return (key * 2654435761u >> 22) & (kSlots - 1); }
    void insert(std::uint32_t key, std::uint8_t value) {
        std::size_t slot = hash(key);
        while (keys_[slot] != kEmpty) {
            if (keys_[slot] == key) return;
            slot = (slot + 1) & (kSlots - 1);
        }
        keys_[slot] = key;
        values_[slot] = value;
    }

    Palette& palette_;
    std::array<std::uint32_t, kSlots> keys_;
    std::array<std::uint8_t, kSlots> values_{};
    int used_ = 0;
};

std::uint8_t greyIndex(std::uint32_t p) {
    const Rgb c = fromXrgb(p);
    const double y = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b + 0.5;
    return static_cast<std::uint8_t>(std::min(255, static_cast<int>(y)));
}

}  // namespace

int convertPixels(const RasterView& page, PaletteKind kind, Palette& palette, std::vector<std::uint8_t>& indices,
                  const KeepAlive& keepAlive) {
    const std::size_t w = std::size_t(page.width), h = std::size_t(page.height);
    try {
        indices.resize(w * h);
    } catch (const std::bad_alloc&) {
        return -12;
    }
    std::unique_ptr<ColourIndex> lookup;
    if (kind == PaletteKind::ChartColours) lookup = std::make_unique<ColourIndex>(palette);
    std::uint32_t lastPixel = 0;
    std::uint8_t lastIndex = 0;
    bool haveLast = false;
    std::size_t misses = 0;
    for (std::size_t y = 0; y < h; ++y) {
        if (keepAlive && !keepAlive()) return -1;
        const std::uint32_t* row = page.pixels + std::ptrdiff_t(y) * page.stride;
        std::uint8_t* out = indices.data() + y * w;
        switch (kind) {
        case PaletteKind::Grey:
            for (std::size_t x = 0; x < w; ++x) out[x] = greyIndex(row[x]);
            break;
        case PaletteKind::Rgb332:
            for (std::size_t x = 0; x < w; ++x) out[x] = std::uint8_t(rgb332Index(fromXrgb(row[x])));
            break;
        case PaletteKind::ChartColours:
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint32_t p = row[x] & 0xFFFFFFu;
                if (!haveLast || p != lastPixel) {
                    lastPixel = p;
                    haveLast = true;
                    if (misses < 512) {
                        lastIndex = lookup->lookup(p);
                        if (lastIndex == 0 && fromXrgb(p) != palette[0]) ++misses;
                    } else {
                        // The hash is reserved for colours already seen; a page with
                        // hundreds of colours beyond the palette maps the rest to 0.
                        lastIndex = 0;
                        for (int i = 0; i < 256; ++i)
                            if (palette[std::size_t(i)] == fromXrgb(p)) {
                                lastIndex = std::uint8_t(i);
                                break;
                            }
                    }
                }
                out[x] = lastIndex;
            }
            break;
        }
    }
    return 0;
}

namespace {

constexpr int kMinCodeSize = 8;
constexpr unsigned kClearCode = 1u << kMinCodeSize;  // 256
constexpr unsigned kEndCode = kClearCode + 1;        // 257
constexpr unsigned kFirstFree = kClearCode + 2;      // 258
constexpr int kMaxWidth = 12;
constexpr unsigned kMaxCodes = 1u << kMaxWidth;  // 4096
constexpr unsigned kHashSlots = 9973;
constexpr unsigned kHashStep = 2039;
constexpr std::uint16_t kNone = 0xFFFF;

// The string table: up to 4096 strings, each a prefix code and a suffix byte, found
// through a hash of 9973 slots probed in steps of 2039. Each slot holds its code
// together with the string's key (prefix << 8 | suffix), so a probe reads one word.
struct StringTable {
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::uint32_t slots[kHashSlots];  // key << 12 | code
    unsigned count = 0;

    void reset() {
        std::fill(std::begin(slots), std::end(slots), kEmpty);
        count = kFirstFree;
    }
    static unsigned slotOf(unsigned pre, unsigned b) { return ((b << 8) ^ pre) % kHashSlots; }
    // Code of the string (pre, b), or kNone.
    std::uint16_t find(unsigned pre, unsigned b) const {
        const std::uint32_t k = (std::uint32_t(pre) << 8) | b;
        unsigned s = slotOf(pre, b);
        for (;;) {
            const std::uint32_t e = slots[s];
            if (e == kEmpty) return kNone;
            if ((e >> 12) == k) return std::uint16_t(e & 0xFFF);
            s += kHashStep;
            if (s >= kHashSlots) s -= kHashSlots;
        }
    }
    // Adds (pre, b); returns its code, or -1 when the table is full.
    int add(unsigned pre, unsigned b) {
        if (count >= kMaxCodes) return -1;
        const unsigned c = count++;
        unsigned s = slotOf(pre, b);
        while (slots[s] != kEmpty) {
            s += kHashStep;
            if (s >= kHashSlots) s -= kHashSlots;
        }
        slots[s] = (((std::uint32_t(pre) << 8) | b) << 12) | c;
        return int(c);
    }
};

// Packs codes least significant bit first into 255-byte sub-blocks.
class BitPacker {
public:
    explicit BitPacker(std::string& out) : out_(out) {}
    void put(unsigned code, int width) {
        acc_ |= std::uint32_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            byte(std::uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    void finish() {
        if (bits_ > 0) byte(std::uint8_t(acc_));
        acc_ = 0;
        bits_ = 0;
        if (fill_ > 0) flushBlock();
        out_.push_back('\0');
    }

private:
    void byte(std::uint8_t b) {
        block_[1 + fill_++] = b;
        if (fill_ == 255) flushBlock();
    }
    void flushBlock() {
        block_[0] = std::uint8_t(fill_);
        out_.append(reinterpret_cast<const char*>(block_), std::size_t(fill_) + 1);
        fill_ = 0;
    }

    std::string& out_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
    std::uint8_t block_[256];
    int fill_ = 0;
};

void putLe16(std::string& s, unsigned v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

}  // namespace

bool lzwEncode(const std::uint8_t* indices, std::size_t count, std::size_t rowLength, std::string& out,
               const KeepAlive& keepAlive) {
    auto table = std::make_unique<StringTable>();
    table->reset();
    BitPacker bits(out);
    int width = kMinCodeSize + 1;
    bits.put(kClearCode, width);
    unsigned prefix = kNone;
    bool cancelled = false;
    const std::size_t step = rowLength > 0 ? rowLength : count;
    for (std::size_t row = 0; row < count && !cancelled; row += step) {
        if (keepAlive && !keepAlive()) {
            cancelled = true;
            break;
        }
        const std::size_t end = std::min(count, row + step);
        for (std::size_t i = row; i < end; ++i) {
            const unsigned b = indices[i];
            if (prefix == kNone) {
                prefix = b;
                continue;
            }
            const std::uint16_t found = table->find(prefix, b);
            if (found != kNone) {
                prefix = found;
                continue;
            }
            bits.put(prefix, width);
            const int added = table->add(prefix, b);
            if (added < 0 || added > (1 << width) - 1) {
                if (++width > kMaxWidth) {
                    bits.put(kClearCode, kMaxWidth);
                    table->reset();
                    width = kMinCodeSize + 1;
                }
            }
            prefix = b;
        }
    }
    // The end code goes out at the width of the last code. A decoder that grows its
    // width on reading that last code reads the end code one bit wider; the extra bit
    // is then always a zero padding bit (no code stream ends on a byte boundary at
    // such a point), so it still reads the end code.
    if (!cancelled && prefix != kNone) bits.put(prefix, width);
    bits.put(kEndCode, width);
    bits.finish();
    return !cancelled;
}

bool encodeGif(int width, int height, const Palette& palette, const std::vector<std::uint8_t>& indices,
               std::string& out, const KeepAlive& keepAlive) {
    out.clear();
    out.reserve(800 + indices.size() / 4);
    out += "GIF87a";
    putLe16(out, unsigned(width));
    putLe16(out, unsigned(height));
    out.push_back(char(0xF7));  // global table, 8-bit colour resolution, 256 entries
    out.push_back('\0');        // background index
    out.push_back('\0');        // aspect
    for (const Rgb& c : palette) {
        out.push_back(char(c.r));
        out.push_back(char(c.g));
        out.push_back(char(c.b));
    }
    out.push_back(char(0x2C));
    putLe16(out, 0);
    putLe16(out, 0);
    putLe16(out, unsigned(width));
    putLe16(out, unsigned(height));
    out.push_back('\0');  // no local table, not interlaced
    out.push_back(char(kMinCodeSize));
    if (!lzwEncode(indices.data(), indices.size(), std::size_t(width), out, keepAlive)) return false;
    static constexpr char kComment[] = "KOV[Chronava]";
    out.push_back(char(0x21));
    out.push_back(char(0xFE));
    out.push_back(char(sizeof kComment - 1));
    out.append(kComment, sizeof kComment - 1);
    out.push_back('\0');
    out.push_back(char(0x3B));
    return true;
}

int writeGif(const RasterView& page, const GifOptions& options, const std::string& basePath) {
    if (!page.pixels || page.width <= 0 || page.height <= 0 || page.width > 65535 || page.height > 65535 ||
        page.stride < page.width)
        return -13;
    Palette palette{};
    switch (options.kind) {
    case PaletteKind::Grey: palette = greyPalette(); break;
    case PaletteKind::Rgb332: palette = rgb332Palette(options.colours); break;
    case PaletteKind::ChartColours: palette = chartPalette(options.colours); break;
    }
    std::vector<std::uint8_t> indices;
    if (int rc = convertPixels(page, options.kind, palette, indices, options.keepAlive); rc != 0) return rc;
    std::string bytes;
    try {
        if (!encodeGif(page.width, page.height, palette, indices, bytes, options.keepAlive)) return 20;
    } catch (const std::bad_alloc&) {
        return -12;
    }
    base::AtomicFile f;
    if (!f.open(basePath + ".gif")) return -1;
    if (!f.write(bytes) || !f.commit()) return -4;
    return 0;
}

}  // namespace view
