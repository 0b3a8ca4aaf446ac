// The publishing settings of the HTML output (server, folder, account, saved
// password through the line scrambling).
#include "fuzz_common.h"
#include "output/publish.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet quiet;
    const std::string path = fuzz::scratch(output::kPublishFileName);
    if (!fuzz::put(path, fuzz::bytesOf(data, size))) return 0;
    output::PublishSettings s;
    if (output::readPublishSettings(path, s) == 0) (void)output::uploadPassword(s);
    unlink(path.c_str());
    return 0;
}
