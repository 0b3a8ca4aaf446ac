// wirefold's formatter over tcpdump text of either layout, read through its bounded
// line input. The first byte picks the settings: bit 0 Japan time, bits 1-2 the
// payload limit (80, a negative one, 1 or the largest the command line takes).
#include "wirefold/formatter.h"
#include "wirefold/io.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    wirefold::Settings s;
    s.jst = data[0] & 1;
    static const long long limits[] = {80, INT_MIN, 1, INT_MAX};
    s.limit = limits[(data[0] >> 1) & 3];
    // The line input reads the descriptor itself, so the text goes into a memory file.
    static const int fd = memfd_create("wirefold_fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data + 1, size - 1, 0) != static_cast<ssize_t>(size - 1) ||
        lseek(fd, 0, SEEK_SET) != 0)
        return 0;
    const int copy = dup(fd);
    std::FILE* in = copy < 0 ? nullptr : fdopen(copy, "rb");
    if (!in) {
        if (copy >= 0) close(copy);
        return 0;
    }
    std::string out;
    wirefold::LineInput lines(in, wirefold::kMaxLineBytes);
    wirefold::Formatter formatter(s, out);
    std::string_view line;
    while (lines.next(line)) {
        formatter.line(line);
        if (out.size() > (1u << 20)) out.clear();
    }
    formatter.finish();
    std::fclose(in);
    return 0;
}
