#include "view/bmp.h"

#include "base/files.h"

#include <array>
#include <cstdint>

namespace view {

namespace {

constexpr int kMaxSide = 32767;
// Image labels are small; a header asking for more pixels than this is not taken at
// its word (it would make us allocate gigabytes for a few bytes of file).
constexpr std::size_t kMaxPixels = std::size_t(1) << 24;

std::uint32_t le16(std::string_view s, std::size_t at) {
    return std::uint32_t(std::uint8_t(s[at])) | (std::uint32_t(std::uint8_t(s[at + 1])) << 8);
}
std::uint32_t le32(std::string_view s, std::size_t at) { return le16(s, at) | (le16(s, at + 2) << 16); }

void putLe16(std::string& s, unsigned v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void putLe32(std::string& s, std::uint32_t v) {
    putLe16(s, v & 0xFFFF);
    putLe16(s, v >> 16);
}

// One colour channel taken out of a pixel word by its bit mask, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
    }
    std::uint8_t take(std::uint32_t v) const {
        if (!mask) return 0;
        const std::uint32_t x = (v & mask) >> shift;
        if (bits >= 8) return std::uint8_t(x >> (bits - 8));
        const std::uint32_t max = (1u << bits) - 1;
        return std::uint8_t((x * 255 + max / 2) / max);
    }
};

}  // namespace

