// libFuzzer target for the workbook reader. The first input byte chooses how the rest
// is used: odd, the bytes are a whole compound file; even, they become the workbook
// stream of a well-formed compound file (so mutations reach the record parsing).
#include <celvane.h>

#include <algorithm>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string tempPath() {
    static std::string p = "/tmp/read_fuzz_" + std::to_string(getpid()) + ".xls";
    return p;
}

bool writeWrapped(const std::string& path, const uint8_t* data, size_t size, bool biff8) {
    GError* err = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &err);
    if (err) g_error_free(err);
    if (!sink) return false;
    GsfOutfile* root = gsf_outfile_msole_new(sink);
    g_object_unref(sink);
    GsfOutput* s = gsf_outfile_new_child(root, biff8 ? "Workbook" : "Book", FALSE);
    gsf_output_write(s, size, data);
    gsf_output_close(s);
    g_object_unref(s);
    gsf_output_close(GSF_OUTPUT(root));
    g_object_unref(root);
    return true;
}

void exercise(const std::string& path) {
    int b = XM_ReadOpen(path.c_str());
    if (b < 0) return;
    char text[64];
    for (int sheet = -1; sheet < 3; ++sheet) {
        int cols = 0, rows = 0;
        XM_GetMaxData(b, sheet, &cols, &rows);
        XM_GetSheetName(b, sheet, text, sizeof text);
        for (int r = 0; r < 40; ++r) {
            for (int c = 0; c < 6; ++c) {
                int kind;
                double v;
                XM_Read(b, sheet, c, r * 7, &kind, &v, text, sizeof text);
            }
            XM_GetRowHeight(b, sheet, r * 3);
        }
        XM_GetColWidth(b, sheet, 2);
    }
    XM_ReadClose(b);

    if (XlsReadBook(path.c_str(), nullptr) != 1) return;
    for (int sheet = 0; sheet < 2; ++sheet) {
        XlsSheetNo(sheet);
        int pos = 0;
        for (int guard = 0; guard < 5000; ++guard) {
            int col, row, attr, kind, whole;
            double d;
            pos = XlsGetReadBin(&col, &row, &attr, text, sizeof text, &kind, &d, &whole, pos);
            if (pos <= 1) break;
        }
        XlsGetStr(text, sizeof text, "B3");
        int n;
        XlsGetLong(&n, "A1");
        int paper, scale, options, margins[4];
        XlsGetPageMode(sheet, &paper, &scale, &options, margins);
    }
    // The globals: every attribute, font and format the counts announce, and a few past.
    int xfs = 0, formats = 0, fonts = 0;
    XlsGetAttrCnt(&xfs, &formats, &fonts);
    for (int i = -1; i < std::min(xfs, 300) + 2; ++i) {
        AttrDesc a{};
        XlsGetAttr(i, &a);
    }
    for (int i = 0; i < std::min(fonts, 300) + 2; ++i) {
        double pt;
        int color, style, underline;
        XlsGetFont(i, text, sizeof text, &pt, &color, &style, &underline);
    }
    for (int i = 0; i < 400; ++i) XlsGetFormat(i, text, sizeof text);
    XlsCloseBook(0);

    // The same bytes as a template: loaded, filled by name and stored, or refused.
    const std::string out = path + ".out";
    int t = XM_CreateT(out.c_str(), path.c_str());
    if (t >= 0) {
        XM_WriteStrh(t, 0, "**a", 0, 0, "x");
        XM_Close(t);
    }
    unlink(out.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static bool init = (gsf_init(), true);
    (void)init;
    const std::string path = tempPath();
    const uint8_t mode = data[0];
    if (mode & 1) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 0;
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    } else if (!writeWrapped(path, data + 1, size - 1, (mode & 2) != 0)) {
        return 0;
    }
    exercise(path);
    unlink(path.c_str());
    return 0;
}
