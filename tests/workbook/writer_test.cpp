// The stored compound file: record layout, row blocks, shared strings, big books.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <base/text.h>

#include <cstdio>
#include <string>

using namespace wbtest;

namespace {

class Writer : public ::testing::Test {
protected:
    TempDir dir;
};

// The EXTSST bucket size and data length the writer must use for n distinct strings.
void extSstShape(unsigned n, unsigned& bucket, std::size_t& length) {
    for (bucket = 8;; bucket += 8) {
        length = 8 * ((n * 3 / 2) / bucket) + 322;
        if (length < 2036) return;
    }
}

TEST_F(Writer, EmptyBooksHaveTheFixedFrame) {
    std::string p5 = dir.file("empty5.xls"), p8 = dir.file("empty8.xls");
    int b5 = XM_Create(p5.c_str(), 0);
    int b8 = XM_Create97(p8.c_str(), 300);  // more than 255 sheets: 255
    ASSERT_GE(b5, 0);
    ASSERT_GE(b8, 0);
    EXPECT_EQ(XM_Close(b5), 0);
    EXPECT_EQ(XM_Close(b8), 0);
    EXPECT_EQ(XM_Cancel(b8), -3);

    Stream s5 = readStream(p5), s8 = readStream(p8);
    ASSERT_TRUE(s5.ok);
    ASSERT_TRUE(s8.ok);
    EXPECT_EQ(s5.name, "Book");
    EXPECT_EQ(s8.name, "Workbook");
    EXPECT_EQ(s5.classId, std::string("\x10\x08\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 16));
    EXPECT_EQ(s8.classId, std::string("\x20\x08\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 16));
    EXPECT_EQ(s5.all(0x0085).size(), 16u);
    EXPECT_EQ(s8.all(0x0085).size(), 255u);

    for (const Stream* s : {&s5, &s8}) {
        bool biff8 = s == &s8;
        // Every BOUNDSHEET points at a worksheet BOF; each sheet has an INDEX without
        // blocks, zero DIMENSIONS, no margin records, and only the first WINDOW2 selected.
        auto bounds = s->all(0x0085);
        for (std::size_t i = 0; i < bounds.size(); ++i) {
            const Rec* bof = s->at(bounds[i]->u32(0));
            ASSERT_NE(bof, nullptr) << i;
            EXPECT_EQ(bof->no, 0x0809);
            EXPECT_EQ(bof->u16(2), 0x0010);
        }
        auto index = s->all(0x020B);
        ASSERT_EQ(index.size(), bounds.size());
        EXPECT_EQ(index[0]->data.size(), biff8 ? 16u : 8u);
        for (const Rec* d : s->all(0x0200))
            for (char c : d->data) EXPECT_EQ(c, 0);
        for (uint16_t margin : {0x26, 0x27, 0x28, 0x29}) EXPECT_TRUE(s->all(margin).empty());
        auto windows = s->all(0x023E);
        ASSERT_EQ(windows.size(), bounds.size());
        EXPECT_EQ(windows[0]->u16(0), 0x06B6);
        EXPECT_EQ(windows[1]->u16(0), 0x00B6);
        EXPECT_EQ(windows[0]->data.size(), biff8 ? 18u : 10u);
        EXPECT_EQ(s->recs.back().no, 0x000A);
        // HEADER "&A" in the string form of the format: 8-bit length in BIFF5, a
        // character count and option byte in BIFF8.
        EXPECT_EQ(s->all(0x0014).at(0)->data, biff8 ? std::string("\x02\x00\x00&A", 5) : std::string("\x02&A", 3));
    }
    const Rec* ext = s8.all(0x00FF).at(0);
    EXPECT_EQ(ext->u16(0), 8u);
    EXPECT_EQ(ext->data.size(), 322u);
    EXPECT_EQ(checkBook(p8, R"({"nsheets": 255})"), "");
    EXPECT_EQ(checkBook(p5, R"({"nsheets": 16, "sheets": [{"name": "Sheet1"}]})"), "");
}

TEST_F(Writer, WholeNumbersUseRkWithinItsRange) {
    std::string path = dir.file("rk.xls");
    int b = XM_Create97(path.c_str(), 1);
    const int values[] = {536870911, 536870912, -536870912, -536870913, -1, 0, 2147483647, -2147483647 - 1};
    for (int i = 0; i < 8; ++i) ASSERT_EQ(XM_WriteInt(b, 0, i, 0, values[i]), 0);
    ASSERT_EQ(XM_WriteDouble(b, 0, 0, 1, -0.1), 0);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    EXPECT_EQ(s.all(0x027E).size(), 4u);
    EXPECT_EQ(s.all(0x0203).size(), 5u);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"value": 536870911}, "0,1": {"value": 536870912},
        "0,2": {"value": -536870912}, "0,3": {"value": -536870913}, "0,4": {"value": -1}, "0,5": {"value": 0},
        "0,6": {"value": 2147483647}, "0,7": {"value": -2147483648}, "1,0": {"value": -0.1}}}]})"),
              "");
}

