// The HTML generator: its control file, its forms and its inputs. The first byte
// picks which of the three the rest of the input is; the other two are the
// installation's own control file and the chart page form.
#include "fuzz_common.h"
#include "output/generator.h"

#ifndef CHRONAVA_SOURCE_DIR
#define CHRONAVA_SOURCE_DIR "."
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    const std::string installed = CHRONAVA_SOURCE_DIR "/data/rq4100.ctl";
    const std::string form = CHRONAVA_SOURCE_DIR "/data/Forms/Html/pxd98tct.htm";
    const std::string mine = fuzz::scratch("fuzzed");
    const std::string page = fuzz::scratch("page.html");
    const std::string input = fuzz::scratch("input.txt");
    if (!fuzz::put(mine, fuzz::bytesOf(data + 1, size - 1))) return 0;
    const int part = data[0] % 3;
    output::ControlFile control;
    if (output::readControlFile(part == 0 ? mine : installed, control) != 0) return 0;
    output::Form f;
    if (part == 1) (void)output::readForm(mine, f);
    if (part != 2) fuzz::put(input, "PRJ:project\r\nTLN:title\r\nFIG:chart\r\n");
    const output::RunDate date{2001, 2, 3};
    (void)output::producePage(control, part == 2 ? mine : input, part == 1 ? mine : form, page, "fuzz", date);
    unlink(mine.c_str());
    unlink(page.c_str());
    unlink(input.c_str());
    return 0;
}
