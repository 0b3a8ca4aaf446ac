#include "chart/chart_file.h"

#include "base/files.h"
#include "base/services.h"
#include "base/text.h"
#include "base/wordscan.h"
#include "chart/chart_time.h"
#include "chart/scramble.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <sys/stat.h>

namespace chart {

namespace {

// Stored lines longer than this are cut; the text of a chart line holds at most 255
// bytes, and a scrambled line one marker byte more.
constexpr std::size_t kMaxStoredLine = 1024;

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return {};
    return std::string(buf, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buf - 1));
}

// Reads an optionally signed decimal number at the start of `s` (after blanks),
// clamped to the 32-bit range; 0 when there is none.
std::int32_t toInt(std::string_view s) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t')) ++i;
    bool neg = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) neg = p[i++] == '-';
    std::uint64_t v = 0;
    for (unsigned d; i < n && (d = static_cast<unsigned char>(p[i]) - '0') < 10; ++i)
        v = v < 2147483648ULL ? v * 10 + d : v;
    if (v > 2147483648ULL) v = 2147483648ULL;
    long long r = neg ? -static_cast<long long>(v) : static_cast<long long>(v);
    if (r > 2147483647LL) r = 2147483647LL;
    return static_cast<std::int32_t>(r);
}

// Number from a fixed column range of `s` (the characters that exist).
int column(std::string_view s, std::size_t from, std::size_t len) {
    if (from >= s.size()) return 0;
    return toInt(s.substr(from, len));
}

// The chart tokeniser: a token runs up to the next blank or comma; behind the
// delimiter further blanks are skipped. An empty token ends the fields.
class Tokens {
public:
    explicit Tokens(std::string_view s) : s_(s) {}
    bool next(std::string_view& tok) {
        const std::size_t size = s_.size();
        std::size_t pos = pos_;
        if (done_ || pos >= size) return false;
        const char* p = s_.data();
        std::size_t end = pos;
        while (end < size && p[end] != ' ' && p[end] != ',') ++end;
        if (end == pos) {
            done_ = true;
            return false;
        }
        tok = std::string_view(p + pos, end - pos);
        pos = end;
        if (pos < size) {
            ++pos;
            while (pos < size && p[pos] == ' ') ++pos;
        }
        pos_ = pos;
        return true;
    }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
    bool done_ = false;
};

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::string_view trimRightBlanks(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Removes the first and the last double quote of a CP932 text; bytes that are the
// second half of a double-byte character are never taken for quotes.
std::string dropOuterQuotes(std::string_view s) {
    std::size_t first = std::string_view::npos, last = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (base::isCp932Lead(b)) {
            ++i;
            continue;
        }
        if (b == '"') {
            if (first == std::string_view::npos) first = i;
            last = i;
        }
    }
    std::string out(s);
    if (first == std::string_view::npos) return out;
    if (last != first) out.erase(last, 1);
    out.erase(first, 1);
    return out;
}

std::string textOf(std::string_view cp932) { return base::fromCp932(base::cutCp932Bytes(cp932, kMaxTextBytes)); }

enum class Section { None, Common, Signal, Comment, Display, Timing };

// The section a line opens, or None.
Section sectionOf(std::string_view line) {
    if (line.empty() || line[0] != '[') return Section::None;
    if (startsWith(line, "[Common]")) return Section::Common;
    if (startsWith(line, "[Signal]")) return Section::Signal;
    if (startsWith(line, "[Comment]")) return Section::Comment;
    if (startsWith(line, "[Display]")) return Section::Display;
    if (startsWith(line, "[Timing]")) return Section::Timing;
    return Section::None;
}

ChartTime parseCommonTime(std::string_view rest, int digits) {
    ChartTime t;
    Tokens tk(rest);
    std::string_view date, time;
    if (!tk.next(date)) return t;
    while (!date.empty() && date.front() == ' ') date.remove_prefix(1);
    t.date = column(date, 0, 4) * 10000 + column(date, 5, 2) * 100 + column(date, 8, 2);
    if (!tk.next(time)) return t;
    t.seconds = column(time, 0, 2) * 3600 + column(time, 3, 2) * 60 + column(time, 6, 2);
    if (time.size() > 9) t.fraction = readFraction(time.substr(9), digits);
    return t;
}

