#include "base/text.h"

#include "base/wordscan.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

#include <vector>

namespace base {
namespace {

// One iconv conversion descriptor, opened once per thread and direction.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    void reset() {
        if (valid()) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }

private:
    iconv_t cd_;
};

Iconv& cp932Decoder() {
    thread_local Iconv cd("UTF-8", "CP932");
    return cd;
}
Iconv& cp932Encoder() {
    thread_local Iconv cd("CP932", "UTF-8");
    return cd;
}
Iconv& eucDecoder() {
    thread_local Iconv cd("UTF-8", "EUC-JP");
    return cd;
}

bool allAscii(std::string_view s) {
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8)
        if (loadFirstLow(s.data() + i) & kByteHighs) return false;
    for (unsigned char c : s.substr(i))
        if (c >= 0x80) return false;
    return true;
}

const char kReplacement[] = "\xEF\xBF\xBD";

std::string hexByte(unsigned char b) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "\\x";
    s += digits[b >> 4];
    s += digits[b & 15];
    return s;
}

// Runs `in` through `cd`. On an invalid or unconvertible input sequence, `skip`
// tells how many input bytes to drop there and `onBad` records it.
template <typename Skip, typename OnBad>
void convert(Iconv& cd, std::string_view in, std::string& out, Skip skip, OnBad onBad) {
    cd.reset();
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char buf[4096];
    while (il > 0) {
        char* op = buf;
        size_t ol = sizeof buf;
        size_t r = iconv(cd.get(), &ip, &il, &op, &ol);
        out.append(buf, static_cast<size_t>(op - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence at the end).
            size_t n = skip(static_cast<unsigned char>(*ip), il);
            onBad(std::string_view(ip, n), out);
            ip += n;
            il -= n;
            cd.reset();
        }
    }
    char* op = buf;
    size_t ol = sizeof buf;
    iconv(cd.get(), nullptr, nullptr, &op, &ol);
    out.append(buf, static_cast<size_t>(op - buf));
}

Conversion decodeWith(Iconv& cd, std::string_view in, bool twoByteSkip) {
    Conversion c;
    if (allAscii(in)) {
        c.text.assign(in);
        return c;
    }
    c.text.reserve(in.size() * 3 / 2);
    convert(
        cd, in, c.text,
        [&](unsigned char b, size_t left) -> size_t {
            // A bad CP932 pair is dropped whole so the next character stays aligned.
            return (twoByteSkip && isCp932Lead(b) && left >= 2) ? 2 : 1;
        },
        [&](std::string_view bad, std::string& out) {
            if (c.ok) {
                c.ok = false;
                for (unsigned char b : bad) c.bad += hexByte(b);
            }
            out += kReplacement;
        });
    return c;
}

}  // namespace

