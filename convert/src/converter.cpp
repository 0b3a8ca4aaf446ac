#include "convert/converter.h"

#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "base/wordscan.h"
#include "chart/scramble.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>

#include "base/format.h"
#include <cstring>
#include <string_view>
#include <vector>

namespace convert {

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = base::vformatCapped(512, fmt, ap);
    va_end(ap);
    return s;
}

// Character classes for the scanning loops: blanks end words, "=" ends a signal name
// and "(" a keyword.
constexpr unsigned char kBlank = 1, kEquals = 2, kOpen = 4;
constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> t{};
    t[' '] = t['\t'] = kBlank;
    t['='] = kEquals;
    t['('] = kOpen;
    return t;
}();
inline unsigned classOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }
inline bool isBlank(char c) { return classOf(c) == kBlank; }

using base::bytesEqual;
using base::firstMarked;
using base::loadFirstLow;

// Position of the first blank (space or tab) in p[i..n), or n; eight bytes at a time.
inline std::size_t findBlank(const char* p, std::size_t i, std::size_t n) {
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v = loadFirstLow(p + i);
        if (std::uint64_t m = bytesEqual(v, ' ') | bytesEqual(v, '\t')) return i + firstMarked(m);
    }
    while (i < n && !isBlank(p[i])) ++i;
    return i;
}

// Position of the first byte `c` in p[i..n), or n; eight bytes at a time.
inline std::size_t findByte(const char* p, std::size_t i, std::size_t n, char c) {
    for (; i + 8 <= n; i += 8)
        if (std::uint64_t m = bytesEqual(loadFirstLow(p + i), static_cast<unsigned char>(c))) return i + firstMarked(m);
    while (i < n && p[i] != c) ++i;
    return i;
}

// True when some byte of `s` is above 127.
inline bool hasHighByte(std::string_view s) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::uint64_t all = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) all |= loadFirstLow(p + i);
    unsigned char rest = 0;
    for (; i < n; ++i) rest |= static_cast<unsigned char>(p[i]);
    return (all & base::kByteHighs) || (rest & 0x80);
}

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `v` in decimal at `p`, zero-padded to at least `width` digits, as "%0*d"
// does (a minus sign counts towards the width); returns the end. At most 32 bytes.
char* putPadded(char* p, long long v, int width) {
    // The usual case, a number that fits its width: fill from the right.
    static constexpr long long kLimits[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000,
                                            1000000000, 10000000000LL, 100000000000LL, 1000000000000LL};
    if (v >= 0 && width > 0 && width <= 12 && v < kLimits[width]) {
        unsigned long long u = static_cast<unsigned long long>(v);
        if (u < 4294967296ULL) {
            std::uint32_t w = static_cast<std::uint32_t>(u);
            int k = width;
            while (k >= 2) {
                std::uint32_t pair = w % 100;
                w /= 100;
                p[k - 2] = kPairs[2 * pair];
                p[k - 1] = kPairs[2 * pair + 1];
                k -= 2;
            }
            if (k == 1) p[0] = static_cast<char>('0' + w % 10);
        } else {
            for (int k = width - 1; k >= 0; --k) {
                p[k] = static_cast<char>('0' + u % 10);
                u /= 10;
            }
        }
        return p + width;
    }
    char buf[24];
    int n = 0;
    bool neg = v < 0;
    unsigned long long u = neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
        buf[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (neg) *p++ = '-';
    for (int pad = width - n - (neg ? 1 : 0); pad > 0; --pad) *p++ = '0';
    while (n) *p++ = buf[--n];
    return p;
}

// Reads an optionally signed decimal integer at s[i]; false when there is no digit.
// The value saturates instead of overflowing.
inline bool readInt(std::string_view s, std::size_t& i, long long& v) {
    const char* p = s.data();
    const std::size_t n = s.size();
    bool neg = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) neg = p[i++] == '-';
    std::size_t start = i;
    unsigned long long u = 0;
    for (unsigned d; i < n && (d = static_cast<unsigned char>(p[i]) - '0') < 10; ++i)
        u = u < 100000000000ULL ? u * 10 + d : u;
    if (i == start) return false;
    v = neg ? -static_cast<long long>(u) : static_cast<long long>(u);
    return true;
}

