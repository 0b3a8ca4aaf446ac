// Reading a log into the source list.
#include "srcview/source_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "base/files.h"
#include "base/services.h"
#include "base/wordscan.h"

namespace srcview {

namespace {

// Raw bytes of a line that are decoded. More than any code needs for 257 CP932 bytes
// (JIS with an escape sequence around every character takes about 4 bytes per byte);
// the rest of a longer line is only looked at for JIS shift changes.
constexpr std::size_t kRawKeep = 4096;
constexpr std::size_t kCountBlock = 1 << 18;
constexpr char kReplacement[] = "\xEF\xBF\xBD";

std::string fileNameLine(const std::string& path) {
    std::string_view form = text::kFileName;
    const std::size_t at = form.find("%s");
    std::string s(form.substr(0, at));
    s.append(path);
    s.append(form.substr(at + 2));
    return s;
}

// Size, lines and tab characters of a file, as the text block budget needs them.
struct FileCounts {
    std::uint64_t size = 0, lines = 0, tabs = 0;
};

// Adds the line feeds and tabs of a block to the counts, sixteen bytes at a time
// where the processor allows.
void countBytes(const char* p, std::size_t n, FileCounts& c) {
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n'), tab = _mm_set1_epi8('\t');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, tab)));
        if (m == 0) continue;  // the common case: neither
        for (int k = 0; k < 16; ++k) {
            c.lines += p[i + static_cast<std::size_t>(k)] == '\n';
            c.tabs += p[i + static_cast<std::size_t>(k)] == '\t';
        }
    }
#endif
    for (; i < n; ++i) {
        c.lines += p[i] == '\n';
        c.tabs += p[i] == '\t';
    }
}

// The size of a regular file that can be opened for reading. Anything else (a folder,
// a pipe, a device) is no log: reading it could block or never end.
bool logFileSize(const std::string& path, std::uint64_t& size) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (ok) size = static_cast<std::uint64_t>(st.st_size);
    return ok;
}

bool countFile(const std::string& path, FileCounts& c) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> buf(kCountBlock);
    bool ok = true;
    char last = '\n';
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        const char* p = buf.data();
        c.size += static_cast<std::uint64_t>(n);
        countBytes(p, static_cast<std::size_t>(n), c);
        last = p[n - 1];
    }
    if (last != '\n') ++c.lines;  // a last line without a line feed
    ::close(fd);
    return ok;
}

// For JIS: the shift changes in the part of a line that is not decoded, reduced to
// the last escape sequence and the last SO or SI, which set the state the next line
// starts in.
std::string jisShiftTail(std::string_view rest) {
    std::string esc, shift;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(rest[i]);
        if (b == 0x0E || b == 0x0F) {
            shift.assign(1, static_cast<char>(b));
        } else if (b == 0x1B) {
            std::string_view r = rest.substr(i + 1);
            for (std::string_view s : {"$B", "$@", "$(B", "$(Q", "(B", "(J", "(H", "(I"})
                if (r.starts_with(s)) {
                    esc.assign(1, '\x1B');
                    esc.append(s);
                    break;
                }
        }
    }
    return esc + shift;
}

// True when all eight bytes of `v` are printable ASCII (0x20..0x7E): no high bit, no
// byte below 0x20 (the subtraction borrows into the top bit of such a byte), no DEL.
inline bool printable8(std::uint64_t v) {
    using base::kByteHighs;
    using base::kByteOnes;
    const std::uint64_t below = (v - 0x20 * kByteOnes) & ~v & kByteHighs;
    const std::uint64_t x = v ^ (0x7F * kByteOnes);
    const std::uint64_t del = (x - kByteOnes) & ~x & kByteHighs;
    return ((v & kByteHighs) | below | del) == 0;
}

// The length of the run of printable ASCII at the start of p[0..n).
inline std::size_t printableRun(const char* p, std::size_t n) {
    std::size_t j = 0;
#ifdef __SSE2__
    // As signed bytes, everything from 0x80 up is negative: one comparison finds
    // those and the controls, another DEL.
    const __m128i space = _mm_set1_epi8(0x20), del = _mm_set1_epi8(0x7F);
    for (; j + 16 <= n; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
        const int bad = _mm_movemask_epi8(_mm_or_si128(_mm_cmplt_epi8(v, space), _mm_cmpeq_epi8(v, del)));
        if (bad) return j + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(bad)));
    }
#endif
    while (j + 8 <= n && printable8(base::loadFirstLow(p + j))) j += 8;
    while (j < n && static_cast<unsigned char>(p[j]) - 0x20u < 0x5Fu) ++j;
    return j;
}

