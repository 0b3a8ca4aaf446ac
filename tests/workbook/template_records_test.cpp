// The low-level record walker: stream loading, record bounds, CONTINUE joining and
// sheet substreams, on books of our writer and on damaged streams.
#include "template_records.h"

#include "biff.h"
#include "celvane.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace celvane::tmplread;

namespace {

void add(std::vector<uint8_t>& s, uint16_t id, const std::string& data) {
    s.push_back(id & 0xFF);
    s.push_back(id >> 8);
    s.push_back(data.size() & 0xFF);
    s.push_back((data.size() >> 8) & 0xFF);
    s.insert(s.end(), data.begin(), data.end());
}

TEST(Records, WriterBooksLoadWithTheirSheets) {
    wbtest::TempDir dir;
    for (bool biff8 : {false, true}) {
        std::string path = dir.file(biff8 ? "b8.xls" : "b5.xls");
        int b = biff8 ? XM_Create97(path.c_str(), 2) : XM_Create(path.c_str(), 2);
        ASSERT_GE(b, 0);
        ASSERT_EQ(XM_WriteInt(b, 1, 3, 4, 42), 0);
        ASSERT_EQ(XM_Close(b), 0);

        std::vector<uint8_t> stream;
        StreamKind kind;
        ASSERT_EQ(loadWorkbookStream(path, stream, kind), LoadResult::Ok);
        EXPECT_EQ(kind, biff8 ? StreamKind::Workbook : StreamKind::Book);
        std::vector<SheetEntry> sheets;
        ASSERT_TRUE(readBoundSheets(stream, biff8, sheets));
        ASSERT_EQ(sheets.size(), 2u);
        EXPECT_EQ(sheets[0].rawName, "Sheet1");
        EXPECT_EQ(sheets[1].rawName, "Sheet2");
        int rk = 0;
        EXPECT_TRUE(walkSubstream(stream, sheets[1].bofOffset, [&](const RecordView& r) {
            if (r.id == kRecRk && r.length >= 10) {
                EXPECT_EQ(rd16(r.data), 4u);
                EXPECT_EQ(rd16(r.data + 2), 3u);
                EXPECT_EQ(decodeRk(rd32(r.data + 6)), 42.0);
                ++rk;
            }
            return true;
        }));
        EXPECT_EQ(rk, 1);
    }
}

TEST(Records, MissingAndForeignFilesAreRefused) {
    wbtest::TempDir dir;
    std::vector<uint8_t> s;
    StreamKind kind;
    EXPECT_EQ(loadWorkbookStream(dir.file("none.xls"), s, kind), LoadResult::NoFile);
    std::ofstream(dir.file("text.xls")) << "not a compound file at all";
    EXPECT_EQ(loadWorkbookStream(dir.file("text.xls"), s, kind), LoadResult::NotCompound);
    std::string junk(4096, '\xD0');
    EXPECT_EQ(loadWorkbookStreamFromMemory(reinterpret_cast<const uint8_t*>(junk.data()), junk.size(), s, kind),
              LoadResult::NotCompound);
}

TEST(Records, DamagedRecordsStopTheWalk) {
    std::vector<uint8_t> s;
    add(s, 0x0809, std::string(16, '\0'));
    add(s, 0x0203, std::string(14, '\0'));
    // A header promising more than the stream holds.
    std::vector<uint8_t> cut = s;
    add(cut, 0x0203, std::string(14, '\0'));
    cut.resize(cut.size() - 3);
    RecordReader r(cut);
    RecordView rec;
    int n = 0;
    while (r.next(rec)) ++n;
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(r.damaged());

    // A length over the record limit, even when the bytes are there.
    std::vector<uint8_t> big = s;
    add(big, 0x0203, std::string(8225, '\0'));
    RecordReader r2(big);
    n = 0;
    while (r2.next(rec)) ++n;
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(r2.damaged());
    EXPECT_FALSE(walkSubstream(big, 0, [](const RecordView&) { return true; }));

    // Seeking past the end is refused; a sheet offset past the end finds no BOF.
    EXPECT_FALSE(r2.seek(big.size() + 1));
    EXPECT_FALSE(walkSubstream(s, 1u << 30, [](const RecordView&) { return true; }));
    // Three header bytes at the end.
    std::vector<uint8_t> tail = s;
    tail.insert(tail.end(), {0x03, 0x02, 0x00});
    RecordReader r3(tail);
    while (r3.next(rec)) {}
    EXPECT_TRUE(r3.damaged());
}

TEST(Records, ContinueRecordsJoinWithTheirBoundaries) {
    std::vector<uint8_t> s;
    add(s, 0x00FC, "abcd");
    add(s, 0x003C, "ef");
    add(s, 0x003C, "");
    add(s, 0x003C, "g");
    add(s, 0x000A, "");
    RecordReader r(s);
    RecordView first;
    ASSERT_TRUE(r.next(first));
    JoinedRecord j;
    ASSERT_TRUE(joinContinue(r, first, j));
    EXPECT_EQ(j.data, "abcdefg");
    EXPECT_EQ(j.pieces, (std::vector<std::size_t>{0, 4, 6, 6}));
    RecordView eof;
    ASSERT_TRUE(r.next(eof));
    EXPECT_EQ(eof.id, kRecEof);

    // A cap on the joined size skips the rest of the chain but still passes it.
    RecordReader r2(s);
    ASSERT_TRUE(r2.next(first));
    ASSERT_TRUE(joinContinue(r2, first, j, 5));
    EXPECT_EQ(j.data, "abcd");
    ASSERT_TRUE(r2.next(eof));
    EXPECT_EQ(eof.id, kRecEof);
}

TEST(Records, NestedSubstreamsAndRk) {
    std::vector<uint8_t> s;
    add(s, 0x0809, std::string(16, '\0'));
    add(s, 0x0809, std::string(16, '\0'));  // a chart inside the sheet
    add(s, 0x000A, "");
    add(s, 0x0203, std::string(14, '\0'));
    add(s, 0x000A, "");
    int seen = 0;
    EXPECT_TRUE(walkSubstream(s, 0, [&](const RecordView&) { return ++seen, true; }));
    EXPECT_EQ(seen, 3);
    // Without its EOF the walk reports the damage.
    s.resize(s.size() - 4);
    EXPECT_FALSE(walkSubstream(s, 0, [](const RecordView&) { return true; }));

    EXPECT_EQ(decodeRk(0x00000002u | (7u << 2)), 7.0);
    EXPECT_EQ(decodeRk(0xFFFFFFFEu), -1.0);
    EXPECT_EQ(decodeRk(0x00000003u | (150u << 2)), 1.5);
    EXPECT_EQ(decodeRk(0x3FF80000u), 1.5);  // high half of 1.5
}

}  // namespace
