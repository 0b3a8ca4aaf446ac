// The document builder's reading of the template and the forms: their main part,
// relationships, styles, settings and content types, and everything built from them
// (tag replacement, "$FIG" pictures, "$TOC", page breaks, contents, roman numbers,
// the stored document).
//
// The input is the parts of two packages as sections, each started by a line
// "@@@@ NAME": a NAME beginning with "form:" is a part of the form, "picture" gives
// the bytes of one chart page, anything else is a part of the template. The packages
// are stored with the builder's own writer, so the inputs reach the XML readers
// instead of stopping at the archive's checksums (package_fuzz covers the archive).
// The first byte chooses how the form is used: a new page (bit 0), the contents
// (bit 1), twice (bit 2), roman page numbers (bit 3).
#include <string>
#include <string_view>
#include <vector>

#include "docbuild/body.h"
#include "docbuild/package.h"
#include "fuzz_common.h"

namespace {

struct Input {
    docbuild::Package templ, form;
    std::vector<docbuild::PicturePage> pictures;
};

Input split(std::string_view text) {
    Input in;
    for (auto& [name, bytes] : fuzz::sections(text)) {
        if (name == "picture") {
            if (in.pictures.size() < 4) in.pictures.push_back({std::move(bytes), "chart <1>"});
        } else if (name.compare(0, 5, "form:") == 0) {
            if (name.size() > 5) in.form.setPart(name.substr(5), std::move(bytes));
        } else if (!name.empty()) {
            in.templ.setPart(name, std::move(bytes));
        }
    }
    return in;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::Quiet quiet;
    const uint8_t mode = data[0];
    Input in = split(fuzz::bytesOf(data + 1, size - 1));
    const std::string templPath = fuzz::scratch("word.docx"), formPath = fuzz::scratch("form.docx"),
                      outPath = fuzz::scratch("out.docx");
    if (in.templ.save(templPath) != docbuild::PackageError::None ||
        in.form.save(formPath) != docbuild::PackageError::None)
        return 0;

    docbuild::DocumentBody body;
    if (body.loadTemplate(templPath).empty()) {
        const docbuild::TagValues values = {{"$PRJ", "SampleT1"}, {"$DTD", "2026 年 12 月  8 日"},
                                            {"$TLN", "タイミングチャート"}, {"$SYS", "system"}};
        const bool contents = mode & 2;
        for (int copy = 0; copy < ((mode & 4) ? 2 : 1); ++copy)
            (void)body.appendForm(formPath, values, in.pictures, mode & 1, contents && copy == 0);
        if (contents) body.buildContents(mode & 8);
        if (mode & 8) body.setRomanPageNumbers();
        (void)body.save(outPath);
    }
    unlink(templPath.c_str());
    unlink(formPath.c_str());
    unlink(outPath.c_str());
    return 0;
}