class Reader {
public:
    Reader(ChartModel& m, const std::string& path, const ReadSettings& s, std::size_t fileSize)
        : m_(m), path_(path), settings_(s), fileSize_(fileSize) {}

    // Handles one cleaned line of the current section; false when the read must fail.
    bool line(std::string_view text);
    void section(Section s) { section_ = s; }
    bool tooManySignals() const { return tooManySignals_; }

private:
    void common(std::string_view text);
    bool signal(std::string_view text);
    void numberedText(std::string_view text, bool comment);
    bool timing(std::string_view text);
    bool store(int signalNo, const ChartEvent& e);
    bool memoryError(int signalNo, long long count);

    ChartModel& m_;
    const std::string& path_;
    const ReadSettings& settings_;
    std::size_t fileSize_;
    Section section_ = Section::None;
    bool tooManySignals_ = false;
};

bool Reader::line(std::string_view text) {
    switch (section_) {
        case Section::None: return true;
        case Section::Common: common(text); return true;
        case Section::Signal: return signal(text);
        case Section::Comment: numberedText(text, true); return true;
        case Section::Display: numberedText(text, false); return true;
        case Section::Timing: return timing(text);
    }
    return true;
}

void Reader::common(std::string_view text) {
    if (startsWith(text, "Decimal=")) {
        Tokens tk(text.substr(8));
        std::string_view tok;
        int n = tk.next(tok) ? toInt(tok) : 0;
        int digits = n <= 0 ? 0 : n >= kMaxDecimalDigits ? kMaxDecimalDigits : (n + 2) / 3 * 3;
        if (settings_.minimumResolution > 0) digits = std::min(3 * settings_.minimumResolution - 3, kMaxDecimalDigits);
        m_.setDecimalDigits(digits);
    } else if (startsWith(text, "Start=")) {
        m_.start = parseCommonTime(text.substr(6), m_.decimalDigits);
    } else if (startsWith(text, "End=")) {
        m_.end = parseCommonTime(text.substr(4), m_.decimalDigits);
    } else if (startsWith(text, "DisplayStart=")) {
        m_.displayStart = parseCommonTime(text.substr(13), m_.decimalDigits);
    } else if (startsWith(text, "DisplayEnd=")) {
        m_.displayEnd = parseCommonTime(text.substr(11), m_.decimalDigits);
    }
}

bool Reader::memoryError(int signalNo, long long count) {
    base::services().warningBox(
        base::kBoxInfo, "Chronava",
        format("メモリ領域が確保できませんでした。\n%s\n信号名：%s イベント数：%lld\n", path_.c_str(),
               m_.signalNames[signalNo].c_str(), count));
    base::services().beep();
    return false;
}

bool Reader::signal(std::string_view text) {
    std::size_t eq = text.find('=');
    int no = toInt(text.substr(0, eq));
    if (no < 1 || no > kMaxSignals) return true;
    std::string_view name, countTok;
    int count = kDefaultEventCount;
    if (eq != std::string_view::npos) {
        Tokens tk(text.substr(eq + 1));
        if (tk.next(name) && tk.next(countTok)) count = std::max(0, toInt(countTok));
    }
    // A number given twice replaces its entry; it is still one signal.
    if (!m_.signalDeclared[no]) ++m_.signalCount;
    m_.signalDeclared[no] = true;
    m_.signalNames[no] = textOf(name);
    m_.declaredCounts[no] = count;
    // Every [Timing] record takes well over 16 bytes of the file, so a count beyond
    // that cannot be honest; reserving it would let a damaged file claim any memory.
    std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(count), fileSize_ / 16 + 1);
    try {
        m_.events[no].reserve(room);
    } catch (const std::bad_alloc&) {
        return memoryError(no, count);
    } catch (const std::length_error&) {
        return memoryError(no, count);
    }
    return true;
}

