// The document builder's readers of what the Word output run leaves for it: the
// definition file word.dif, the figure list it names and the metafile pages of the
// charts. The first byte picks the reader (bits 0-1), whether the lines are stored
// scrambled (bit 2) and, for a metafile, the text area it is fitted into (bits 3-4).
#include "chart/scramble.h"
#include "docbuild/definition.h"
#include "docbuild/pictures.h"
#include "fuzz_common.h"

namespace {

std::string scrambled(std::string_view text) {
    std::string bytes;
    int no = 0;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        bytes += chart::scrambleLine(text.substr(0, nl), ++no);
        bytes += "\r\n";
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    }
    return bytes;
}

// Text areas of the forms in twips (A4 and A3, upright and across, and the smallest
// area the builder allows), at the share of the height a picture may take.
constexpr std::int64_t kAreas[4][2] = {{8506, 13438}, {13438, 8506}, {20000, 20000}, {1440, 1440}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    const uint8_t mode = data[0];
    std::string_view text = fuzz::bytesOf(data + 1, size - 1);

    if ((mode & 3) == 2) {
        docbuild::PictureSize s;
        if (docbuild::metafileSize(text, s)) {
            const auto* area = kAreas[(mode >> 3) & 3];
            s = docbuild::fitInto(s, area[0] * docbuild::kEmuPerTwip, area[1] * docbuild::kEmuPerTwip * 82 / 100);
            (void)docbuild::inlinePictureXml("rId7", 1, "chart <1>", s);
        }
        return 0;
    }

    const std::string path = fuzz::scratch((mode & 3) == 1 ? "figures.lst" : "word.dif");
    if (!fuzz::put(path, (mode & 4) ? scrambled(text) : std::string(text))) return 0;
    if ((mode & 3) == 1) {
        std::vector<docbuild::FigureSource> sources;
        if (docbuild::readFigureList(path, sources).ok())
            for (const auto& src : sources)
                for (int p = 1; p <= src.pages && p <= 3; ++p) (void)docbuild::pagePicturePath(src, p);
    } else if ((mode & 3) == 0) {
        docbuild::Definition d;
        if (docbuild::readDefinition(path, d).ok()) (void)docbuild::documentSibling(d.document);
    } else {
        (void)docbuild::readInfoValue(path, "SYS");
    }
    unlink(path.c_str());
    return 0;
}