// Leading integer of a text as atoi reads it (0 when there is none), saturated.
long long leadingInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    long long v = 0;
    return readInt(s, i, v) ? v : 0;
}

// Leading decimal number (digits with an optional point and more digits).
double leadingDecimal(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    double v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min(v * 10 + (s[i] - '0'), 1e15);
    if (i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10) v += (s[i] - '0') * scale;
    }
    return neg ? -v : v;
}

std::int32_t clamp32(long long v) {
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

struct TimeStamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::string_view digits;  // fraction digits as written
};

enum class Keyword { None, Off, On, Pulse, Graph, Value, Disp };

struct Event {
    std::string_view name;
    Keyword keyword = Keyword::None;
    std::int32_t value = 0;
    std::string_view suffix;  // PULSE unit suffix
    std::string_view text;    // DISP text
    std::string_view comment;
};

// The bytes of a short word (at most 8) in one number, each with bit 5 set. Bit 5
// turns an upper-case letter into its lower case, and only the two cases of a letter
// come out as that lower-case letter, so comparing with the folded lower-case keyword
// is a comparison that ignores the letter case.
constexpr std::uint64_t folded(std::string_view k) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < k.size(); ++i) v |= std::uint64_t(static_cast<unsigned char>(k[i]) | 0x20) << (8 * i);
    return v;
}

Keyword keywordOf(std::string_view k) {
    // Pick the candidates by length, then compare the folded words.
    switch (k.size()) {
        case 2: return folded(k) == folded("on") ? Keyword::On : Keyword::None;
        case 3: return folded(k) == folded("off") ? Keyword::Off : Keyword::None;
        case 4: return folded(k) == folded("disp") ? Keyword::Disp : Keyword::None;
        case 5: {
            std::uint64_t f = folded(k);
            if (f == folded("pulse")) return Keyword::Pulse;
            if (f == folded("graph")) return Keyword::Graph;
            if (f == folded("value")) return Keyword::Value;
            return Keyword::None;
        }
        default: return Keyword::None;
    }
}

