// Windows bitmap files (.bmp): reading them for image labels, writing them for
// pages that embed a bitmap.
#pragma once

#include "view/canvas.h"

#include <string>
#include <string_view>

namespace view {

enum BmpResult { kBmpOk = 0, kBmpMissing = 1, kBmpNotBitmap = 2 };

// Reads a Windows bitmap: uncompressed 1, 4, 8, 16, 24 or 32 bits per pixel, bit
// fields, RLE8 and RLE4, rows bottom-up or top-down. Returns kBmpMissing when the
// file cannot be read, kBmpNotBitmap when it is not such a bitmap or is damaged
// (truncated data, sizes past 32767 pixels a side).
int readBmp(const std::string& path, Bitmap& out);
int decodeBmp(std::string_view bytes, Bitmap& out);

// A 24-bit bottom-up bitmap file of the part `part` of `bmp` (cut to the bitmap).
std::string encodeBmp(const Bitmap& bmp, const Rect& part);

}  // namespace view
