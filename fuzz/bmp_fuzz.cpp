// The BMP images the painter puts on chart labels.
#include "fuzz_common.h"
#include "view/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    view::Bitmap bmp;
    if (view::decodeBmp(fuzz::bytesOf(data, size), bmp) == 0) (void)view::encodeBmp(bmp, view::Rect{0, 0, 8, 8});
    return 0;
}
