// The low-level record walker: stream loading, record bounds, CONTINUE joining and
// sheet substreams, on books of our writer and on damaged streams.
#include "read/records.h"

#include "biff.h"
#include "celvane.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace celvane::read;

namespace {

void add(std::vector<uint8_t>& s, uint16_t id, const std::string& data) {
    s.push_back(id & 0xFF);
    s.push_back(id >> 8);
    s.push_back(data.size() & 0xFF);
    s.push_back((data.size() >> 8) & 0xFF);
    s.insert(s.end(), data.begin(), data.end());
}

int countRecords(const RecordStream& s, Next& last) {
    RecordCursor c(s, 0);
    Record r;
    int n = 0;
    while ((last = c.next(r)) == Next::Ok) ++n;
    return n;
}

TEST(Records, WriterBooksLoadWithTheirSheets) {
    wbtest::TempDir dir;
    for (bool biff8 : {false, true}) {
        std::string path = dir.file(biff8 ? "b8.xls" : "b5.xls");
        int b = biff8 ? XM_Create97(path.c_str(), 2) : XM_Create(path.c_str(), 2);
        ASSERT_GE(b, 0);
        ASSERT_EQ(XM_WriteInt(b, 1, 3, 4, 42), 0);
        ASSERT_EQ(XM_Close(b), 0);

        WorkbookStream wb;
        ASSERT_EQ(openWorkbookFile(path, wb), OpenResult::Ok);
        EXPECT_EQ(wb.biff8, biff8);
        std::vector<SheetEntry> sheets = readSheetEntries(wb);
        ASSERT_EQ(sheets.size(), 2u);
        EXPECT_EQ(sheets[0].rawName, "Sheet1");
        EXPECT_EQ(sheets[1].rawName, "Sheet2");
        int rk = 0;
        EXPECT_TRUE(walkSubstream(wb.stream, sheets[1].bof, [&](const Record& r) {
            if (r.id == kRecRk) {
                EXPECT_EQ(r.u16(0), 4u);
                EXPECT_EQ(r.u16(2), 3u);
                EXPECT_EQ(r.u32(6), (42u << 2) | 2u);
                ++rk;
            }
            return true;
        }));
        EXPECT_EQ(rk, 1);
    }
}

TEST(Records, MissingAndForeignFilesAreRefused) {
    wbtest::TempDir dir;
    WorkbookStream wb;
    EXPECT_EQ(openWorkbookFile(dir.file("none.xls"), wb), OpenResult::CannotOpen);
    std::ofstream(dir.file("text.xls")) << "not a compound file at all";
    EXPECT_EQ(openWorkbookFile(dir.file("text.xls"), wb), OpenResult::NotCompound);
    std::string junk(4096, '\xD0');
    EXPECT_EQ(openWorkbookBytes(reinterpret_cast<const uint8_t*>(junk.data()), junk.size(), wb),
              OpenResult::NotCompound);
}

TEST(Records, DamagedRecordsStopTheWalk) {
    std::vector<uint8_t> s;
    add(s, 0x0809, std::string(16, '\0'));
    add(s, 0x0203, std::string(14, '\0'));
    Next last;
    // A header promising more than the stream holds.
    std::vector<uint8_t> cut = s;
    add(cut, 0x0203, std::string(14, '\0'));
    cut.resize(cut.size() - 3);
    EXPECT_EQ(countRecords(RecordStream(cut), last), 2);
    EXPECT_EQ(last, Next::Damaged);

    // A length over the record limit, even when the bytes are there.
    std::vector<uint8_t> big = s;
    add(big, 0x0203, std::string(8225, '\0'));
    RecordStream bigStream(big);
    EXPECT_EQ(countRecords(bigStream, last), 2);
    EXPECT_EQ(last, Next::Damaged);
    EXPECT_FALSE(walkSubstream(bigStream, 0, [](const Record&) { return true; }));

    // A sheet offset past the end finds no BOF; three header bytes at the end are damage.
    EXPECT_FALSE(walkSubstream(RecordStream(s), 1u << 30, [](const Record&) { return true; }));
    std::vector<uint8_t> tail = s;
    tail.insert(tail.end(), {0x03, 0x02, 0x00});
    EXPECT_EQ(countRecords(RecordStream(tail), last), 2);
    EXPECT_EQ(last, Next::Damaged);
}

TEST(Records, ContinueRecordsJoinWithTheirBoundaries) {
    std::vector<uint8_t> s;
    add(s, 0x00FC, "abcd");
    add(s, 0x003C, "ef");
    add(s, 0x003C, "");
    add(s, 0x003C, "g");
    add(s, 0x000A, "");
    RecordStream rs(s);
    uint16_t id = 0;
    std::vector<uint8_t> body;
    std::vector<std::size_t> pieces;
    std::size_t next = 0;
    ASSERT_EQ(rs.joined(0, id, body, pieces, next), Next::Ok);
    EXPECT_EQ(id, kRecSst);
    EXPECT_EQ(std::string(body.begin(), body.end()), "abcdefg");
    EXPECT_EQ(pieces, (std::vector<std::size_t>{4, 2, 0, 1}));
    Record eof;
    ASSERT_EQ(rs.at(next, eof), Next::Ok);
    EXPECT_EQ(eof.id, kRecEof);
}

TEST(Records, NestedSubstreamsAreSkipped) {
    std::vector<uint8_t> s;
    add(s, 0x0809, std::string(16, '\0'));
    add(s, 0x0809, std::string(16, '\0'));  // a chart inside the sheet
    add(s, 0x0203, std::string(14, '\0'));
    add(s, 0x000A, "");
    add(s, 0x0203, std::string(14, '\0'));
    add(s, 0x000A, "");
    int seen = 0;
    EXPECT_TRUE(walkSubstream(RecordStream(s), 0, [&](const Record&) { return ++seen, true; }));
    EXPECT_EQ(seen, 1);
    // Without its EOF the walk reports the damage.
    s.resize(s.size() - 4);
    EXPECT_FALSE(walkSubstream(RecordStream(s), 0, [](const Record&) { return true; }));
}

}  // namespace