// Date "y/m/d" and time "h:m:s[.digits]" words. Values outside the calendar and the
// clock (or a fraction with other characters than digits) make the stamp unreadable,
// since a chart could not store them.
inline bool isDigit(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - 48u < 10u; }
inline int twoDigits(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

bool parseStampSlow(std::string_view date, std::string_view time, TimeStamp& ts);

bool parseStamp(std::string_view date, std::string_view time, TimeStamp& ts) {
    // The usual shape "YYYY/MM/DD HH:MM:SS[.digits]" is read directly; anything else
    // takes the general way.
    const char* d = date.data();
    const char* t = time.data();
    // Digits of "YYYY/MM/" and of "HH:MM:SS", checked eight bytes at a time.
    constexpr std::uint64_t kDateDigits = 0x0080800080808080ULL, kTimeDigits = 0x8080008080008080ULL;
    if (date.size() == 10 && time.size() >= 8 && d[4] == '/' && d[7] == '/' && t[2] == ':' && t[5] == ':' &&
        (base::digitBytes(loadFirstLow(d)) & kDateDigits) == kDateDigits && isDigit(d[8]) && isDigit(d[9]) &&
        (base::digitBytes(loadFirstLow(t)) & kTimeDigits) == kTimeDigits && (time.size() == 8 || t[8] == '.')) {
        ts.year = twoDigits(d) * 100 + twoDigits(d + 2);
        ts.month = twoDigits(d + 5);
        ts.day = twoDigits(d + 8);
        ts.hour = twoDigits(t);
        ts.minute = twoDigits(t + 3);
        ts.second = twoDigits(t + 6);
        ts.digits = time.size() > 8 ? time.substr(9) : std::string_view{};
        for (char c : ts.digits)
            if (!isDigit(c)) return false;
        return ts.month >= 1 && ts.month <= 12 && ts.day >= 1 && ts.day <= 31 && ts.hour <= 23 && ts.minute <= 59 &&
               ts.second <= 59;
    }
    return parseStampSlow(date, time, ts);
}

bool parseStampSlow(std::string_view date, std::string_view time, TimeStamp& ts) {
    long long v[6];
    std::size_t i = 0;
    for (int k = 0; k < 3; ++k) {
        if (!readInt(date, i, v[k])) return false;
        if (k < 2) {
            if (i >= date.size() || date[i] != '/') return false;
            ++i;
        }
    }
    if (i != date.size()) return false;
    i = 0;
    for (int k = 3; k < 6; ++k) {
        if (!readInt(time, i, v[k])) return false;
        if (k < 5) {
            if (i >= time.size() || time[i] != ':') return false;
            ++i;
        }
    }
    ts.digits = {};
    if (i < time.size()) {
        if (time[i] != '.') return false;
        ts.digits = time.substr(i + 1);
        for (char c : ts.digits)
            if (c < '0' || c > '9') return false;
    }
    if (v[0] < 0 || v[0] > 9999 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31 || v[3] < 0 || v[3] > 23 ||
        v[4] < 0 || v[4] > 59 || v[5] < 0 || v[5] > 59)
        return false;
    ts.year = static_cast<int>(v[0]);
    ts.month = static_cast<int>(v[1]);
    ts.day = static_cast<int>(v[2]);
    ts.hour = static_cast<int>(v[3]);
    ts.minute = static_cast<int>(v[4]);
    ts.second = static_cast<int>(v[5]);
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The event word: "$", name, "=", keyword and an optional "(argument)".
bool parseEventWord(std::string_view w, Event& ev) {
    std::size_t i = 0;
    while (i < w.size() && isBlank(w[i])) ++i;
    if (i >= w.size() || w[i] != '$') return false;
    ++i;
    std::size_t n0 = i;
    while (i < w.size() && !(classOf(w[i]) & (kBlank | kEquals))) ++i;
    ev.name = w.substr(n0, i - n0);
    while (i < w.size() && isBlank(w[i])) ++i;
    if (i >= w.size() || w[i] != '=') return false;
    ++i;
    std::size_t k0 = i;
    while (i < w.size() && !(classOf(w[i]) & (kBlank | kOpen))) ++i;
    std::string_view keyword = w.substr(k0, i - k0);
    // A signal without a name could not be listed or read back.
    if (keyword.empty() || ev.name.empty()) return false;
    ev.keyword = keywordOf(keyword);
    if (ev.keyword == Keyword::None) return false;

    std::string_view arg;
    bool hasArg = false;
    if (i < w.size() && w[i] == '(') {
        std::size_t close = w.find(')', i + 1);
        if (close != std::string_view::npos) {
            arg = w.substr(i + 1, close - i - 1);
            hasArg = true;
        }
    }
    ev.value = 0;
    ev.suffix = {};
    ev.text = {};
    switch (ev.keyword) {
        case Keyword::Off: ev.value = 0; break;
        case Keyword::On: ev.value = 1; break;
        case Keyword::Pulse:
            if (hasArg) {
                std::size_t d = 0;
                while (d < arg.size() && arg[d] >= '0' && arg[d] <= '9') ++d;
                ev.value = clamp32(leadingInt(arg.substr(0, d)));
                ev.suffix = arg.substr(d);
            }
            break;
        case Keyword::Graph:
            if (hasArg) ev.value = clamp32(std::clamp<long long>(leadingInt(arg), -2147483, 2147483) * 1000);
            break;
        case Keyword::Value:
            if (hasArg) {
                double p = std::clamp(leadingDecimal(arg), 0.0, 100.0);
                ev.value = static_cast<std::int32_t>(p * 1000);
            }
            break;
        case Keyword::Disp:
            if (hasArg && !arg.empty() && arg.front() == '"') {
                arg.remove_prefix(1);
                if (!arg.empty() && arg.back() == '"') arg.remove_suffix(1);
                ev.text = arg;
            }
            break;
        case Keyword::None: break;
    }
    return true;
}

char letterOf(Keyword k) {
    switch (k) {
        case Keyword::Off:
        case Keyword::On: return 'S';
        case Keyword::Pulse: return 'P';
        case Keyword::Graph: return 'G';
        case Keyword::Value: return 'V';
        case Keyword::Disp: return 'D';
        case Keyword::None: break;
    }
    return '?';
}

// Spreads every input bit over the low bits, which pick the slot.
inline std::uint64_t mixBits(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDULL;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ULL;
    return x ^ (x >> 33);
}

// Hash of a list text. Names and comments are short, so the bytes go in a word at a
// time: eight-byte pieces (the last one overlapping the one before), or for shorter
// texts two overlapping four-byte pieces, or the first, middle and last byte. Only
// the lookup uses it; the numbers of the entries do not depend on it.
std::uint64_t hashText(std::string_view s) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::uint64_t h = n * 0x9E3779B97F4A7C15ULL;
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) h = mixBits(h ^ loadFirstLow(p + i));
        return mixBits(h ^ loadFirstLow(p + n - 8));
    }
    std::uint64_t w = 0;
    if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        w = (std::uint64_t(a) << 32) | b;
    } else if (n > 0) {
        w = static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[n / 2]) << 8) |
            (static_cast<unsigned char>(p[n - 1]) << 16);
    }
    return mixBits(h ^ w);
}

