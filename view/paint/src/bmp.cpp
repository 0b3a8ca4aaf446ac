// Windows bitmap files for image labels.
#include "view/painter.h"

#include <cstdint>
#include <fstream>
#include <sys/stat.h>

namespace view {

namespace {

constexpr std::int64_t kMaxSide = 16384;
constexpr std::size_t kMaxFileBytes = 256u * 1024 * 1024;

std::uint32_t u16(std::string_view b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8;
}
std::uint32_t u32(std::string_view b, std::size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }
std::int32_t s32(std::string_view b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }

// Spreads a masked channel to 8 bits.
std::uint32_t channel(std::uint32_t v, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    int bits = 0;
    while (mask & 1u) {
        mask >>= 1;
        ++bits;
    }
    const std::uint32_t c = (v >> shift) & ((1u << bits) - 1u);
    if (bits >= 8) return c >> (bits - 8);
    const std::uint32_t maxv = (1u << bits) - 1u;
    return maxv ? c * 255u / maxv : 0;
}

}  // namespace

bool decodeBmp(std::string_view b, Bitmap& out) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    const std::uint32_t dataOffset = u32(b, 10);
    const std::uint32_t headerSize = u32(b, 14);
    std::int64_t width, height;
    std::uint32_t bits, compression = 0, colours = 0;
    std::size_t paletteEntry = 4;
    if (headerSize == 12) {
        width = u16(b, 18);
        height = std::int16_t(u16(b, 20));
        bits = u16(b, 24);
        paletteEntry = 3;
    } else if (headerSize >= 40 && b.size() >= 14 + std::size_t(40)) {
        width = s32(b, 18);
        height = s32(b, 22);
        bits = u16(b, 28);
        compression = u32(b, 30);
        colours = u32(b, 46);
    } else {
        return false;
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32))) return false;

    // Channel masks: given after the header for bit fields, else 5-5-5 or 8-8-8.
    std::uint32_t rMask = 0x00FF0000, gMask = 0x0000FF00, bMask = 0x000000FF;
    if (bits == 16) rMask = 0x7C00, gMask = 0x03E0, bMask = 0x001F;
    if (compression == 3) {
        const std::size_t at = 14 + (headerSize >= 52 ? 40 : std::size_t(headerSize));
        if (b.size() < at + 12) return false;
        rMask = u32(b, at);
        gMask = u32(b, at + 4);
        bMask = u32(b, at + 8);
    }

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        std::size_t count = colours ? colours : (std::size_t(1) << bits);
        if (count > 256) return false;
        const std::size_t at = 14 + std::size_t(headerSize);
        if (at > b.size() || (b.size() - at) / paletteEntry < count) return false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t e = at + i * paletteEntry;
            palette.push_back(0xFF000000u | std::uint32_t(std::uint8_t(b[e + 2])) << 16 |
                              std::uint32_t(std::uint8_t(b[e + 1])) << 8 | std::uint8_t(b[e]));
        }
    }

    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    if (dataOffset > b.size() || (b.size() - dataOffset) / stride < std::size_t(height)) return false;

    Bitmap bmp;
    bmp.width = int(width);
    bmp.height = int(height);
    bmp.pixels.resize(std::size_t(width) * std::size_t(height));
    for (std::int64_t row = 0; row < height; ++row) {
        const std::size_t src = dataOffset + std::size_t(row) * stride;
        const std::int64_t y = topDown ? row : height - 1 - row;
        std::uint32_t* dst = &bmp.pixels[std::size_t(y) * std::size_t(width)];
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint32_t px = 0xFF000000u;
            if (bits <= 8) {
                const std::size_t bitPos = std::size_t(x) * bits;
                const std::uint8_t byte = std::uint8_t(b[src + bitPos / 8]);
                const std::uint32_t index = (byte >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1u);
                px = index < palette.size() ? palette[index] : 0xFF000000u;
            } else if (bits == 24) {
                const std::size_t at = src + std::size_t(x) * 3;
                px |= std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
                      std::uint8_t(b[at]);
            } else {
                const std::uint32_t v = bits == 16 ? u16(b, src + std::size_t(x) * 2) : u32(b, src + std::size_t(x) * 4);
                px |= channel(v, rMask) << 16 | channel(v, gMask) << 8 | channel(v, bMask);
            }
            dst[x] = px;
        }
    }
    out = std::move(bmp);
    return true;
}

BmpResult readBmpFile(const std::string& path, Bitmap& out) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return BmpResult::Missing;
    if (std::size_t(st.st_size) > kMaxFileBytes) return BmpResult::NotBitmap;
    std::ifstream in(path, std::ios::binary);
    if (!in) return BmpResult::Missing;
    std::string bytes(std::size_t(st.st_size), '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return decodeBmp(bytes, out) ? BmpResult::Ok : BmpResult::NotBitmap;
}

}  // namespace view