TEST_F(Writer, CellsReplaceAndSplitBlankRuns) {
    std::string path = dir.file("split.xls");
    int b = XM_Create97(path.c_str(), 1);
    int bold = XM_GetAttrNo(b, -1, -1, -1, XM_FontNo(b, nullptr, -1.0, 0, 1, 0), -1);
    ASSERT_EQ(XM_SetAttrExt(b, 0, 1, 1, 6, 2, bold), 0);  // MULBLANK B2:G2 and B3:G3
    ASSERT_EQ(XM_WriteInt(b, 0, 3, 1, 5), 0);              // inside the run: split
    ASSERT_EQ(XM_WriteStr(b, 0, 1, 2, "first"), 0);        // first place of a run
    ASSERT_EQ(XM_WriteStr(b, 0, 6, 2, "last"), 0);         // last place of a run
    ASSERT_EQ(XM_WriteInt(b, 0, 3, 1, 6), 0);              // written twice: the second stays
    ASSERT_EQ(XM_WriteInt(b, 0, 0, 0, 1), 0);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    // B2:C2, E2:G2 and C3:F3 remain multiple blanks.
    EXPECT_EQ(s.all(0x00BE).size(), 3u);
    const char* bolded = R"(["ＭＳ Ｐゴシック", 220, 700, 0, 32767])";
    std::string expect = std::string(R"({"sheets": [{"cells": {"0,0": {"value": 1, "font": ["ＭＳ Ｐゴシック", 220, 400, 0, 32767]},
        "1,1": {"kind": "blank", "font": )") + bolded + R"(}, "1,2": {"kind": "blank"}, "1,3": {"value": 6, "font": )" +
                         bolded + R"(}, "1,4": {"kind": "blank"}, "1,6": {"kind": "blank", "font": )" + bolded +
                         R"(}, "2,1": {"value": "first", "font": )" + bolded + R"(}, "2,5": {"kind": "blank"},
        "2,6": {"value": "last", "font": )" + bolded + R"(}}}]})";
    EXPECT_EQ(checkBook(path, expect), "");
}