// Cells and byte length of the UTF-8 character at s[i] (see charCells).
inline int cellsAt(std::string_view s, std::size_t i, std::size_t& len) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        len = 1;
        return 1;
    }
    const std::size_t want = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    len = std::min(want, s.size() - i);
    // Half-width katakana U+FF61..U+FF9F: EF BD A1..BF, EF BE 80..9F.
    if (len == 3 && b == 0xEF) {
        const unsigned char b1 = static_cast<unsigned char>(s[i + 1]), b2 = static_cast<unsigned char>(s[i + 2]);
        if ((b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F)) return 1;
    }
    return 2;
}

}  // namespace

int charCells(std::string_view s, std::size_t i, std::size_t& len) { return cellsAt(s, i, len); }

int textCells(std::string_view s) {
    int n = 0;
    for (std::size_t i = 0, len = 0; i < s.size(); i += len) n += charCells(s, i, len);
    return n;
}

bool makeDisplayLine(base::LineDecoder& dec, std::string_view raw, int tabWidth, DisplayLine& out) {
    out.text.clear();
    out.cells = 0;
    out.tabs = 0;
    out.cut = false;
    std::string_view head = raw.substr(0, std::min(raw.size(), kRawKeep));
    std::string decoded;
    bool ok = dec.decode(head, decoded);
    if (raw.size() > head.size()) {
        // The decoded part ends inside the line, perhaps inside a character; that
        // edge lies far beyond the cut, so only the kept text is judged below.
        if (dec.code() == base::InputCode::Jis) {
            std::string scratch, tail = jisShiftTail(raw.substr(head.size()));
            if (!tail.empty()) dec.decode(tail, scratch);
        }
    }
    std::size_t bytes = 0;  // CP932 bytes of the file's text taken so far
    int col = 0;
    const std::size_t n = decoded.size();
    const char* d = decoded.data();
    std::size_t i = 0;
    out.text.reserve(n);
    while (i < n && bytes < kLineBytes) {
        // A run of printable ASCII goes over in one piece.
        const std::size_t limit = std::min(n, i + (kLineBytes - bytes));
        std::size_t j = i + printableRun(d + i, limit - i);
        if (j > i) {
            out.text.append(d + i, j - i);
            bytes += j - i;
            col += static_cast<int>(j - i);
            i = j;
            continue;
        }
        const unsigned char b = static_cast<unsigned char>(d[i]);
        if (b == '\t') {
            ++i;
            ++bytes;
            ++out.tabs;
            if (tabWidth > 0) {
                int spaces = tabWidth - col % tabWidth;
                out.text.append(static_cast<std::size_t>(spaces), ' ');
                col += spaces;
            }
            continue;
        }
        if (b < 0x20 || b == 0x7F) {
            // Control pictures U+2400..U+241F and U+2421 for DEL.
            ++i;
            ++bytes;
            const unsigned cp = b == 0x7F ? 0x2421 : 0x2400 + b;
            const char pic[3] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                                 static_cast<char>(0x80 | (cp & 0x3F))};
            out.text.append(pic, 3);
            col += 2;
            continue;
        }
        // A run of characters beyond ASCII goes over in one piece too.
        j = i;
        while (j < n && bytes < kLineBytes && static_cast<unsigned char>(d[j]) >= 0x80) {
            std::size_t len = 0;
            const int w = cellsAt(decoded, j, len);
            j += len;
            bytes += static_cast<std::size_t>(w);
            col += w;
        }
        out.text.append(d + i, j - i);
        i = j;
    }
    out.cut = i < n;
    out.cells = col;
    if (raw.size() > head.size() && dec.code() != base::InputCode::Jis)
        ok = out.text.find(kReplacement) == std::string::npos;
    return ok;
}

void SourceList::clear() {
    path_.clear();
    block_.clear();
    offsets_.clear();
    lengths_.clear();
    cells_.clear();
    longest_ = 0;
    longLines_ = false;
    hasEof_ = false;
    firstBad_ = 0;
    capacity_ = used_ = 0;
}

std::string_view SourceList::line(int i) const {
    if (i < 0 || i >= count()) return {};
    return std::string_view(block_).substr(offsets_[static_cast<std::size_t>(i)], lengths_[static_cast<std::size_t>(i)]);
}

int SourceList::cells(int i) const {
    if (i < 0 || i >= count()) return 0;
    return cells_[static_cast<std::size_t>(i)];
}

bool SourceList::store(std::string_view t, int cellsWide) {
    // A stored line took its number, two blanks, the text and an end mark.
    const std::uint64_t need = 8 + static_cast<std::uint64_t>(cellsWide);
    if (used_ + need > capacity_) return false;
    used_ += need;
    offsets_.push_back(static_cast<std::uint32_t>(block_.size()));
    lengths_.push_back(static_cast<std::uint32_t>(t.size()));
    cells_.push_back(static_cast<std::uint16_t>(std::min(cellsWide, 0xFFFF)));
    block_.append(t);
    longest_ = std::max(longest_, cellsWide);
    return true;
}