// A list of texts in order of first appearance, without duplicates; numbers count
// from 1. Looked up through an open-addressing table of entry numbers.
class TextList {
public:
    TextList() : slots_(64, 0) {}
    int find(std::string_view s) const {
        std::uint64_t h = hashText(s);
        std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            int no = slots_[i];
            if (no == 0) return 0;
            if (hashes_[no - 1] == h && entries_[no - 1] == s) return no;
        }
    }
    int add(std::string_view s) {
        entries_.emplace_back(s);
        hashes_.push_back(hashText(s));
        int no = static_cast<int>(entries_.size());
        if (entries_.size() * 2 > slots_.size()) rehash(slots_.size() * 2);
        else place(no);
        return no;
    }
    const std::vector<std::string>& entries() const { return entries_; }

private:
    void place(int no) {
        std::size_t mask = slots_.size() - 1;
        std::size_t i = hashes_[no - 1] & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = no;
    }
    void rehash(std::size_t size) {
        slots_.assign(size, 0);
        for (int no = 1; no <= static_cast<int>(entries_.size()); ++no) place(no);
    }
    std::vector<std::string> entries_;
    std::vector<std::uint64_t> hashes_;
    std::vector<int> slots_;
};

// Writes lines through the scrambling, numbering them from 1.
class LineWriter {
public:
    explicit LineWriter(base::AtomicFile& f) : f_(f) {
        const unsigned char* r = chart::scrambleReadTable();
        read_ = r;
        for (int j = 0; j < 256; ++j) write_[r[j]] = static_cast<unsigned char>(j);
    }
    // Scrambles one line into the buffer; the buffer goes out in large pieces. The
    // writing table maps 10, 13 and 26 to themselves, so no test is needed for them.
    bool line(std::string_view text) {
        ++lineNo_;
        // The buffer only grows (never shrinks), so a line usually costs no resize.
        std::size_t need = used_ + text.size() + 3;
        if (need > buf_.size()) buf_.resize(std::max(need, kFlushBytes + 4096));
        char* p = buf_.data() + used_;
        used_ = need;
        *p++ = static_cast<char>(read_[lineNo_ & 255] % 9 + 1);
        const unsigned char* table = write_.data();
        const unsigned char* from = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t n = text.size();
        std::size_t k = 0;
        for (; k + 4 <= n; k += 4) {
            p[k] = static_cast<char>(table[from[k]]);
            p[k + 1] = static_cast<char>(table[from[k + 1]]);
            p[k + 2] = static_cast<char>(table[from[k + 2]]);
            p[k + 3] = static_cast<char>(table[from[k + 3]]);
        }
        for (; k < n; ++k) p[k] = static_cast<char>(table[from[k]]);
        p += n;
        *p++ = '\r';
        *p = '\n';
        return used_ < kFlushBytes || flush();
    }
    bool flush() {
        bool ok = f_.write(std::string_view(buf_.data(), used_));
        used_ = 0;
        return ok;
    }

private:
    base::AtomicFile& f_;
    const unsigned char* read_;
    static constexpr std::size_t kFlushBytes = 1 << 16;
    std::array<unsigned char, 256> write_{};
    std::string buf_;
    std::size_t used_ = 0;  // bytes of buf_ waiting to be written
    unsigned lineNo_ = 0;
};

