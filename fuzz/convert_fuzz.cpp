// The log converter. The first byte chooses the kanji code (automatic, or one of
// Shift-JIS, JIS, EUC-JP and UTF-8); the rest is the log. A chart the converter
// writes is read back by the chart reader.
#include "chart/chart_file.h"
#include "chart/model.h"
#include "convert/converter.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    const std::string in = fuzz::scratch("in.log"), out = fuzz::scratch("out.tct");
    if (!fuzz::put(in, fuzz::bytesOf(data + 1, size - 1))) return 0;
    static const base::InputCode codes[] = {base::InputCode::Sjis, base::InputCode::Jis, base::InputCode::EucJp,
                                            base::InputCode::Utf8};
    convert::Converter c;
    if (data[0] & 4) c.setInputCode(codes[data[0] & 3]);
    if (c.convert(in, out) == convert::kConvertOk) {
        chart::ChartModel m;
        chart::ReadChartFile(true, out, m, nullptr);
    }
    unlink(in.c_str());
    unlink(out.c_str());
    return 0;
}
