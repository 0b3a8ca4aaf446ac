#include "formula/strings.h"

#include "base/text.h"

namespace celvane::formula {
namespace {

bool allAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void putCount(std::vector<std::uint8_t>& out, std::size_t n, bool wide) {
    if (wide) put16(out, static_cast<unsigned>(n));
    else out.push_back(static_cast<std::uint8_t>(n));
}

}  // namespace

bool utf8ToUtf16(std::string_view s, std::vector<std::uint16_t>& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        std::size_t len = base::utf8SeqLen(b);
        if (b >= 0x80 && len == 1) return false;
        if (i + len > s.size()) return false;
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cb & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(cp));
        }
        i += len;
    }
    return true;
}

namespace {

int appendText(std::string_view bytes, CodePage codePage, BiffVersion version, bool wideCount,
               std::size_t maxBytes, std::vector<std::uint8_t>& out) {
    const bool ascii = allAscii(bytes);
    std::string utf8;  // only for non-ASCII text
    std::size_t cp932Bytes = bytes.size();
    if (!ascii) {
        if (codePage == CodePage::Utf8) {
            if (!base::isValidUtf8(bytes)) return kSyntax;
            cp932Bytes = base::cp932Length(bytes);
        }
    }
    if (cp932Bytes > maxBytes) return kStringTooLong;

    if (ascii) {
        putCount(out, bytes.size(), wideCount);
        if (version == BiffVersion::Biff8) out.push_back(0);
        out.insert(out.end(), bytes.begin(), bytes.end());
        return kOk;
    }
    if (version == BiffVersion::Biff5) {
        std::string cp932;
        if (codePage == CodePage::Utf8) {
            base::Conversion c = base::utf8ToCp932(bytes);
            if (!c.ok) return kSyntax;
            cp932 = std::move(c.text);
        } else {
            cp932.assign(bytes);
        }
        putCount(out, cp932.size(), wideCount);
        out.insert(out.end(), cp932.begin(), cp932.end());
        return kOk;
    }
    if (codePage == CodePage::Cp932) {
        base::Conversion c = base::cp932ToUtf8(bytes);
        if (!c.ok) return kSyntax;
        utf8 = std::move(c.text);
    } else {
        utf8.assign(bytes);
    }
    std::vector<std::uint16_t> units;
    if (!utf8ToUtf16(utf8, units)) return kSyntax;
    if (units.size() > maxBytes) return kStringTooLong;
    putCount(out, units.size(), wideCount);
    out.push_back(1);
    for (std::uint16_t u : units) put16(out, u);
    return kOk;
}

}  // namespace

int appendString(std::string_view bytes, CodePage codePage, BiffVersion version, bool wideCount,
                 std::vector<std::uint8_t>& out) {
    return appendText(bytes, codePage, version, wideCount, kMaxString, out);
}

int appendLongString(std::string_view bytes, CodePage codePage, BiffVersion version,
                     std::vector<std::uint8_t>& out) {
    return appendText(bytes, codePage, version, true, 0xFFFF, out);
}

}  // namespace celvane::formula