// Splits a data line into date, time, event word and comment. Returns false when the
// line has fewer than two words.
struct DataLine {
    std::string_view date, time, word, comment;
};
bool splitLine(std::string_view line, DataLine& d) {
    const char* p = line.data();
    const std::size_t n = line.size();
    std::size_t i = 0;
    // Words end at a blank or a tab.
    auto word = [&](std::string_view& out) {
        while (i < n && isBlank(p[i])) ++i;
        std::size_t s = i;
        i = findBlank(p, i, n);
        out = std::string_view(p + s, i - s);
        return i > s;
    };
    if (!word(d.date) || !word(d.time)) return false;
    word(d.word);
    // The comment begins at the first "//" of the line. One in the date or time word
    // would have made the stamp unreadable, so the search starts at the event word.
    d.comment = {};
    std::size_t from = d.word.empty() ? i : static_cast<std::size_t>(d.word.data() - p);
    while (from + 1 < n) {
        std::size_t c = findByte(p, from, n - 1, '/');
        if (c >= n - 1) break;
        if (p[c + 1] == '/') {
            d.comment = trimBlanks(line.substr(c + 2));
            break;
        }
        from = c + 1;
    }
    return true;
}

class Run {
public:
    Run(std::string& reason, ConvertStats& stats, std::optional<base::InputCode> code)
        : reason_(reason), stats_(stats), code_(code) {
        if (code && *code != base::InputCode::Sjis && *code != base::InputCode::Utf8) decoder_.emplace(*code);
    }
    int go(const std::string& input, const std::string& output);

private:
    enum class LineKind { Skip, End, Data };
    LineKind classify(std::string_view raw);
    bool readLine(base::BlockLineReader& in, std::string_view& raw);
    bool firstPass(base::BlockLineReader& in);
    bool writeHeader(LineWriter& w);
    bool writeSection(LineWriter& w, const char* name, const TextList& list, bool signals);
    bool secondPass(base::BlockLineReader& in, LineWriter& w);
    bool addToPool(TextList& list, std::string_view s, const char* what, int& no);
    std::string forChart(std::string_view raw, bool& ok);
    void appendStamp(std::string& out, const TimeStamp& ts, std::string_view digits, bool header) const;
    char* putStamp(char* p, const TimeStamp& ts, std::string_view digits, bool header) const;

    std::string& reason_;
    ConvertStats& stats_;
    std::optional<base::InputCode> code_;
    std::optional<base::LineDecoder> decoder_;  // JIS and EUC-JP logs: lines to UTF-8
    std::string decoded_;
    TextList signals_, comments_, displays_;
    std::vector<long> eventCounts_;
    std::size_t poolUsed_ = 0;
    TimeStamp start_, end_;
    std::string startDigits_, endDigits_;
    bool haveStart_ = false;
    int digits_ = 0;
    long lineNo_ = 0;
    bool sawNonAscii_ = false;
    bool allUtf8_ = true;
    bool utf8_ = false;
};