void Reader::numberedText(std::string_view text, bool comment) {
    std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return;
    int no = toInt(text.substr(0, eq));
    int limit = comment ? kMaxComments : kMaxDisplays;
    if (no < 1 || no > limit) return;
    std::string value = dropOuterQuotes(trimRightBlanks(text.substr(eq + 1)));
    auto& texts = comment ? m_.commentTexts : m_.displayTexts;
    if (texts.size() <= static_cast<std::size_t>(no)) texts.resize(static_cast<std::size_t>(no) + 1);
    texts[no] = textOf(value);
    ++(comment ? m_.commentCount : m_.displayCount);
}

// The record shape the converter writes, "YYYYMMDD HHMMSS F SSSS L VVVVVV[u] CCCC"
// with single blanks and plain digits, read in one sweep. Any other shape returns
// false and goes through the tokeniser, which gives the same result for this one.
struct FastRecord {
    std::int32_t date = 0, seconds = 0, signal = 0, value = 0, comment = 0;
    std::int64_t fractionValue = 0;  // the fraction digits as a whole number
    std::string_view fraction, suffix;
    char kind = 0;
};

using base::kByteOnes;
using base::loadFirstLow;

// Position of the first byte `a` or `b` in `s`, or its size; eight bytes at a time.
inline std::size_t findEither(std::string_view s, char a, char b) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v = loadFirstLow(p + i);
        if (std::uint64_t m = base::bytesEqual(v, static_cast<unsigned char>(a)) |
                              base::bytesEqual(v, static_cast<unsigned char>(b)))
            return i + base::firstMarked(m);
    }
    while (i < n && p[i] != a && p[i] != b) ++i;
    return i;
}

bool readFastRecord(std::string_view s, FastRecord& r) {
    const char* p = s.data();
    const char* end = p + s.size();
    // Reads the run of digits at p and returns its length; `v` is its number when the
    // run has at most 19 digits (longer ones only wrap around, and are refused by
    // every caller). Eight bytes at a time where the record has them.
    auto run = [&](std::uint64_t& v) -> int {
        const char* start = p;
        if (end - p >= 8) {
            std::uint64_t w = loadFirstLow(p);
            if (std::uint64_t other = ~base::digitBytes(w) & base::kByteHighs) {
                unsigned n = base::firstMarked(other);
                // The n digits shifted to the top behind zero digits.
                v = n == 0 ? 0 : base::eightDigits((w << (8 * (8 - n))) | ((kByteOnes * '0') >> (8 * n)));
                p += n;
                return static_cast<int>(n);
            }
        }
        v = 0;
        for (; p < end && static_cast<unsigned>(static_cast<unsigned char>(*p)) - 48u < 10u; ++p)
            v = v * 10 + static_cast<unsigned>(*p - '0');
        return static_cast<int>(p - start);
    };
    // Digits up to the next blank (or the end when `last`); at most `maxDigits`.
    auto digits = [&](std::int64_t& v, int minDigits, int maxDigits, bool last) {
        std::uint64_t u;
        int n = run(u);
        if (n < minDigits || n > maxDigits) return false;
        v = static_cast<std::int64_t>(u);
        if (last) return p == end;
        if (p >= end || *p != ' ') return false;
        ++p;
        return p < end && *p != ' ';
    };
    std::int64_t v;
    // The date and the time are read eight bytes at a time when the record is long
    // enough: eight digits and a blank, six digits and a blank.
    if (end - p >= 24) {
        std::uint64_t d = loadFirstLow(p), t = loadFirstLow(p + 9);
        constexpr std::uint64_t kDigits8 = kByteOnes * 0x80, kDigits6 = 0x0000808080808080ULL;
        if (base::digitBytes(d) != kDigits8 || p[8] != ' ' || p[9] == ' ' || (base::digitBytes(t) & kDigits6) != kDigits6 ||
            p[15] != ' ' || p[16] == ' ')
            return false;
        r.date = static_cast<std::int32_t>(base::eightDigits(d));
        // "HHMMSS" and two more bytes: shifted up by two bytes behind two zero
        // digits, the eight digits "00HHMMSS" are the number.
        std::uint32_t hms = base::eightDigits((t << 16) | (kByteOnes * '0' & 0xFFFF));
        r.seconds = static_cast<std::int32_t>(hms / 10000 * 3600 + hms / 100 % 100 * 60 + hms % 100);
        p += 16;
    } else {
        if (!digits(v, 8, 8, false)) return false;
        r.date = static_cast<std::int32_t>(v);
        if (!digits(v, 6, 6, false)) return false;
        r.seconds = static_cast<std::int32_t>(v / 10000 * 3600 + v / 100 % 100 * 60 + v % 100);
    }
    const char* f = p;
    if (!digits(v, 1, 12, false)) return false;
    r.fraction = std::string_view(f, static_cast<std::size_t>(p - 1 - f));
    r.fractionValue = v;
    if (!digits(v, 1, 9, false)) return false;
    r.signal = static_cast<std::int32_t>(v);
    if (end - p < 3 || p[1] != ' ' || p[0] == ',' || p[2] == ' ') return false;
    r.kind = p[0];
    p += 2;
    std::uint64_t value;
    int valueDigits = run(value);
    if (valueDigits == 0 || valueDigits > 9) return false;
    r.value = static_cast<std::int32_t>(value);
    const char* suffix = p;
    while (p < end && *p != ' ') {
        if (*p == ',' || r.kind != kKindPulse) return false;
        ++p;
    }
    r.suffix = std::string_view(suffix, static_cast<std::size_t>(p - suffix));
    if (p >= end || *p != ' ') return false;
    ++p;
    if (!digits(v, 1, 9, true)) return false;
    r.comment = static_cast<std::int32_t>(v);
    return true;
}