// Shared strings that cross record boundaries, as 8-bit and as UTF-16 characters.
TEST_F(Writer, SharedStringsContinueAcrossRecords) {
    std::string path = dir.file("sst.xls");
    int b = XM_Create97(path.c_str(), 1);
    std::vector<std::string> texts;
    for (int i = 0; i < 12; ++i) texts.push_back(std::string(3001 + i * 7, static_cast<char>('a' + i)));
    std::string kanji = sj("漢字かな混じり文");
    for (int i = 0; i < 8; ++i) {
        std::string t = "x";  // an odd number of bytes before the UTF-16 text starts
        while (t.size() < 2500u + i * 333) t += kanji;
        texts.push_back(t);
    }
    texts.push_back("");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(XM_WriteStr(b, 0, 0, static_cast<int>(i), texts[i].c_str()), 0);
        ASSERT_EQ(XM_WriteStr(b, 0, 1, static_cast<int>(i), texts[i].c_str()), 0);  // the same text again
    }
    ASSERT_EQ(XM_Close(b), 0);

    Stream s = readStream(path);
    ASSERT_TRUE(s.ok);
    auto sst = s.all(0x00FC);
    ASSERT_EQ(sst.size(), 1u);
    EXPECT_EQ(sst[0]->u32(0), 2 * texts.size());
    EXPECT_EQ(sst[0]->u32(4), texts.size());
    // Rebuild the strings from SST and CONTINUE the way a reader must.
    std::vector<const Rec*> parts;
    bool in = false;
    for (const Rec& r : s.recs) {
        if (r.no == 0x00FC) in = true;
        else if (r.no != 0x003C) in = false;
        if (in) parts.push_back(&r);
    }
    ASSERT_GT(parts.size(), 5u);
    for (const Rec* r : parts) EXPECT_LE(r->data.size(), 8224u);
    std::size_t part = 0, at = 8;
    auto needPart = [&]() {
        if (at >= parts[part]->data.size()) {
            ++part;
            at = 0;
        }
    };
    std::vector<std::size_t> starts;  // stream positions of the strings
    for (std::size_t i = 0; i < texts.size(); ++i) {
        needPart();
        starts.push_back(parts[part]->pos + 4 + at);
        ASSERT_LE(at + 3, parts[part]->data.size()) << "string header split";
        unsigned count = parts[part]->u16(at);
        unsigned opt = parts[part]->u8(at + 2);
        at += 3;
        std::size_t size = opt & 1 ? 2 : 1;
        std::size_t got = 0;
        while (got < count) {
            if (at >= parts[part]->data.size()) {
                ++part;
                ASSERT_LT(part, parts.size());
                EXPECT_EQ(parts[part]->u8(0), opt) << "continuation must repeat the option byte";
                at = 1;
            }
            std::size_t room = (parts[part]->data.size() - at) / size;
            if (count - got > room) {  // continued: the record ends on a whole character
                ASSERT_EQ((parts[part]->data.size() - at) % size, 0u) << "UTF-16 character split";
            }
            std::size_t take = std::min<std::size_t>(room, count - got);
            got += take;
            at += take * size;
        }
    }
    // EXTSST: the bucket size and entries, computed here.
    unsigned bucket;
    std::size_t length;
    extSstShape(static_cast<unsigned>(texts.size()), bucket, length);
    const Rec* ext = s.all(0x00FF).at(0);
    EXPECT_EQ(ext->u16(0), bucket);
    EXPECT_EQ(ext->data.size(), length);
    for (std::size_t k = 0; k * bucket < texts.size(); ++k) {
        std::size_t pos = ext->u32(2 + 8 * k);
        EXPECT_EQ(pos, starts[k * bucket]) << k;
        const Rec* holder = nullptr;
        for (const Rec* r : parts)
            if (r->pos < pos && pos < r->pos + 4 + r->data.size()) holder = r;
        ASSERT_NE(holder, nullptr);
        EXPECT_EQ(ext->u16(2 + 8 * k + 4), pos - holder->pos);
    }
    std::string expect = R"({"sheets": [{"cells": {)";
    // (Spreadsheet::ParseExcel drops cells with an empty text: the last one is left out.)
    for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
        std::string utf8 = base::fromCp932(texts[i]);
        expect += (i ? "," : "") + std::string("\"") + std::to_string(i) + ",1\": {\"kind\": \"text\", \"value\": \"" +
                  utf8 + "\"}";
    }
    expect += "}}]}";
    EXPECT_EQ(checkBook(path, expect), "");
}

TEST_F(Writer, MoreThan65536DistinctStrings) {
    std::string path = dir.file("many.xls");
    int b = XM_Create97(path.c_str(), 1);
    const int n = 70000;
    char text[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(text, sizeof text, "s%06d", i);
        ASSERT_EQ(XM_WriteStr(b, 0, i % 200, i / 200, text), 0);
    }
    ASSERT_EQ(XM_WriteStr(b, 0, 0, 400, "s000001"), 0);  // a repeat reuses its index
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    EXPECT_EQ(s.all(0x00FC).at(0)->u32(4), static_cast<uint32_t>(n));
    unsigned bucket;
    std::size_t length;
    extSstShape(n, bucket, length);
    EXPECT_EQ(s.all(0x00FF).at(0)->u16(0), bucket);
    EXPECT_EQ(s.all(0x00FF).at(0)->data.size(), length);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"value": "s000000"}, "349,199": {"value": "s069999"},
        "327,136": {"value": "s065536"}, "400,0": {"value": "s000001"}}}]})"),
              "");
}