// Reads a line of up to 1023 bytes (the rest of a longer line is dropped); lines of
// JIS and EUC-JP logs come back as UTF-8.
bool Run::readLine(base::BlockLineReader& in, std::string_view& raw) {
    if (!in.next(raw, kMaxLogLine)) return false;
    if (decoder_) {
        decoder_->decode(raw, decoded_);
        raw = decoded_;
    }
    return true;
}

Run::LineKind Run::classify(std::string_view raw) {
    if (raw.empty() || raw[0] == '#' || raw[0] == ';') return LineKind::Skip;
    if (raw == "/") return LineKind::End;
    // Lines holding NUL bytes are not text; skip them.
    if (std::memchr(raw.data(), 0, raw.size())) return LineKind::Skip;
    return LineKind::Data;
}

bool Run::addToPool(TextList& list, std::string_view s, const char* what, int& no) {
    no = list.find(s);
    if (no) return true;
    if (poolUsed_ + s.size() + kEntryOverhead > kTextPoolBytes) {
        reason_ = format("テキスト領域(%zu バイト)が不足しました。%s を登録できません(%ld 行目)。", kTextPoolBytes, what,
                         lineNo_);
        return false;
    }
    poolUsed_ += s.size() + kEntryOverhead;
    no = list.add(s);
    return true;
}

bool Run::firstPass(base::BlockLineReader& in) {
    std::string_view raw;
    if (decoder_) decoder_->reset();
    while (readLine(in, raw)) {
        ++lineNo_;
        LineKind k = classify(raw);
        if (k == LineKind::End) break;
        if (k == LineKind::Skip) continue;
        ++stats_.dataLines;
        if (hasHighByte(raw)) {
            sawNonAscii_ = true;
            if (allUtf8_ && !base::isValidUtf8(raw)) allUtf8_ = false;
        }
        DataLine d;
        TimeStamp ts;
        if (!splitLine(raw, d) || !parseStamp(d.date, d.time, ts)) continue;
        std::string_view digits = ts.digits.substr(0, kMaxFractionDigits);
        end_ = ts;
        endDigits_.assign(digits);
        Event ev;
        if (!parseEventWord(d.word, ev)) continue;
        if (!haveStart_) {
            start_ = ts;
            startDigits_.assign(digits);
            haveStart_ = true;
        }
        digits_ = std::max(digits_, static_cast<int>(digits.size()));
        int no = 0;
        if (!addToPool(signals_, ev.name, "信号名", no)) return false;
        if (no > kMaxListedSignals) {
            reason_ = format("信号数が %d を越えました(%ld 行目)。", kMaxListedSignals, lineNo_);
            return false;
        }
        if (static_cast<std::size_t>(no) >= eventCounts_.size()) eventCounts_.resize(no + 1, 0);
        ++eventCounts_[no];
        if (!d.comment.empty() && !addToPool(comments_, d.comment, "コメント", no)) return false;
        if (!ev.text.empty() && !addToPool(displays_, ev.text, "表示文字列", no)) return false;
    }
    stats_.signals = static_cast<int>(signals_.entries().size());
    stats_.comments = static_cast<int>(comments_.entries().size());
    stats_.displays = static_cast<int>(displays_.entries().size());
    stats_.digits = digits_;
    return true;
}

// A log text in the chart's code: bytes unchanged for a Shift-JIS log, converted
// from UTF-8 otherwise.
std::string Run::forChart(std::string_view raw, bool& ok) {
    ok = true;
    if (!utf8_) return std::string(raw);
    base::Conversion c = base::utf8ToCp932(raw);
    if (!c.ok) {
        reason_ = format("文字「%s」は Shift-JIS で表せないため、チャートに書けません。", c.bad.c_str());
        ok = false;
    }
    return c.text;
}

