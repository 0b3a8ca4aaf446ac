// The definition files and figure lists of the document outputs. The first byte
// picks the reader and whether the lines are stored scrambled.
#include "chart/scramble.h"
#include "fuzz_common.h"
#include "output/definition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    std::string_view text = fuzz::bytesOf(data + 1, size - 1);
    std::string bytes;
    if (data[0] & 4) {
        int no = 0;
        while (!text.empty()) {
            std::size_t nl = text.find('\n');
            bytes += chart::scrambleLine(text.substr(0, nl), ++no);
            bytes += "\r\n";
            text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        }
    } else {
        bytes.assign(text);
    }
    const std::string path = fuzz::scratch("in.def");
    if (!fuzz::put(path, bytes)) return 0;
    switch (data[0] & 3) {
    case 0: {
        output::Definition d;
        (void)output::readDefinition(path, d);
        break;
    }
    case 1: {
        std::vector<output::FigureEntry> entries;
        bool header = false;
        if (output::readFigureList(path, entries, &header) == 0)
            for (const auto& e : entries) {
                output::FigureRef ref = output::parseFigureValue(e.figure);
                (void)ref;
                (void)output::figureImagePath(e.basePath, e.pages);
            }
        break;
    }
    case 2: {
        std::vector<output::DefinitionRecord> records;
        (void)output::readDefinitionRecords(path, records);
        break;
    }
    default: {
        std::vector<std::string> lines;
        bool cp932 = false;
        if (output::readScrambledLines(path, lines, &cp932) == 0)
            for (std::string& l : lines) (void)output::cleanDefinitionLine(l);
    }
    }
    unlink(path.c_str());
    return 0;
}
