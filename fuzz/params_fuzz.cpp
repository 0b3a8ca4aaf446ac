// The parameter record read from a byte image. The first byte chooses the file size
// of one of the layouts (or none) and the header, so that every upgrade path from A
// to F is taken; the rest of the input is repeated to fill the record.
#include "app/params.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    static const std::size_t sizes[] = {app::kParamSizeV1, app::kParamSizeV2, app::kParamSizeV3,
                                        app::kParamFileSize};
    static const char* const versions[] = {"2.00", "2.10", "2.20", "2.30", "2.40", "2.50", "9.99", nullptr};
    const std::size_t fileSize = (data[0] & 0x80) ? size - 1 : sizes[data[0] & 3];
    const char* version = versions[(data[0] >> 2) & 7];
    std::string bytes;
    if (fileSize != app::kParamSizeV1 && version) bytes = app::paramHeader(version);
    std::string_view fill = fuzz::bytesOf(data + 1, size - 1);
    while (bytes.size() < fileSize) {
        if (fill.empty()) {
            bytes.resize(fileSize, '\0');
            break;
        }
        bytes.append(fill.substr(0, fileSize - bytes.size()));
    }
    bytes.resize(fileSize);
    const std::string path = fuzz::scratch("rq4100s.prm");
    if (!fuzz::put(path, bytes)) return 0;
    app::ParamRecord rec;
    if (app::readParamFile(rec, path, path) == 0) {
        (void)rec.recentProjects();
        (void)rec.editorPath();
        for (int kind = -1; kind < 8; ++kind) {
            (void)rec.wordForm(kind);
            (void)rec.htmlForm(kind);
        }
        for (int g = 0; g < app::kLayoutGroups; ++g)
            for (int e = 0; e < app::kLayoutEntries; ++e) {
                app::LayoutRect r;
                (void)rec.layout(g, e, r);
            }
        (void)app::paramFileBytes(rec);
    }
    unlink(path.c_str());
    return 0;
}
