// GIF pages: palette, pixel conversion, LZW encoding and the GIF87a file.
//
// The input is a rendered page as a 32-bit RGB raster (packed pixels, see
// canvas.h), so any raster canvas can hand its pixels over without copying.
#pragma once

#include "view/canvas.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace view {

// A read-only view of packed 32-bit pixels; `stride` counts pixels from one row's
// start to the next.
struct RasterView {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    std::uint32_t at(int x, int y) const { return pixels[y * stride + x]; }
};

using Palette = std::array<Rgb, 256>;

// How a page's colours become palette indices.
enum class PaletteKind {
    Grey,        // monochrome pages: a grey ramp, index = luminance
    Rgb332,      // pages after an image label: 3 bits red, 3 green, 2 blue
    ChartColours // otherwise: the chart's own colours
};

// The colours the painter uses, by their palette position: 0 background, 1 signal,
// 2 comment, 3 name, 4 free (the ruler strip's face), 5 axis, 6 grid, 7 the value
// baseline RGB(0, 192, 0), 8 white, 9 RGB(192, 192, 192), 10 RGB(0, 160, 0).
// They are the colours as read back from the rendered page.
constexpr int kChartColourCount = 11;
using ChartColours = std::array<Rgb, kChartColourCount>;

Palette greyPalette();
// The 3-3-2 palette, with each chart colour put at its own 3-3-2 index (the first
// colour of an index wins) so that the chart's colours come out exact.
Palette rgb332Palette(const ChartColours& colours);
int rgb332Index(Rgb c);
// The chart colours at 0..10, the rest black.
Palette chartPalette(const ChartColours& colours);

// Called once per image row during conversion and encoding; returning false cancels.
using KeepAlive = std::function<bool()>;

// Maps every pixel of `page` to a palette index, rows from top to bottom. With
// ChartColours a pixel takes the first equal palette entry; colours of the page that
// are not in the palette are added to its free entries (11 onwards) in order of first
// appearance, and only when all 256 are taken does such a pixel fall back to 0, the
// background. Returns 0, -1 when cancelled, -12 when memory runs out.
int convertPixels(const RasterView& page, PaletteKind kind, Palette& palette, std::vector<std::uint8_t>& indices,
                  const KeepAlive& keepAlive = {});

// LZW-compresses 8-bit indices (minimum code size 8) into GIF data sub-blocks,
// ending with the zero-length block. `rowLength` pixels make one row for the
// keep-alive call. Returns false when cancelled (what was packed so far is in `out`).
bool lzwEncode(const std::uint8_t* indices, std::size_t count, std::size_t rowLength, std::string& out,
               const KeepAlive& keepAlive = {});

// The complete GIF87a file of an index image: header, logical screen, the 256-entry
// table, the image, the comment "KOV[Chronava]" and the trailer. Returns false when
// cancelled.
bool encodeGif(int width, int height, const Palette& palette, const std::vector<std::uint8_t>& indices,
               std::string& out, const KeepAlive& keepAlive = {});

struct GifOptions {
    PaletteKind kind = PaletteKind::ChartColours;
    ChartColours colours{};
    KeepAlive keepAlive;
};

// Writes `page` to basePath + ".gif". Returns 0; -13 for an empty page or one larger
// than a GIF can hold (65535 pixels a side); -12 without memory for the index image;
// -1 when cancelled during conversion or when the file cannot be opened; 20 when
// cancelled during encoding; -4 when writing fails. The file is replaced only when
// the whole image was written, so a failure leaves any earlier file as it was.
int writeGif(const RasterView& page, const GifOptions& options, const std::string& basePath);

}  // namespace view