// INDEX, DBCELL and BOUNDSHEET positions of several sheets with many row blocks.
TEST_F(Writer, RowBlocksAndOffsetsOnSeveralSheets) {
    std::string path = dir.file("blocks.xls");
    for (bool biff8 : {false, true}) {
        int b = biff8 ? XM_Create97(path.c_str(), 3) : XM_Create(path.c_str(), 3);
        for (int sh = 0; sh < 3; ++sh) {
            for (int r = sh; r < 70 + sh * 40; r += 1 + sh) {
                XM_WriteInt(b, sh, r % 5, r, r);
                XM_WriteStr(b, sh, 6, r, "t");
            }
            XM_SetRowHeight(b, sh, 200, 20);  // a row with a descriptor and no cells
        }
        ASSERT_EQ(XM_Close(b), 0);
        Stream s = readStream(path);
        ASSERT_TRUE(s.ok);
        auto bounds = s.all(0x0085);
        auto indexes = s.all(0x020B);
        ASSERT_EQ(bounds.size(), 3u);
        for (int sh = 0; sh < 3; ++sh) {
            EXPECT_EQ(s.at(bounds[sh]->u32(0))->no, 0x0809);
            const Rec* index = indexes[sh];
            std::size_t first = biff8 ? 16 : 8;
            std::size_t blocks = (index->data.size() - first) / 4;
            EXPECT_GE(blocks, 2u);
            for (std::size_t k = 0; k < blocks; ++k) {
                const Rec* db = s.at(index->u32(first + 4 * k));
                ASSERT_NE(db, nullptr);
                ASSERT_EQ(db->no, 0x00D7);
                const Rec* row = s.at(db->pos - db->u32(0));
                ASSERT_NE(row, nullptr);
                ASSERT_EQ(row->no, 0x0208);
                // Each row offset leads to the row's first cell.
                std::size_t cell = row->pos + 20;
                std::size_t rows = (db->data.size() - 4) / 2;
                for (std::size_t i = 0; i < rows; ++i) {
                    cell += db->u16(4 + 2 * i);
                    const Rec* c = s.at(cell);
                    ASSERT_NE(c, nullptr);
                    const Rec* rowRec = s.at(row->pos + 20 * i);
                    if (c->no == 0x00D7) continue;  // a row without cells
                    EXPECT_EQ(c->u16(0), rowRec->u16(0));
                }
            }
        }
        EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"69,4": {"value": 69}}}, {"cells": {"1,1": {"value": 1},
            "107,2": {"value": 107}, "107,6": {"value": "t"}}, "heights": {"200": 400}}, {}]})"),
                  "")
            << biff8;
    }
}

// Above 7 MB the compound file needs DIFAT blocks. Long distinct texts make the book
// big while keeping it quick for the readers.
TEST_F(Writer, BooksAboveSevenMegabytes) {
    std::string path = dir.file("big.xls");
    int b = XM_Create97(path.c_str(), 1);
    std::string text(2600, 'q');
    for (int r = 0; r < 3200; ++r) {
        std::string t = std::to_string(r) + text;
        ASSERT_EQ(XM_WriteStr(b, 0, 0, r, t.c_str()), 0);
        ASSERT_EQ(XM_WriteInt(b, 0, 1, r, r), 0);
    }
    ASSERT_EQ(XM_Close(b), 0);
    std::string out;
    ASSERT_EQ(run("gsf list '" + path + "'", &out), 0) << out;
    EXPECT_NE(out.find("Workbook"), std::string::npos);
    Stream s = readStream(path);
    ASSERT_TRUE(s.ok);
    EXPECT_GT(s.bytes.size(), 8u * 1024 * 1024);
    // The compound file header counts its DIFAT sectors at offset 0x48.
    std::string header;
    ASSERT_EQ(run("head -c 80 '" + path + "' | od -An -tu4 -j72 -N4", &header), 0);
    EXPECT_GE(std::stoul(header), 1u);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"value": "0)" + text + R"("},
        "3199,0": {"value": "3199)" + text + R"("}, "3199,1": {"value": 3199}}}]})"),
              "");
}