int decodeBmp(std::string_view f, Bitmap& out) {
    if (f.size() < 26 || f[0] != 'B' || f[1] != 'M') return kBmpNotBitmap;
    const std::uint32_t dataOffset = le32(f, 10), headerSize = le32(f, 14);
    long long width, height;
    unsigned bitCount, compression = 0, coloursUsed = 0;
    std::size_t paletteAt = 14 + headerSize, paletteEntry = 4;
    std::uint32_t masks[3] = {0, 0, 0};
    if (headerSize == 12) {  // the old core header
        width = le16(f, 18);
        height = std::int16_t(le16(f, 20));
        bitCount = le16(f, 24);
        paletteEntry = 3;
    } else if (headerSize >= 40 && headerSize <= 124 && f.size() >= 14 + std::size_t(headerSize)) {
        width = std::int32_t(le32(f, 18));
        height = std::int32_t(le32(f, 22));
        bitCount = le16(f, 28);
        compression = le32(f, 30);
        coloursUsed = le32(f, 46);
        if (compression == 3) {  // bit fields: in the header, or right after a 40-byte one
            if (headerSize >= 52) {
                masks[0] = le32(f, 54), masks[1] = le32(f, 58), masks[2] = le32(f, 62);
            } else {
                if (f.size() < 66) return kBmpNotBitmap;
                masks[0] = le32(f, 54), masks[1] = le32(f, 58), masks[2] = le32(f, 62);
                paletteAt += 12;
            }
        }
    } else {
        return kBmpNotBitmap;
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return kBmpNotBitmap;
    const bool rle = (compression == 1 && bitCount == 8) || (compression == 2 && bitCount == 4);
    if (!(compression == 0 || rle || (compression == 3 && (bitCount == 16 || bitCount == 32)))) return kBmpNotBitmap;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return kBmpNotBitmap;
    if (rle && topDown) return kBmpNotBitmap;

    std::array<std::uint32_t, 256> palette{};
    if (bitCount <= 8) {
        const unsigned entries = coloursUsed && coloursUsed <= (1u << bitCount) ? coloursUsed : 1u << bitCount;
        for (unsigned i = 0; i < entries; ++i) {
            const std::size_t at = paletteAt + i * paletteEntry;
            if (at + 3 > f.size()) return kBmpNotBitmap;
            palette[i] = toXrgb(rgb(std::uint8_t(f[at + 2]), std::uint8_t(f[at + 1]), std::uint8_t(f[at])));
        }
        for (unsigned i = entries; i < 256; ++i) palette[i] = toXrgb(Rgb{});
    }
    if (dataOffset >= f.size()) return kBmpNotBitmap;
    const std::string_view data = f.substr(dataOffset);
    const std::size_t w = std::size_t(width), h = std::size_t(height);
    if (w * h > kMaxPixels) return kBmpNotBitmap;
    const std::size_t rowBytes = ((w * bitCount + 31) / 32) * 4;
    // The last row needs only its pixels, not its padding.
    if (!rle && data.size() < rowBytes * (h - 1) + (w * bitCount + 7) / 8) return kBmpNotBitmap;

    Bitmap b;
    b.width = int(w);
    b.height = int(h);
    b.pixels.assign(w * h, toXrgb(Rgb{}));
    auto rowOf = [&](std::size_t fileRow) { return topDown ? fileRow : h - 1 - fileRow; };

    if (rle) {
        std::size_t pos = 0, x = 0, row = 0;
        const bool four = bitCount == 4;
        auto put = [&](unsigned index) {
            if (x < w && row < h) b.pixels[rowOf(row) * w + x] = palette[index & 0xFF];
            ++x;
        };
        for (;;) {
            if (pos + 2 > data.size()) return kBmpNotBitmap;
            const unsigned n = std::uint8_t(data[pos]), v = std::uint8_t(data[pos + 1]);
            pos += 2;
            if (n > 0) {  // a run
                for (unsigned i = 0; i < n; ++i) put(four ? (i % 2 ? v & 0x0F : v >> 4) : v);
            } else if (v == 0) {  // end of line
                x = 0;
                ++row;
            } else if (v == 1) {  // end of bitmap
                break;
            } else if (v == 2) {  // move
                if (pos + 2 > data.size()) return kBmpNotBitmap;
                x += std::uint8_t(data[pos]);
                row += std::uint8_t(data[pos + 1]);
                pos += 2;
            } else {  // v literal pixels, padded to a word
                const std::size_t bytes = four ? (v + 1) / 2 : v;
                if (pos + bytes > data.size()) return kBmpNotBitmap;
                for (unsigned i = 0; i < v; ++i) {
                    const unsigned byte = std::uint8_t(data[pos + (four ? i / 2 : i)]);
                    put(four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
                }
                pos += bytes + (bytes & 1);
            }
            if (row > h) break;
        }
        out = std::move(b);
        return kBmpOk;
    }

    if (compression == 0 && bitCount == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (compression == 0 && bitCount == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (std::size_t fr = 0; fr < h; ++fr) {
        const char* src = data.data() + fr * rowBytes;
        std::uint32_t* dst = b.pixels.data() + rowOf(fr) * w;
        for (std::size_t x = 0; x < w; ++x) {
            switch (bitCount) {
            case 1: dst[x] = palette[(std::uint8_t(src[x / 8]) >> (7 - x % 8)) & 1]; break;
            case 4: dst[x] = palette[(std::uint8_t(src[x / 2]) >> (x % 2 ? 0 : 4)) & 0x0F]; break;
            case 8: dst[x] = palette[std::uint8_t(src[x])]; break;
            case 24:
                dst[x] = toXrgb(rgb(std::uint8_t(src[3 * x + 2]), std::uint8_t(src[3 * x + 1]), std::uint8_t(src[3 * x])));
                break;
            default: {
                const std::uint32_t v = bitCount == 16 ? le16(std::string_view(src, rowBytes), 2 * x)
                                                       : le32(std::string_view(src, rowBytes), 4 * x);
                dst[x] = toXrgb(Rgb{red.take(v), green.take(v), blue.take(v)});
            }
            }
        }
    }
    out = std::move(b);
    return kBmpOk;
}

int readBmp(const std::string& path, Bitmap& out) {
    // The largest bitmap taken (32-bit pixels, headers and palette) bounds the file:
    // a larger one is refused before it is read into memory.
    const long long size = base::fileSize(path);
    if (size < 0 || base::isDirectory(path)) return kBmpMissing;
    if (static_cast<unsigned long long>(size) > kMaxPixels * 4 + (std::size_t(1) << 20)) return kBmpNotBitmap;
    std::string bytes;
    if (!base::readFile(path, bytes)) return kBmpMissing;
    return decodeBmp(bytes, out);
}

std::string encodeBmp(const Bitmap& bmp, const Rect& part0) {
    const Rect part = part0.intersected(Rect{0, 0, bmp.valid() ? bmp.width : 0, bmp.valid() ? bmp.height : 0});
    const std::size_t w = part.empty() ? 0 : std::size_t(part.width()), h = part.empty() ? 0 : std::size_t(part.height());
    const std::size_t rowBytes = (w * 3 + 3) & ~std::size_t(3);
    std::string s;
    s.reserve(54 + rowBytes * h);
    s += "BM";
    putLe32(s, std::uint32_t(54 + rowBytes * h));
    putLe32(s, 0);
    putLe32(s, 54);
    putLe32(s, 40);
    putLe32(s, std::uint32_t(w));
    putLe32(s, std::uint32_t(h));
    putLe16(s, 1);
    putLe16(s, 24);
    putLe32(s, 0);
    putLe32(s, std::uint32_t(rowBytes * h));
    putLe32(s, 2835);  // 72 dpi
    putLe32(s, 2835);
    putLe32(s, 0);
    putLe32(s, 0);
    for (std::size_t r = h; r-- > 0;) {
        std::size_t n = 0;
        for (std::size_t x = 0; x < w; ++x, n += 3) {
            const Rgb c = fromXrgb(bmp.at(part.left + int(x), part.top + int(r)));
            s.push_back(char(c.b));
            s.push_back(char(c.g));
            s.push_back(char(c.r));
        }
        for (; n < rowBytes; ++n) s.push_back('\0');
    }
    return s;
}

}  // namespace view