LoadResult SourceList::load(const std::string& path, base::InputCode code, int tabWidth, const StatusSink& status) {
    clear();
    path_ = path;
    auto say = [&](std::string_view s) {
        if (status) status(s);
    };
    base::Services& sv = base::services();
    tabWidth = std::clamp(tabWidth, 0, kMaxTabWidth);

    std::uint64_t size = 0;
    if (!logFileSize(path, size)) {
        sv.messageBox(base::kBoxInfo, text::kCaptionRead, text::kOpenError, fileNameLine(path));
        return LoadResult::OpenFailed;
    }
    // The text block holds the file's bytes, its tabs expanded, and 12 bytes per line
    // more. The lines and tabs read so far give a lower bound of that; the whole file
    // is counted only when a line would not fit under the bound.
    const std::uint64_t tab = static_cast<std::uint64_t>(tabWidth);
    auto budget = [&](std::uint64_t lines, std::uint64_t tabs) { return size + tabs * tab + (lines + 1) * 12 + 268; };
    bool exact = false;
    std::uint64_t tabsSeen = 0;
    auto storeLine = [&](std::string_view t, int cellsWide, int linesSoFar) {
        if (!exact) capacity_ = budget(static_cast<std::uint64_t>(linesSoFar) + 1, tabsSeen);
        if (store(t, cellsWide)) return true;
        if (exact) return false;
        exact = true;
        FileCounts counts;
        if (countFile(path, counts)) capacity_ = std::max(capacity_, budget(counts.lines, counts.tabs));
        return store(t, cellsWide);
    };

    say(text::kReading);
    base::BlockLineReader reader;
    if (!reader.open(path)) {
        sv.messageBox(base::kBoxInfo, text::kCaptionOpen, text::kOpenError, fileNameLine(path));
        return LoadResult::OpenFailed;
    }
    LoadResult result = LoadResult::Ok;
    try {
        const std::size_t lines = static_cast<std::size_t>(std::min<std::uint64_t>(size / 16 + 2, kMaxLines + 1));
        offsets_.reserve(lines);
        lengths_.reserve(lines);
        cells_.reserve(lines);
        // Room for the lines of a typical log; a larger one grows the block as it goes.
        block_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size + 256, std::uint64_t{4} << 20)));

        base::LineDecoder dec(code);
        DisplayLine dl;
        std::string_view raw;
        int n = 0;
        while (reader.next(raw, std::numeric_limits<std::size_t>::max())) {
            if (n == kMaxLines) {
                sv.messageBox(base::kBoxInfo, text::kCaptionRead, text::kTooLarge, path);
                result = LoadResult::TooManyLines;
                break;
            }
            if (!makeDisplayLine(dec, raw, tabWidth, dl) && firstBad_ == 0) firstBad_ = n + 1;
            if (dl.cut) longLines_ = true;
            tabsSeen += static_cast<std::uint64_t>(dl.tabs);
            if (!storeLine(dl.text, dl.cells, n)) {
                say(text::kOverflow);
                sv.messageBox(base::kBoxInfo, text::kCaptionRead, text::kTooLarge, path);
                result = LoadResult::Overflow;
                break;
            }
            ++n;
        }
        if (result == LoadResult::Ok && n < kMaxLines) {
            if (storeLine(kEofText, 5, n)) {
                hasEof_ = true;
            } else {
                say(text::kOverflow);
                sv.messageBox(base::kBoxInfo, text::kCaptionRead, text::kTooLarge, path);
                result = LoadResult::Overflow;
            }
        }
    } catch (const std::bad_alloc&) {
        clear();
        path_ = path;
        sv.messageBox(base::kBoxInfo, text::kCaptionRead, text::kNoMemory);
        return LoadResult::NoMemory;
    }
    if (longLines_ && result != LoadResult::TooManyLines)
        sv.messageBox(base::kBoxInfo, text::kCaptionRead, text::kTooWide, path);
    return result;
}

std::size_t SourceList::byteAtCell(int i, int cell) const {
    std::string_view s = line(i);
    int col = 0;
    std::size_t pos = 0, len = 0;
    for (; pos < s.size() && col < cell; pos += len) col += charCells(s, pos, len);
    return pos;
}

std::string SourceList::textBetween(TextPos a, TextPos b) const {
    if (b.line < a.line || (b.line == a.line && b.cell < a.cell)) std::swap(a, b);
    a.line = std::max(a.line, 0);
    b.line = std::min(b.line, count() - 1);
    std::string out;
    for (int i = a.line; i <= b.line; ++i) {
        std::string_view s = line(i);
        std::size_t from = i == a.line ? byteAtCell(i, a.cell) : 0;
        std::size_t to = i == b.line ? byteAtCell(i, b.cell) : s.size();
        if (i > a.line) out += '\n';
        if (to > from) out.append(s.substr(from, to - from));
    }
    return out;
}

}  // namespace srcview