TEST_F(Writer, CancelKeepsTheEarlierFileAndCallerRecordsGoBeforeWindow2) {
    std::string path = dir.file("keep.xls");
    int b = XM_Create97(path.c_str(), 1);
    ASSERT_EQ(XM_WriteStr(b, 0, 0, 0, "kept"), 0);
    unsigned char zoom[4] = {1, 0, 1, 0};  // SCL: zoom 1/1
    ASSERT_EQ(XM_WriteBin(b, 0, 0x00A0, 4, zoom), 0);
    ASSERT_EQ(XM_WriteBin(b, 0, 0x00A0, 9000, zoom), -34);
    ASSERT_EQ(XM_WriteBin(b, 1, 0x00A0, 4, zoom), -4);
    ASSERT_EQ(XM_Close(b), 0);
    Stream s = readStream(path);
    ASSERT_EQ(s.all(0x00A0).size(), 1u);
    EXPECT_LT(s.all(0x00D7).back()->pos, s.all(0x00A0)[0]->pos);
    EXPECT_LT(s.all(0x00A0)[0]->pos, s.all(0x023E)[0]->pos);

    b = XM_Create97(path.c_str(), 1);
    ASSERT_EQ(XM_WriteStr(b, 0, 0, 0, "replaced"), 0);
    ASSERT_EQ(XM_Cancel(b), 0);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{"cells": {"0,0": {"value": "kept"}}}]})"), "");
}

TEST_F(Writer, TextsInBothFormatsAndCodePages) {
    std::string p5 = dir.file("t5.xls"), p8 = dir.file("t8.xls");
    int b5 = XM_Create(p5.c_str(), 1);
    int b8 = XM_Create97(p8.c_str(), 1);
    std::string longText;
    for (int i = 0; i < 150; ++i) longText += sj("あ");  // 300 bytes
    ASSERT_EQ(XM_WriteStr(b5, 0, 0, 0, longText.c_str()), 0);
    ASSERT_EQ(XM_WriteStr(b5, 0, 0, 1, (std::string("x") + longText).c_str()), 0);
    ASSERT_EQ(XM_WriteStr(b5, 0, 0, 16383, "last row"), 0);
    EXPECT_EQ(XM_WriteStr(b5, 0, 0, 16384, "beyond"), -32);
    ASSERT_EQ(XM_WriteStr(b8, 0, 0, 65535, "last row"), 0);
    ASSERT_EQ(XlsSetCodePage(65001), 1);
    EXPECT_EQ(XM_WriteStr(b5, 0, 1, 0, "\xF0\x9F\x98\x80"), -34);  // no CP932 form
    ASSERT_EQ(XM_WriteStr(b5, 0, 1, 1, "日本語"), 0);
    ASSERT_EQ(XM_WriteStr(b8, 0, 1, 1, "日本語 \xF0\x9F\x98\x80 €"), 0);
    ASSERT_EQ(XlsSetCodePage(932), 1);
    ASSERT_EQ(XM_WriteStr(b8, 0, 1, 2, sj("半角ｶﾅ").c_str()), 0);
    ASSERT_EQ(XM_Close(b5), 0);
    ASSERT_EQ(XM_Close(b8), 0);
    std::string a127;
    for (int i = 0; i < 127; ++i) a127 += "あ";
    EXPECT_EQ(checkBook(p5, R"({"sheets": [{"cells": {"0,0": {"value": ")" + a127 + R"("},
        "1,0": {"value": "x)" + a127 + R"("}, "1,1": {"value": "日本語"}, "16383,0": {"value": "last row"}}}]})"),
              "");
    EXPECT_EQ(checkBook(p8, R"({"sheets": [{"cells": {"1,1": {"value": "日本語 😀 €"}, "2,1": {"value": "半角ｶﾅ"},
        "65535,0": {"value": "last row"}}}]})"),
              "");
}

}  // namespace