std::size_t utf8SeqLen(unsigned char b) {
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if ((b & 0xF8) == 0xF0) return 4;
    return 1;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t n = utf8SeqLen(b);
        if (n == 1 || b == 0xC0 || b == 0xC1 || b > 0xF4 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

namespace {

// CP932 decoding by table: every one- and two-byte code looked up once through
// iconv, so that the result is iconv's, byte for byte, at a fraction of its cost per
// line. An entry holds the UTF-8 form (1 to 3 bytes) or length 0 for a code iconv
// refuses.
class Cp932Table {
public:
    struct Entry {
        unsigned char len = 0;
        char utf8[3] = {};
    };
    Cp932Table() {
        Iconv cd("UTF-8", "CP932");
        auto fill = [&](Entry& e, const char* in, size_t inLen) {
            char* ip = const_cast<char*>(in);
            size_t il = inLen;
            char buf[8];
            char* op = buf;
            size_t ol = sizeof buf;
            cd.reset();
            if (iconv(cd.get(), &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return;
            size_t n = static_cast<size_t>(op - buf);
            if (n == 0 || n > 3) return;
            e.len = static_cast<unsigned char>(n);
            for (size_t i = 0; i < n; ++i) e.utf8[i] = buf[i];
        };
        for (int b = 0x80; b < 0x100; ++b) {
            if (isCp932Lead(static_cast<unsigned char>(b))) continue;
            char in[1] = {static_cast<char>(b)};
            fill(single_[b - 0x80], in, 1);
        }
        pairs_.resize(static_cast<size_t>(kLeads) * 256);
        for (int b = 0x80; b < 0x100; ++b) {
            if (!isCp932Lead(static_cast<unsigned char>(b))) continue;
            for (int t = 0; t < 256; ++t) {
                char in[2] = {static_cast<char>(b), static_cast<char>(t)};
                fill(pairs_[static_cast<size_t>(leadIndex(static_cast<unsigned char>(b))) * 256 + static_cast<size_t>(t)],
                     in, 2);
            }
        }
    }
    const Entry& single(unsigned char b) const { return single_[b - 0x80]; }
    const Entry& pair(unsigned char lead, unsigned char trail) const {
        return pairs_[static_cast<size_t>(leadIndex(lead)) * 256 + trail];
    }

private:
    static constexpr int kLeads = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);
    static int leadIndex(unsigned char b) { return b <= 0x9F ? b - 0x81 : b - 0xE0 + (0x9F - 0x81 + 1); }
    Entry single_[128];
    std::vector<Entry> pairs_;
};

const Cp932Table& cp932Table() {
    static const Cp932Table t;
    return t;
}

}  // namespace

Conversion cp932ToUtf8(std::string_view cp932) {
    Conversion c;
    if (allAscii(cp932)) {
        c.text.assign(cp932);
        return c;
    }
    const Cp932Table& table = cp932Table();
    // Written in place: no character takes more than three bytes of UTF-8.
    const size_t n = cp932.size();
    c.text.resize(n * 3);
    char* out = c.text.data();
    size_t o = 0;
    size_t i = 0;
    while (i < n) {
        size_t run = i;
        while (run + 8 <= n && (loadFirstLow(cp932.data() + run) & kByteHighs) == 0) run += 8;
        while (run < n && static_cast<unsigned char>(cp932[run]) < 0x80) ++run;
        std::memcpy(out + o, cp932.data() + i, run - i);
        o += run - i;
        i = run;
        while (i < n && static_cast<unsigned char>(cp932[i]) >= 0x80) {
            const unsigned char b = static_cast<unsigned char>(cp932[i]);
            const Cp932Table::Entry* e;
            size_t used;
            if (isCp932Lead(b)) {
                // A lead byte at the end, or a pair iconv refuses: the pair is
                // dropped whole (one byte at the end) so the next character stays
                // aligned.
                used = i + 1 < n ? 2 : 1;
                e = used == 2 ? &table.pair(b, static_cast<unsigned char>(cp932[i + 1])) : nullptr;
            } else {
                used = 1;
                e = &table.single(b);
            }
            if (e && e->len) {
                std::memcpy(out + o, e->utf8, 3);  // within the space: o + len <= 3 * i
                o += e->len;
            } else {
                if (c.ok) {
                    c.ok = false;
                    for (size_t k = 0; k < used; ++k) c.bad += hexByte(static_cast<unsigned char>(cp932[i + k]));
                }
                std::memcpy(out + o, kReplacement, 3);
                o += 3;
            }
            i += used;
        }
    }
    c.text.resize(o);
    return c;
}

Conversion cp932ToUtf8ByIconv(std::string_view cp932) { return decodeWith(cp932Decoder(), cp932, true); }

Conversion utf8ToCp932(std::string_view utf8) {
    Conversion c;
    if (allAscii(utf8)) {
        c.text.assign(utf8);
        return c;
    }
    c.text.reserve(utf8.size());
    convert(
        cp932Encoder(), utf8, c.text,
        [](unsigned char b, size_t left) -> size_t {
            size_t n = utf8SeqLen(b);
            return n <= left ? n : left;
        },
        [&](std::string_view bad, std::string&) {
            if (c.ok) {
                c.ok = false;
                c.bad.assign(bad);
                if (!isValidUtf8(c.bad)) {
                    c.bad.clear();
                    for (unsigned char b : bad) c.bad += hexByte(b);
                }
            }
        });
    return c;
}

std::string fromCp932(std::string_view cp932) { return cp932ToUtf8(cp932).text; }
std::string toCp932(std::string_view utf8) { return utf8ToCp932(utf8).text; }

bool fitsCp932(std::string_view utf8) { return isValidUtf8(utf8) && utf8ToCp932(utf8).ok; }

namespace {
// CP932 width of one UTF-8 character (given as its bytes).
size_t charCp932Width(std::string_view ch) {
    if (ch.size() == 1) return 1;
    Conversion c = utf8ToCp932(ch);
    return c.ok ? c.text.size() : 2;
}
}  // namespace

std::size_t cp932Length(std::string_view utf8) {
    if (allAscii(utf8)) return utf8.size();
    size_t total = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = utf8SeqLen(static_cast<unsigned char>(utf8[i]));
        if (i + n > utf8.size()) n = utf8.size() - i;
        total += charCp932Width(utf8.substr(i, n));
        i += n;
    }
    return total;
}

std::string cutToCp932(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes && allAscii(utf8)) return std::string(utf8);
    size_t total = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = utf8SeqLen(static_cast<unsigned char>(utf8[i]));
        if (i + n > utf8.size()) n = utf8.size() - i;
        size_t w = charCp932Width(utf8.substr(i, n));
        if (total + w > maxBytes) break;
        total += w;
        i += n;
    }
    return std::string(utf8.substr(0, i));
}

