// Low-level reading of a workbook file: the compound file, its BIFF record stream, the
// records themselves (with CONTINUE joins) and the BOF..EOF substreams of the sheets.
// Every access is bounds-checked: a damaged or hostile file ends a scan, never a read
// past the loaded stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace celvane::read {

// Record identifiers used by the readers.
enum : uint16_t {
    kRecFormula = 0x0006,
    kRecEof = 0x000A,
    kRecContinue = 0x003C,
    kRecBoundSheet = 0x0085,
    kRecSst = 0x00FC,
    kRecExtSst = 0x00FF,
    kRecBof = 0x0809,
    kRecBofBiff2 = 0x0009,
    kRecBofBiff3 = 0x0209,
    kRecBofBiff4 = 0x0409,
    kRecIndex = 0x020B,
    kRecDbCell = 0x00D7,
    kRecRow = 0x0208,
    kRecDimensions = 0x0200,
    kRecBlank = 0x0201,
    kRecNumber = 0x0203,
    kRecLabel = 0x0204,
    kRecBoolErr = 0x0205,
    kRecString = 0x0207,
    kRecRk = 0x027E,
    kRecMulRk = 0x00BD,
    kRecMulBlank = 0x00BE,
    kRecRString = 0x00D6,
    kRecLabelSst = 0x00FD,
    kRecFormulaOld = 0x0406,
    kRecColInfo = 0x007D,
    kRecStandardWidth = 0x0099,
    kRecDefColWidth = 0x0055,
    kRecDefaultRowHeight = 0x0225,
    kRecLeftMargin = 0x0026,
    kRecRightMargin = 0x0027,
    kRecTopMargin = 0x0028,
    kRecBottomMargin = 0x0029,
    kRecSetup = 0x00A1,
    kRecFont = 0x0031,
    kRecFormat = 0x041E,
    kRecXf = 0x00E0,
    kRecCodePage = 0x0042,
};

// The largest record body a BIFF stream may hold; anything longer is damage.
constexpr std::size_t kMaxRecordLength = 8224;

// One record: its identifier, its body (a view into the stream) and where its header starts.
struct Record {
    uint16_t id = 0;
    const uint8_t* data = nullptr;
    std::size_t length = 0;
    std::size_t offset = 0;  // stream position of the 4-byte header

    // Bounds-checked little-endian fields; out-of-range reads give 0.
    uint8_t u8(std::size_t at) const { return at < length ? data[at] : 0; }
    uint16_t u16(std::size_t at) const {
        return at + 2 <= length ? uint16_t(data[at] | (data[at + 1] << 8)) : 0;
    }
    uint32_t u32(std::size_t at) const {
        return at + 4 <= length ? uint32_t(data[at]) | (uint32_t(data[at + 1]) << 8) |
                                      (uint32_t(data[at + 2]) << 16) | (uint32_t(data[at + 3]) << 24)
                                : 0;
    }
    double f64(std::size_t at) const;
};

// Result of reading the next record.
enum class Next { Ok, End, Damaged };

// The whole record stream of a workbook, loaded into memory.
class RecordStream {
public:
    RecordStream() = default;
    explicit RecordStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

    // Reads the record whose header starts at `pos`: End when pos is at (or past) the end
    // of the stream, Damaged when the header or body does not fit or the length exceeds
    // kMaxRecordLength.
    Next at(std::size_t pos, Record& out) const;

    // Collects the body of the record at `pos` together with the bodies of the CONTINUE
    // records that directly follow it. `pieces` receives the length of each part (the
    // first record's own body first) so callers that must treat a break specially (shared
    // strings) can find it. `next` is set to the position after the last CONTINUE.
    Next joined(std::size_t pos, uint16_t& id, std::vector<uint8_t>& body, std::vector<std::size_t>& pieces,
                std::size_t& next) const;

private:
    std::vector<uint8_t> bytes_;
};

// A forward cursor over the stream.
class RecordCursor {
public:
    RecordCursor(const RecordStream& s, std::size_t pos) : s_(&s), pos_(pos) {}
    // Reads the record at the cursor and moves past it.
    Next next(Record& out);
    std::size_t pos() const { return pos_; }
    void seek(std::size_t pos) { pos_ = pos; }

private:
    const RecordStream* s_;
    std::size_t pos_;
};

// Result of opening a compound file.
enum class OpenResult { Ok, CannotOpen, NotCompound, NoWorkbookStream, TooLarge, ReadFailed };

// A sheet entry of the workbook globals (BOUNDSHEET).
struct SheetEntry {
    uint32_t bof = 0;        // stream position of the sheet's BOF
    uint8_t visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
    uint8_t type = 0;        // 0 worksheet, 1 macro sheet, 2 chart, 6 module
    std::string rawName;     // BIFF5: the bytes as stored; BIFF8: see nameIsUtf16
    bool nameIsUtf16 = false;  // BIFF8 name with 16-bit characters (UTF-16LE bytes in rawName)
};

// The stream of a workbook file and its version.
struct WorkbookStream {
    RecordStream stream;
    bool biff8 = false;  // true when read from "Workbook" (BIFF8), false for "Book" (BIFF5)
};

// Upper bound on the workbook stream loaded (larger streams are refused as TooLarge).
constexpr std::size_t kMaxStreamBytes = std::size_t(1) << 30;

// Opens a compound file and loads its "Book" stream, or when there is none its
// "Workbook" stream (which makes the book BIFF8).
OpenResult openWorkbookFile(const std::string& path, WorkbookStream& out);
// The same over bytes already in memory (used by tests and the fuzz target).
OpenResult openWorkbookBytes(const uint8_t* data, std::size_t size, WorkbookStream& out);

// Walks the globals substream from position 0 up to its EOF and returns the BOUNDSHEET
// entries. A damaged record ends the walk (entries read so far are kept).
std::vector<SheetEntry> readSheetEntries(const WorkbookStream& wb);

// The records of one substream: starting at `bof` (which must be a BOF record), calls
// `visit` for every record after the BOF up to (not including) the matching EOF.
// Nested BOF..EOF pairs (embedded charts) are skipped. Returns false when the BOF is not
// a BOF or the stream is damaged before the EOF; `visit` returns false to stop early.
template <class Visit>
bool walkSubstream(const RecordStream& s, std::size_t bof, Visit&& visit) {
    RecordCursor c(s, bof);
    Record r;
    if (c.next(r) != Next::Ok) return false;
    if (r.id != kRecBof && r.id != kRecBofBiff2 && r.id != kRecBofBiff3 && r.id != kRecBofBiff4) return false;
    int depth = 0;
    for (;;) {
        Next n = c.next(r);
        if (n != Next::Ok) return false;
        if (r.id == kRecBof) {
            ++depth;
            continue;
        }
        if (r.id == kRecEof) {
            if (depth == 0) return true;
            --depth;
            continue;
        }
        if (depth > 0) continue;
        if (!visit(r)) return true;
    }
}

}  // namespace celvane::read
