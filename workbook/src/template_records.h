// Low-level reading of a workbook file: the compound file's "Book" or "Workbook" stream
// loaded into memory, and bounds-checked walking of its BIFF records. Nothing here
// trusts the file: every length and offset is checked against the loaded stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace celvane::tmplread {

// Longest record data a valid stream carries.
constexpr std::size_t kMaxRecordLength = 8224;
// Streams larger than this are refused (far above any book of 255 sheets of 16384
// rows; keeps a hostile header from making us allocate without limit).
constexpr std::size_t kMaxStreamBytes = std::size_t(1) << 31;

enum : uint16_t {
    kRecFormula = 0x0006, kRecEof = 0x000A, kRecContinue = 0x003C, kRecBof = 0x0809, kRecBoundSheet = 0x0085, kRecSst = 0x00FC, kRecExtSst = 0x00FF,
    kRecIndex = 0x020B, kRecDbCell = 0x00D7, kRecRow = 0x0208, kRecDimensions = 0x0200,
    kRecNumber = 0x0203, kRecRk = 0x027E, kRecMulRk = 0x00BD, kRecMulBlank = 0x00BE,
    kRecBlank = 0x0201, kRecLabel = 0x0204, kRecRString = 0x00D6, kRecLabelSst = 0x00FD,
    kRecBoolErr = 0x0205, kRecString = 0x0207, kRecColInfo = 0x007D, kRecStandardWidth = 0x0099,
    kRecDefColWidth = 0x0055, kRecDefRowHeight = 0x0225, kRecFont = 0x0031, kRecFormat = 0x041E,
    kRecXf = 0x00E0, kRecSetup = 0x00A1, kRecLeftMargin = 0x0026, kRecRightMargin = 0x0027,
    kRecTopMargin = 0x0028, kRecBottomMargin = 0x0029, kRecShrFmla = 0x04BC, kRecArray = 0x0221,
    kRecTable = 0x0236,
};

// BOF record numbers of the BIFF versions (2, 3, 4, 5 and 8).
inline bool isBof(uint16_t id) { return id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809; }

// Which stream was found: "Book" is BIFF5, "Workbook" BIFF8.
enum class StreamKind { None, Book, Workbook };

// Result of loading a stream.
enum class LoadResult { Ok, NoFile, NotCompound, NoStream, TooLarge, ReadError };

// Opens `path` as a compound file and loads its "Book" stream, or else its "Workbook"
// stream, into `out`. `kind` tells which one was found.
LoadResult loadWorkbookStream(const std::string& path, std::vector<uint8_t>& out, StreamKind& kind);
// The same for a compound file held in memory (used by the fuzz target and tests).
LoadResult loadWorkbookStreamFromMemory(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out,
                                        StreamKind& kind);

// Little-endian readers over a byte view; callers check the length first.
inline unsigned rd8(const uint8_t* p) { return p[0]; }
inline unsigned rd16(const uint8_t* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
inline uint32_t rd32(const uint8_t* p) { return rd16(p) | uint32_t(rd16(p + 2)) << 16; }
double rdDouble(const uint8_t* p);
// RK value: bit 1 set = 30-bit integer, else the high half of a double; bit 0 = /100.
double decodeRk(uint32_t rk);

// One record in the stream.
struct RecordView {
    uint16_t id = 0;
    std::size_t offset = 0;  // stream position of the record header
    const uint8_t* data = nullptr;
    std::size_t length = 0;
    std::size_t next() const { return offset + 4 + length; }
};

// Record-by-record reader over a loaded stream.
class RecordReader {
public:
    RecordReader() = default;
    RecordReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit RecordReader(const std::vector<uint8_t>& s) : data_(s.data()), size_(s.size()) {}

    std::size_t size() const { return size_; }
    std::size_t position() const { return pos_; }
    // Moves to a stream position; false (position unchanged) when it is past the end.
    bool seek(std::size_t pos);
    // Reads the record at the current position and moves past it. False at the end of
    // the stream, or when the record is damaged (length over 8224 or running past the
    // end); damaged() tells which.
    bool next(RecordView& rec);
    // Looks at the record at the current position without moving.
    bool peek(RecordView& rec) const;
    bool damaged() const { return damaged_; }

private:
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    bool damaged_ = false;
    bool readAt(std::size_t pos, RecordView& rec, bool& bad) const;
};

// A record's data joined with the data of the CONTINUE records that directly follow
// it. `pieces` holds where each record's data starts in `data` (the first is 0), which
// string readers need because a string continued in a CONTINUE record carries a new
// option byte there. Moves the reader past the last CONTINUE.
struct JoinedRecord {
    uint16_t id = 0;
    std::size_t offset = 0;
    std::string data;
    std::vector<std::size_t> pieces;
};
// Joins `first` (just read from `reader`) with its CONTINUE records, up to `maxBytes`
// of data in all (the rest of an oversized chain is skipped). False when a CONTINUE
// record is damaged.
bool joinContinue(RecordReader& reader, const RecordView& first, JoinedRecord& out,
                  std::size_t maxBytes = std::size_t(64) << 20);

// One sheet named by a BOUNDSHEET record of the globals.
struct SheetEntry {
    uint32_t bofOffset = 0;  // stream position of the sheet's BOF
    uint8_t visibility = 0;
    uint8_t type = 0;        // 0 worksheet, 1 macro sheet, 2 chart, 6 module
    std::string rawName;     // the name characters: bytes (BIFF5, or BIFF8 compressed) or UTF-16LE
    bool wide = false;       // BIFF8: rawName holds UTF-16LE characters
};

// Walks a substream from a BOF at `bofOffset` to its EOF, calling fn(rec) for every
// record in between (BOF and EOF excluded); fn returns false to stop early. Nested
// substreams (a chart inside a sheet) are passed through to fn whole. Returns false
// when there is no BOF at that offset, or the walk meets a damaged record or the end
// of the stream before the EOF.
template <class Fn>
bool walkSubstream(const std::vector<uint8_t>& stream, std::size_t bofOffset, Fn fn);

// Reads the BOUNDSHEET records of the globals (from the start of the stream to the
// first EOF). `biff8` selects the name layout. False when the globals are damaged
// (entries read so far are kept).
bool readBoundSheets(const std::vector<uint8_t>& stream, bool biff8, std::vector<SheetEntry>& sheets);

// --- implementation of the template ---
template <class Fn>
bool walkSubstream(const std::vector<uint8_t>& stream, std::size_t bofOffset, Fn fn) {
    RecordReader r(stream);
    if (!r.seek(bofOffset)) return false;
    RecordView rec;
    if (!r.next(rec) || !isBof(rec.id)) return false;
    int depth = 0;
    while (r.next(rec)) {
        if (isBof(rec.id)) {
            ++depth;
        } else if (rec.id == kRecEof) {
            if (depth == 0) return true;
            --depth;
        }
        if (!fn(static_cast<const RecordView&>(rec))) return true;
    }
    return false;
}

}  // namespace celvane::tmplread
