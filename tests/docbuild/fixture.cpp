// The builder's test installation.
#include "fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "chart/scramble.h"
#include "docbuild/stock.h"

namespace docbuild_test {

namespace {

void put16(std::string& s, int v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, long v) {
    put16(s, static_cast<int>(v & 0xFFFF));
    put16(s, static_cast<int>((v >> 16) & 0xFFFF));
}

// A line file the way the output run writes it: every line scrambled with its number.
void writeScrambled(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    int n = 0;
    for (const std::string& l : lines) bytes += chart::scrambleLine(base::toCp932(l) + "\r\n", ++n);
    base::writeFileAtomic(path, bytes);
}

}  // namespace

std::string makeTempDir() {
    char tmpl[] = "/tmp/docbuild-test-XXXXXX";
    char* d = mkdtemp(tmpl);
    return d ? d : "";
}

std::string readAll(const std::string& path) {
    std::string s;
    base::readFile(path, s);
    return s;
}

std::string makeMetafile(int w, int h, bool valid) {
    if (!valid) return std::string(64, 'x');
    std::string s;
    put32(s, 0x9AC6CDD7L);
    put16(s, 0);
    put16(s, 0), put16(s, 0), put16(s, w), put16(s, h);
    put16(s, 1440);
    put32(s, 0);
    int sum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        sum ^= static_cast<unsigned char>(s[i]) | (static_cast<unsigned char>(s[i + 1]) << 8);
    put16(s, sum);
    std::string recs;
    auto rec = [&](int func, std::initializer_list<int> params) {
        put32(recs, 3 + static_cast<long>(params.size()));
        put16(recs, func);
        for (int p : params) put16(recs, p);
    };
    rec(0x020B, {0, 0});           // SetWindowOrg
    rec(0x020C, {h, w});           // SetWindowExt
    rec(0x041B, {h - 1, w - 1, 0, 0});  // Rectangle (bottom, right, top, left)
    rec(0x0214, {0, 0});           // MoveTo
    rec(0x0213, {h - 1, w - 1});   // LineTo
    rec(0x0000, {});               // end
    std::string head;
    put16(head, 1), put16(head, 9), put16(head, 0x0300);
    put32(head, static_cast<long>((18 + recs.size()) / 2));
    put16(head, 0);
    put32(head, 5);
    put16(head, 0);
    return s + head + recs;
}

void Fixture::create(const std::string& root) {
    install = root + "/install";
    data = root + "/Projects/ライン";
    project = data + "/ライン.nam";
    output = data + "/ライン.doc";
    base::makeDirectories(install);
    base::makeDirectories(data);
    docbuild::writeStockFiles(install);
    base::writeFileAtomic(project, " [KOV:NAM:V2.00 ]\r\n[Sources]\r\n");
    base::writeFileAtomic(base::replaceExtension(project, ".css"),
                          base::toCp932("SYS:搬送ライン制御\r\nLGT:C\r\n"));
    for (const FixtureSource& s : sources)
        for (int p = 1; p <= s.pages; ++p) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "-tct-%03d.wmf", p);
            base::writeFileAtomic(data + "/" + s.stem + suffix, makeMetafile(16000, 11000));
        }
}

std::string Fixture::figureList() const { return data + "/TC-WORD.tsg"; }
std::string Fixture::progressFile() const { return install + "/word.log"; }
std::string Fixture::documentPath() const { return data + "/ライン.docx"; }

void Fixture::writeDefinition(const std::vector<std::string>& targets, const std::vector<std::string>& extra) {
    std::vector<std::string> tsg{" [KOV:TSG:V1.00 ]"};
    for (const FixtureSource& s : sources) {
        char fig[16];
        std::snprintf(fig, sizeof fig, "%03d", s.pages);
        tsg.push_back("TLN:" + s.title);
        tsg.push_back("FIG:" + data + "/" + s.stem + "-tct/" + fig);
        tsg.push_back("///:");
    }
    writeScrambled(figureList(), tsg);
    std::string forms = install + "/Forms/Word/A4縦/";
    std::vector<std::string> dif{" [KOV:DIF:V2.00 ]", "//", "#            共通情報", "NAM:" + project,
                                 "CSS:" + base::replaceExtension(project, ".css"), "PRJ:ライン",
                                 "CTL:" + install + "/rq4100.ctl", "DOT:" + output, "TPL:" + install + "/rq4100.dot",
                                 std::string("OPT:") + (visible ? "-vis=on" : "-vis=off"), "//"};
    for (const std::string& t : targets) {
        if (t == "CVP") {
            dif.insert(dif.end(), {"#            表紙", "TYP:CVP", "FRM:" + forms + "表紙.doc"});
        } else if (t == "IDX") {
            dif.insert(dif.end(), {"#            目次", "TYP:IDX"});
            if (roman) dif.push_back("OPT:-pagefont=roman");
            dif.push_back("FRM:" + forms + "目次.doc");
        } else if (t == "TCT") {
            dif.insert(dif.end(), {"#            タイミングチャート", "TYP:TCT", "DIN:" + figureList(),
                                   "FRM:" + forms + "タイミングチャート.doc"});
        } else {
            dif.insert(dif.end(), {"TYP:" + t, "FRM:" + forms + "表紙.doc"});
        }
        dif.insert(dif.end(), {"EXE:", "//"});
    }
    dif.insert(dif.end(), extra.begin(), extra.end());
    dif.push_back("/");
    writeScrambled(install + "/word.dif", dif);
}

std::vector<std::string> readProgress(const std::string& path, bool* crlf) {
    std::string bytes;
    std::vector<std::string> lines;
    if (!base::readFile(path, bytes)) return lines;
    if (crlf) *crlf = true;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t nl = bytes.find('\n', start);
        if (nl == std::string::npos) nl = bytes.size();
        std::string line = bytes.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        else if (crlf) *crlf = false;
        lines.push_back(base::fromCp932(line));
        start = nl + 1;
    }
    return lines;
}

}  // namespace docbuild_test
