// The project information file (.css). The first byte picks the key looked up.
#include "app/project.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    const std::string project = fuzz::scratch("info.nam");
    const std::string css = app::cssPath(project);
    if (!fuzz::put(css, fuzz::bytesOf(data + 1, size - 1))) return 0;
    static const char* const keys[] = {"SYS", "LGT", " lgt ", ""};
    (void)app::readCssValue(project, keys[data[0] & 3], data[0] >> 2);
    unlink(css.c_str());
    return 0;
}
