// Pictures of the document: the metafile pages of the charts. A page is a placeable
// metafile whose header gives its size; it is embedded unchanged and shown inline,
// scaled to fit the text area.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace docbuild {

// English Metric Units: 914400 per inch, 635 per twip.
inline constexpr std::int64_t kEmuPerInch = 914400;
inline constexpr std::int64_t kEmuPerTwip = 635;

struct PictureSize {
    std::int64_t cx = 0;  // width in EMU
    std::int64_t cy = 0;  // height in EMU
};

// The natural size of a placeable metafile from its 22-byte header. False when the
// bytes are not a placeable metafile (key, checksum, empty box, zero units per inch).
bool metafileSize(std::string_view bytes, PictureSize& size);

// The size scaled down (never up) to fit `maxCx` × `maxCy`, keeping its proportions.
PictureSize fitInto(PictureSize size, std::int64_t maxCx, std::int64_t maxCy);

// The run content that shows picture `relId` inline at `size`; `id` numbers the
// drawing objects of the document, `name` is its description.
std::string inlinePictureXml(std::string_view relId, int id, std::string_view name, PictureSize size);

}  // namespace docbuild
