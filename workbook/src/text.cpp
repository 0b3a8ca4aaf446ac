// Text code pages at the library's interface and the BIFF8 string encoding.
#include "internal.h"

#include <base/text.h>

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace celvane {
namespace {

int g_codePage = 932;

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Converts everything, putting U+FFFD for each byte that cannot be converted.
    void runLenient(std::string_view in, std::string& out) {
        out.clear();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* ip = const_cast<char*>(in.data());
        std::size_t il = in.size();
        char chunk[1024];
        while (il > 0) {
            char* op = chunk;
            std::size_t ol = sizeof chunk;
            const std::size_t r = iconv(cd_, &ip, &il, &op, &ol);
            out.append(chunk, static_cast<std::size_t>(op - chunk));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                out.append("\xEF\xBF\xBD");
                ++ip;
                --il;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* op = chunk;
        std::size_t ol = sizeof chunk;
        iconv(cd_, nullptr, nullptr, &op, &ol);
        out.append(chunk, static_cast<std::size_t>(op - chunk));
    }
    bool run(std::string_view in, std::string& out) {
        if (!ok()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 4 + 8);
        char* ip = const_cast<char*>(in.data());
        std::size_t il = in.size();
        char* op = out.data();
        std::size_t ol = out.size();
        while (il > 0) {
            if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) return false;
        }
        if (iconv(cd_, nullptr, nullptr, &op, &ol) == static_cast<std::size_t>(-1)) return false;
        out.resize(out.size() - ol);
        return true;
    }

private:
    iconv_t cd_;
};

Converter& cp932ToUtf16() {
    static Converter c("UTF-16LE", "CP932");
    return c;
}
Converter& utf8ToUtf16() {
    static Converter c("UTF-16LE", "UTF-8");
    return c;
}

// The converter's name for a workbook code page number.
std::string converterName(int codePage) {
    switch (codePage) {
    case 367: return "CP1252";       // US-ASCII; stray high bytes still read as Western text
    case 1200: return "ISO-8859-1";  // 8-bit text of a UTF-16 book: each byte is a character
    case 10000:
    case 32768: return "MACINTOSH";
    case 32769: return "CP1252";
    case 65001: return "UTF-8";
    default: return "CP" + std::to_string(codePage);
    }
}

// One converter to UTF-8 per code page met, kept for the life of the process.
Converter* toUtf8From(int codePage) {
    static std::vector<std::pair<int, std::unique_ptr<Converter>>> converters;
    for (auto& [cp, c] : converters)
        if (cp == codePage) return c->ok() ? c.get() : nullptr;
    const std::string name = converterName(codePage);
    converters.emplace_back(codePage, std::make_unique<Converter>("UTF-8", name.c_str()));
    return converters.back().second->ok() ? converters.back().second.get() : nullptr;
}

bool allAscii(std::string_view s) {
    for (unsigned char ch : s)
        if (ch >= 0x80) return false;
    return true;
}

}  // namespace

int callerCodePage() { return g_codePage; }
void setCallerCodePage(int cp) { g_codePage = cp; }

bool callerToCp932(std::string_view text, std::string& out) {
    if (g_codePage == 932) {
        out.assign(text);
        return true;
    }
    base::Conversion c = base::utf8ToCp932(text);
    out = std::move(c.text);
    return c.ok;
}

std::string cp932ToCaller(std::string_view cp932) {
    if (g_codePage == 932) return std::string(cp932);
    return base::fromCp932(cp932);
}

std::string cp932(std::string_view utf8) { return base::toCp932(utf8); }

bool codePageToUtf8(int codePage, std::string_view bytes, std::string& out) {
    Converter* c = toUtf8From(codePage);
    if (!c) return false;
    if (allAscii(bytes)) {
        out.assign(bytes);
        return true;
    }
    c->runLenient(bytes, out);
    return true;
}

std::string_view cutCallerText(std::string_view text, std::size_t max) {
    if (text.size() <= max) return text;
    if (g_codePage == 932) return base::cutCp932Bytes(text, max);
    std::size_t n = max;
    // Step back over UTF-8 continuation bytes so no character is split.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
}

void copyCallerText(std::string_view text, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    const std::string_view cut = cutCallerText(text, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
}

bool encodeBiff8(std::string_view text, bool fromCaller, bool wideCount, std::string& out) {
    out.clear();
    if (allAscii(text)) {
        if (wideCount) put16(out, static_cast<unsigned>(text.size()));
        else put8(out, static_cast<unsigned>(text.size()));
        put8(out, 0);
        out.append(text);
        return true;
    }
    bool utf8 = fromCaller && g_codePage == 65001;
    std::string wide;
    if (!(utf8 ? utf8ToUtf16() : cp932ToUtf16()).run(text, wide)) return false;
    std::size_t count = wide.size() / 2;
    if (count > (wideCount ? 0xFFFFu : 0xFFu)) return false;
    if (wideCount) put16(out, static_cast<unsigned>(count));
    else put8(out, static_cast<unsigned>(count));
    put8(out, 1);
    out.append(wide);
    return true;
}

void putDouble(std::string& b, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    put32(b, static_cast<uint32_t>(bits));
    put32(b, static_cast<uint32_t>(bits >> 32));
}

}  // namespace celvane