std::string_view cutCp932Bytes(std::string_view cp932, std::size_t maxBytes) {
    if (cp932.size() <= maxBytes) return cp932;
    size_t i = 0;
    while (i < cp932.size()) {
        size_t n = isCp932Lead(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
        if (i + n > maxBytes) break;
        i += n;
    }
    return cp932.substr(0, i);
}

LineDecoder::LineDecoder(InputCode code) : code_(code) {}

void LineDecoder::reset() {
    mode_ = JisMode::Ascii;
    shiftOut_ = false;
}

bool LineDecoder::decode(std::string_view line, std::string& out) {
    out.clear();
    switch (code_) {
    case InputCode::Sjis: {
        Conversion c = cp932ToUtf8(line);
        out = std::move(c.text);
        return c.ok;
    }
    case InputCode::EucJp: {
        Conversion c = decodeWith(eucDecoder(), line, false);
        out = std::move(c.text);
        return c.ok;
    }
    case InputCode::Utf8: {
        if (isValidUtf8(line)) {
            out.assign(line);
            return true;
        }
        bool ok = true;
        size_t i = 0;
        while (i < line.size()) {
            size_t n = utf8SeqLen(static_cast<unsigned char>(line[i]));
            if (i + n <= line.size() && isValidUtf8(line.substr(i, n))) {
                out.append(line.substr(i, n));
                i += n;
            } else {
                out += kReplacement;
                ok = false;
                ++i;
            }
        }
        return ok;
    }
    case InputCode::Jis:
        break;
    }

    // JIS (ISO-2022-JP with JIS X 0201 kana by ESC ( I or SO/SI, and 8-bit kana):
    // translate to EUC-JP, keeping the shift state in the object, then decode.
    std::string euc;
    euc.reserve(line.size());
    bool ok = true;
    size_t i = 0;
    while (i < line.size()) {
        unsigned char b = static_cast<unsigned char>(line[i]);
        if (b == 0x1B) {
            std::string_view rest = line.substr(i + 1);
            if (rest.starts_with("$B") || rest.starts_with("$@")) {
                mode_ = JisMode::Kanji;
                i += 3;
            } else if (rest.starts_with("$(B") || rest.starts_with("$(Q")) {
                mode_ = JisMode::Kanji;
                i += 4;
            } else if (rest.starts_with("(B") || rest.starts_with("(J") || rest.starts_with("(H")) {
                mode_ = JisMode::Ascii;
                i += 3;
            } else if (rest.starts_with("(I")) {
                mode_ = JisMode::Kana;
                i += 3;
            } else {
                ok = false;
                euc += '?';
                ++i;
            }
            continue;
        }
        if (b == 0x0E) {
            shiftOut_ = true;
            ++i;
            continue;
        }
        if (b == 0x0F) {
            shiftOut_ = false;
            ++i;
            continue;
        }
        if (b >= 0xA1 && b <= 0xDF) {  // 8-bit half-width kana
            euc += '\x8E';
            euc += static_cast<char>(b);
            ++i;
            continue;
        }
        if (b >= 0x21 && b <= 0x7E && (mode_ == JisMode::Kana || shiftOut_)) {
            if (b <= 0x5F) {
                euc += '\x8E';
                euc += static_cast<char>(b | 0x80);
            } else {
                ok = false;
                euc += '?';
            }
            ++i;
            continue;
        }
        if (mode_ == JisMode::Kanji && b >= 0x21 && b <= 0x7E) {
            if (i + 1 < line.size()) {
                unsigned char b2 = static_cast<unsigned char>(line[i + 1]);
                if (b2 >= 0x21 && b2 <= 0x7E) {
                    euc += static_cast<char>(b | 0x80);
                    euc += static_cast<char>(b2 | 0x80);
                    i += 2;
                    continue;
                }
            }
            ok = false;
            euc += '?';
            ++i;
            continue;
        }
        if (b >= 0x80) {
            ok = false;
            euc += '?';
            ++i;
            continue;
        }
        euc += static_cast<char>(b);
        ++i;
    }
    Conversion c = decodeWith(eucDecoder(), euc, false);
    out = std::move(c.text);
    return ok && c.ok;
}

}  // namespace base