bool Reader::timing(std::string_view text) {
    FastRecord fast;
    if (readFastRecord(text, fast)) {
        int no = fast.signal;
        if (no > kMaxSignals) {
            tooManySignals_ = true;
            return true;
        }
        if (no < 1 || !m_.signalDeclared[no]) return true;
        ChartEvent e;
        e.time.date = fast.date;
        e.time.seconds = fast.seconds;
        // Digits exactly as many as the chart's are the number itself (below 10^12,
        // so the double holds it exactly).
        e.time.fraction = fast.fraction.size() == static_cast<std::size_t>(m_.decimalDigits)
                              ? static_cast<double>(fast.fractionValue)
                              : readFraction(fast.fraction, m_.decimalDigits);
        e.kind = fast.kind;
        e.value = fast.value;
        if (e.kind == kKindPulse) e.pulseUnit = fast.suffix == "u" ? kPulseMicro : kPulseMilli;
        e.commentNo = fast.comment;
        return store(no, e);
    }
    Tokens tk(text);
    std::string_view tok[7];
    int n = 0;
    while (n < 7 && tk.next(tok[n])) ++n;
    if (n < 5) return true;
    int no = toInt(tok[3]);
    if (no > kMaxSignals) {
        tooManySignals_ = true;
        return true;
    }
    if (no < 1 || !m_.signalDeclared[no]) return true;
    ChartEvent e;
    e.time.date = toInt(tok[0]);
    std::string_view hms = tok[1];
    e.time.seconds = column(hms, 0, 2) * 3600 + column(hms, 2, 2) * 60 + column(hms, 4, 2);
    e.time.fraction = readFraction(tok[2], m_.decimalDigits);
    e.kind = tok[4][0];
    if (n > 5) {
        std::string_view v = tok[5];
        if (e.kind == kKindPulse) {
            std::size_t i = 0;
            while (i < v.size() && v[i] >= '0' && v[i] <= '9') ++i;
            e.value = toInt(v.substr(0, i));
            e.pulseUnit = v.substr(i) == "u" ? kPulseMicro : kPulseMilli;
        } else {
            e.value = toInt(v);
        }
    } else if (e.kind == kKindPulse) {
        e.pulseUnit = kPulseMilli;
    }
    if (n > 6) e.commentNo = toInt(tok[6]);
    return store(no, e);
}