// "%04d/%02d/%02d %02d:%02d:%02d.%0*.0f" in the header, "%04d%02d%02d %02d%02d%02d %0*.0f"
// in [Timing]; the fraction is a whole number below 10^12, so it is written as one.
void Run::appendStamp(std::string& out, const TimeStamp& ts, std::string_view digits, bool header) const {
    char buf[80];
    out.append(buf, putStamp(buf, ts, digits, header));
}

// Two digits of a number below 100 (the clock and calendar fields); others take the
// general way.
inline char* putTwo(char* p, int v) {
    if (static_cast<unsigned>(v) >= 100u) return putPadded(p, v, 2);
    p[0] = kPairs[2 * v];
    p[1] = kPairs[2 * v + 1];
    return p + 2;
}

char* Run::putStamp(char* p, const TimeStamp& ts, std::string_view digits, bool header) const {
    if (static_cast<unsigned>(ts.year) < 10000u) {
        p = putTwo(p, ts.year / 100);
        p = putTwo(p, ts.year % 100);
    } else {
        p = putPadded(p, ts.year, 4);
    }
    if (header) *p++ = '/';
    p = putTwo(p, ts.month);
    if (header) *p++ = '/';
    p = putTwo(p, ts.day);
    *p++ = ' ';
    p = putTwo(p, ts.hour);
    if (header) *p++ = ':';
    p = putTwo(p, ts.minute);
    if (header) *p++ = ':';
    p = putTwo(p, ts.second);
    *p++ = header ? '.' : ' ';
    // The fraction digits (all digits, at most 12) cut or filled with zeros to the
    // chart's digits are the digits of that whole number at that width; with no
    // digits at all the number 0 is written.
    if (digits_ == 0) {
        *p++ = '0';
        return p;
    }
    std::size_t width = static_cast<std::size_t>(digits_);
    std::size_t used = std::min(digits.size(), width);
    if (used) std::memcpy(p, digits.data(), used);
    std::memset(p + used, '0', width - used);
    return p + width;
}

bool Run::writeSection(LineWriter& w, const char* name, const TextList& list, bool signals) {
    if (!w.line(name)) return false;
    const auto& entries = list.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        bool ok = true;
        std::string text = forChart(entries[i], ok);
        if (!ok) return false;
        // An entry too long for a chart line ends its section.
        if (text.size() > kMaxEntryBytes) break;
        std::string line = format("%04zu=", i + 1);
        line += text;
        if (signals) line += format(" %ld", eventCounts_[i + 1]);
        if (!w.line(line)) return false;
    }
    return true;
}

bool Run::writeHeader(LineWriter& w) {
    TimeStamp zero;
    const TimeStamp& s = haveStart_ ? start_ : zero;
    std::string_view sd = haveStart_ ? std::string_view(startDigits_) : std::string_view{};
    std::string st, et;
    appendStamp(st, s, sd, true);
    appendStamp(et, end_, endDigits_, true);
    return w.line(" [KOV:TCT:V1.01 ]") && w.line("[Common]") && w.line(format("Decimal=%d", digits_)) &&
           w.line("Start=" + st) && w.line("End=" + et) && w.line("DisplayStart=" + st) &&
           w.line("DisplayEnd=" + et) && w.line("") && writeSection(w, "[Signal]", signals_, true) && w.line("") &&
           writeSection(w, "[Comment]", comments_, false) && w.line("") &&
           writeSection(w, "[Display]", displays_, false) && w.line("") && w.line("[Timing]");
}

