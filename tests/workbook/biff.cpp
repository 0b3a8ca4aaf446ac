#include "biff.h"

#include <base/text.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#ifndef WBTEST_SCRIPTS
#error "WBTEST_SCRIPTS must name the folder of the reader scripts"
#endif

namespace wbtest {

double Rec::f64(std::size_t at) const {
    uint64_t bits = u32(at) | static_cast<uint64_t>(u32(at + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

std::vector<const Rec*> Stream::all(uint16_t no) const {
    std::vector<const Rec*> out;
    for (const Rec& r : recs)
        if (r.no == no) out.push_back(&r);
    return out;
}

const Rec* Stream::at(std::size_t pos) const {
    for (const Rec& r : recs)
        if (r.pos == pos) return &r;
    return nullptr;
}

Stream readStream(const std::string& path) {
    Stream s;
    gsf_init();
    GError* err = nullptr;
    GsfInput* in = gsf_input_stdio_new(path.c_str(), &err);
    if (!in) {
        if (err) g_error_free(err);
        return s;
    }
    GsfInfile* root = gsf_infile_msole_new(in, &err);
    g_object_unref(in);
    if (!root) {
        if (err) g_error_free(err);
        return s;
    }
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(root), clsid))
        s.classId.assign(reinterpret_cast<char*>(clsid), 16);
    for (const char* name : {"Book", "Workbook"}) {
        GsfInput* st = gsf_infile_child_by_name(root, name);
        if (!st) continue;
        s.name = name;
        gsf_off_t size = gsf_input_size(st);
        s.bytes.resize(static_cast<std::size_t>(size));
        if (size > 0 && gsf_input_read(st, size, reinterpret_cast<guint8*>(s.bytes.data())) == nullptr)
            s.bytes.clear();
        g_object_unref(st);
        break;
    }
    g_object_unref(root);
    std::size_t pos = 0;
    s.ok = !s.name.empty();
    while (s.ok && pos + 4 <= s.bytes.size()) {
        Rec r;
        r.pos = pos;
        auto b = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(s.bytes[i])); };
        r.no = static_cast<uint16_t>(b(pos) | b(pos + 1) << 8);
        std::size_t len = b(pos + 2) | b(pos + 3) << 8;
        if (pos + 4 + len > s.bytes.size()) {
            s.ok = false;
            break;
        }
        r.data = s.bytes.substr(pos + 4, len);
        pos += 4 + len;
        s.recs.push_back(std::move(r));
    }
    return s;
}

int run(const std::string& command, std::string* output) {
    std::string cmd = command + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf;
    std::string out;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    int status = pclose(p);
    if (output) *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string checkBook(const std::string& path, const std::string& expectJson) {
    std::string expectPath = path + ".expect.json";
    {
        std::ofstream f(expectPath, std::ios::binary);
        f << expectJson;
    }
    std::string out;
    int rc = run("/usr/bin/python3 " WBTEST_SCRIPTS "/check_book.py '" + path + "' '" + expectPath + "'", &out);
    if (rc == 0) return std::string();
    return out.empty() ? "checker failed" : out;
}

std::string recalculatedCsv(const std::string& path) {
    const std::string csv = path + ".csv";
    std::string out;
    if (run("ssconvert --recalc '" + path + "' '" + csv + "'", &out) != 0) return "ssconvert failed: " + out;
    std::ifstream in(csv, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(csv.c_str());
    return text;
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/wbtest-XXXXXX";
    char* p = mkdtemp(tmpl);
    path_ = p ? p : "/tmp";
}

TempDir::~TempDir() {
    if (path_ != "/tmp") run("rm -rf '" + path_ + "'");
}

std::string sj(const char* utf8) { return base::toCp932(utf8); }

}  // namespace wbtest