bool Reader::store(int no, const ChartEvent& e) {
    try {
        m_.events[no].push_back(e);
    } catch (const std::bad_alloc&) {
        return memoryError(no, static_cast<long long>(m_.events[no].size()) + 1);
    }
    m_.signalSlots = std::max(m_.signalSlots, no + 1);
    return true;
}

int fail(ChartModel& model, int* slotCount) {
    model.clear();
    if (slotCount) *slotCount = 0;
    return -1;
}

bool lessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return static_cast<unsigned char>(low(x)) < static_cast<unsigned char>(low(y));
    });
}

}  // namespace

double readFraction(std::string_view text, int digits) {
    double v = 0;
    int used = 0;
    for (std::size_t i = 0; i < text.size() && used < digits; ++i, ++used) {
        char c = text[i];
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    for (; used < digits; ++used) v *= 10;
    return v;
}

int ReadChartFile(bool quiet, const std::string& path, ChartModel& model, int* slotCount,
                  const ReadSettings& settings) {
    base::BlockLineReader in;
    if (!in.open(path)) return fail(model, slotCount);
    model.clear();
    struct stat st {};
    std::size_t fileSize = ::stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;

    Reader reader(model, path, settings, fileSize);
    const unsigned char* table = scrambleReadTable();
    std::string_view stored;
    std::string text;
    long counted = 0;
    while (in.next(stored, kMaxStoredLine)) {
        if (stored.empty()) continue;
        ++counted;
        // Unscramble into a reused buffer: the marker byte (1..9) says the line is
        // scrambled; anything else is plain text.
        // (10, 13 and 26 map to themselves in the table.)
        std::string_view line;
        if (static_cast<unsigned char>(stored[0]) > 9) {
            line = stored;
        } else {
            std::size_t n = stored.size() - 1;
            text.resize(n);
            const unsigned char* from = reinterpret_cast<const unsigned char*>(stored.data()) + 1;
            unsigned char* to = reinterpret_cast<unsigned char*>(text.data());
            std::size_t i = 0;
            for (; i + 4 <= n; i += 4) {
                to[i] = table[from[i]];
                to[i + 1] = table[from[i + 1]];
                to[i + 2] = table[from[i + 2]];
                to[i + 3] = table[from[i + 3]];
            }
            for (; i < n; ++i) to[i] = table[from[i]];
            line = text;
        }
        if (line.size() > kMaxTextBytes) line = base::cutCp932Bytes(line, kMaxTextBytes);
        if (counted == 1 && !startsWith(line, kChartHeader)) {
            in.close();
            base::services().warningBox(
                base::kBoxInfo, "Chronava",
                format("タイミングチャートを生成し直す必要があります。\n生成を実行してください。\n%s\n", path.c_str()));
            base::services().beep();
            base::services().clearStatus();
            return fail(model, slotCount);
        }
        if (!line.empty() && line[0] == '/') break;
        if (Section s = sectionOf(line); s != Section::None) {
            reader.section(s);
        } else {
            // A comment begins at the first "#" or ";".
            line = line.substr(0, findEither(line, '#', ';'));
            line = trimRightBlanks(line);
            if (line.empty()) continue;
            if (!reader.line(line)) {
                in.close();
                return fail(model, slotCount);
            }
        }
    }
    in.close();
    if (counted == 0) return fail(model, slotCount);
    if (rangeCheck(model, path) != 0) return fail(model, slotCount);

    for (int i = 1; i <= model.signalCount; ++i) model.signalOrder[i] = static_cast<std::int16_t>(i);
    if (settings.sortByName)
        std::stable_sort(model.signalOrder.begin() + 1, model.signalOrder.begin() + 1 + model.signalCount,
                         [&](std::int16_t a, std::int16_t b) {
                             return lessNoCase(model.signalNames[a], model.signalNames[b]);
                         });
    if (!quiet && reader.tooManySignals()) {
        base::services().messageBox(base::kBoxInfo, "【 タイミング図作成 】", "信号数が制限を越えています。");
        base::services().beep();
    }
    if (slotCount) *slotCount = model.signalSlots;
    return 0;
}

}  // namespace chart