bool Run::secondPass(base::BlockLineReader& in, LineWriter& w) {
    std::string_view raw;
    std::string buf;
    if (decoder_) decoder_->reset();
    while (readLine(in, raw)) {
        LineKind k = classify(raw);
        if (k == LineKind::End) break;
        if (k == LineKind::Skip) continue;
        DataLine d;
        TimeStamp ts;
        Event ev;
        if (!splitLine(raw, d) || !parseStamp(d.date, d.time, ts) || !parseEventWord(d.word, ev)) continue;
        int signalNo = signals_.find(ev.name);
        int commentNo = d.comment.empty() ? 0 : comments_.find(d.comment);
        std::int32_t value = ev.keyword == Keyword::Disp ? (ev.text.empty() ? 0 : displays_.find(ev.text)) : ev.value;
        // The record is built in a buffer with room for the longest suffix this line
        // can hold (its own length) plus the fixed fields.
        if (buf.size() < raw.size() + 128) buf.resize(raw.size() + 128);
        char* p = buf.data();
        p = putStamp(p, ts, ts.digits.substr(0, kMaxFractionDigits), false);
        *p++ = ' ';
        p = putPadded(p, signalNo, 4);
        *p++ = ' ';
        *p++ = letterOf(ev.keyword);
        *p++ = ' ';
        p = putPadded(p, value, 6);
        if (!ev.suffix.empty()) {
            std::memcpy(p, ev.suffix.data(), ev.suffix.size());
            p += ev.suffix.size();
        }
        *p++ = ' ';
        p = putPadded(p, commentNo, 4);
        if (!w.line(std::string_view(buf.data(), static_cast<std::size_t>(p - buf.data())))) return false;
        ++stats_.eventLines;
    }
    return true;
}

int Run::go(const std::string& input, const std::string& output) {
    base::BlockLineReader in;
    if (input.empty() || base::isDirectory(input) || !in.open(input)) {
        reason_ = format("入力ファイルを開けません(%s)。", input.c_str());
        return kConvertUsage;
    }
    if (!firstPass(in)) return kConvertLimit;
    // A chart without events cannot be read back (its time range is empty): say so
    // and leave any previous chart as it is.
    if (!haveStart_) {
        reason_ = format("イベント行がありません(%s)。", input.c_str());
        return kConvertNoEvents;
    }
    // A log is taken as UTF-8 when it holds non-ASCII text that is all well-formed
    // UTF-8; Shift-JIS text practically never is, and stays byte for byte.
    utf8_ = code_ ? *code_ != base::InputCode::Sjis : sawNonAscii_ && allUtf8_;
    stats_.utf8 = utf8_;

    base::AtomicFile out;
    if (!out.open(output)) {
        reason_ = format("出力ファイルを作成できません(%s)。", output.c_str());
        return kConvertOutputFailed;
    }
    LineWriter w(out);
    bool written = writeHeader(w);
    if (!written && !reason_.empty()) return kConvertLimit;
    in.close();
    if (written && !in.open(input)) {
        reason_ = format("入力ファイルを開けません(%s)。", input.c_str());
        return kConvertUsage;
    }
    if (written) written = secondPass(in, w);
    if (!written || !w.flush() || !out.commit()) {
        reason_ = format("出力ファイルに書き込めません(%s)。", output.c_str());
        return kConvertOutputFailed;
    }
    return kConvertOk;
}

}  // namespace

int Converter::convert(const std::string& input, const std::string& output) {
    reason_.clear();
    stats_ = ConvertStats();
    output_ = output;
    Run run(reason_, stats_, inputCode_);
    return run.go(input, output);
}

int Converter::run(int argc, const char* const* argv) {
    reason_.clear();
    stats_ = ConvertStats();
    output_.clear();
    if (argc < 2 || !argv) {
        reason_ = "引数がありません。";
        return kConvertUsage;
    }
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i] ? argv[i] : "";
        if (!a.empty() && a[0] == '-') {
            if (a.size() > 2 && a.substr(0, 2) == "-o") {
                output = std::string(a.substr(2));
            } else {
                reason_ = format("使い方: %s 入力ファイル [-o出力ファイル] (不正な引数 %s)", kConverterId,
                                 std::string(a).c_str());
                return kConvertUsage;
            }
        } else {
            input = std::string(a);
        }
    }
    if (output.empty() && !input.empty()) output = base::replaceExtension(input, ".tct");
    return convert(input, output);
}

int convertLog(int argc, const char* const* argv, std::string* reason) {
    Converter c;
    int r = c.run(argc, argv);
    if (reason) *reason = c.reason();
    return r;
}

}  // namespace convert
