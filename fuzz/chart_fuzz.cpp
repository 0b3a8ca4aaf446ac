// The chart file reader. The first byte chooses plain lines (even) or lines
// scrambled the way the converter stores them (odd), and whether signals are sorted
// by name; the rest are the lines.
#include "chart/chart_file.h"
#include "chart/model.h"
#include "chart/scramble.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    std::string_view text = fuzz::bytesOf(data + 1, size - 1);
    std::string bytes;
    if (data[0] & 1) {
        int no = 0;
        while (!text.empty()) {
            std::size_t nl = text.find('\n');
            std::string_view line = text.substr(0, nl);
            bytes += chart::scrambleLine(line, ++no);
            bytes += "\r\n";
            text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        }
    } else {
        bytes.assign(text);
    }
    const std::string path = fuzz::scratch("in.tct");
    if (!fuzz::put(path, bytes)) return 0;
    chart::ReadSettings settings;
    settings.sortByName = (data[0] & 2) != 0;
    chart::ChartModel m;
    int slots = 0;
    if (chart::ReadChartFile((data[0] & 4) != 0, path, m, &slots, settings) == 0) (void)m.eventCount();
    unlink(path.c_str());
    return 0;
}
