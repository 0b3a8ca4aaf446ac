// The Xls and XL layers: errors and messages, references, handles, cursor writes.
#include "biff.h"

#include <celvane.h>
#include <gtest/gtest.h>

#include <base/text.h>

#include <cstdio>
#include <string>

using namespace wbtest;

namespace {

int errorNo() {
    int n = -1;
    XlsGetErrorNo(&n);
    return n;
}

std::string message() {
    char buf[256];
    XlsGetErrorMessage(buf, sizeof buf);
    return base::fromCp932(buf);
}

class Interface : public ::testing::Test {
protected:
    void TearDown() override {
        XlsAllClose();
        XlsSetCodePage(932);
        XL_SetAttrMode(0);
        if (XL_Cancel() != 0) {
        }
    }
    TempDir dir;
};

TEST_F(Interface, ErrorNumbersAndMessages) {
    XlsSetErrorNo(0);
    EXPECT_EQ(message(), "");
    XlsSetErrorNo(34);
    EXPECT_EQ(message(), "パラメータエラー");
    XlsSetErrorNo(8);
    EXPECT_EQ(message(), "存在しないエラーです(8)");
    XlsSetErrorNo(60);  // every function is built in: no call reports 60
    EXPECT_EQ(message(), "存在しないエラーです(60)");
    // A short buffer receives a cut text on a character boundary, never half a character.
    char small[6];
    XlsSetErrorNo(3);
    XlsGetErrorMessage(small, sizeof small);
    EXPECT_EQ(base::fromCp932(small), "未オ");

    // Without a current book every call fails with 3 and returns 0.
    EXPECT_EQ(XlsPutStr("x", "A1"), 0);
    EXPECT_EQ(errorNo(), 3);
    EXPECT_EQ(XlsMove("A1"), 0);
    EXPECT_EQ(XlsGetVersion(), 0);

    // Engine codes from -100 to -199 read back as 100.
    ASSERT_EQ(XlsCreateBook(dir.file("e.xls").c_str(), 97, 1, nullptr), 1);
    EXPECT_EQ(XlsPutFunc("=1+", nullptr, "A1"), 0);
    EXPECT_EQ(errorNo(), 100);
    XlsSetCodePage(65001);
    XlsSetErrorNo(100);
    char buf[64];
    XlsGetErrorMessage(buf, sizeof buf);
    EXPECT_STREQ(buf, "計算式形式エラー");
    EXPECT_EQ(XlsSetCodePage(1252), 0);
    EXPECT_EQ(errorNo(), 34);
}

TEST_F(Interface, CellAndPosTexts) {
    EXPECT_STREQ(POS(0, 0, -1, 0), "A1");
    EXPECT_STREQ(POS(25, 9, -1, 0), "Z10");
    EXPECT_STREQ(POS(26, 0, 255, 65535), "AA1:IV65536");
    EXPECT_STREQ(CELL("B2", 0, 0), "B2");
    EXPECT_STREQ(CELL("B2", 3, 1), "B2_[3:1]");
    std::string longRef(400, 'A');
    EXPECT_EQ(std::string(CELL(longRef.c_str(), 1, 1)).size(), 255u);  // stays in its buffer
}

TEST_F(Interface, StrToValueKinds) {
    double d = 0;
    int n = 0;
    EXPECT_EQ(XlsStrToValue("12", &d, &n), 2);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(XlsStrToValue("12.5", &d, &n), 1);
    EXPECT_EQ(d, 12.5);
    EXPECT_EQ(XlsStrToValue("-7", &d, &n), 2);
    EXPECT_EQ(n, -7);
    EXPECT_EQ(XlsStrToValue("3000000000", &d, &n), 1);
    EXPECT_EQ(d, 3000000000.0);
    EXPECT_EQ(XlsStrToValue("12a", &d, &n), 0);
    EXPECT_EQ(XlsStrToValue("'12", &d, &n), 0);
    EXPECT_EQ(XlsStrToValue("=A1", &d, &n), 3);
    EXPECT_EQ(XlsStrToValue("@SUM(A1)", &d, &n), 3);
    // Texts that are not one number stay texts instead of becoming a wrong number.
    EXPECT_EQ(XlsStrToValue("", &d, &n), 0);
    EXPECT_EQ(XlsStrToValue("-", &d, &n), 0);
    EXPECT_EQ(XlsStrToValue("03-1234", &d, &n), 0);
}

TEST_F(Interface, ReferencesAndValues) {
    std::string path = dir.file("refs.xls");
    ASSERT_EQ(XlsCreateBook(path.c_str(), 97, 2, nullptr), 1);
    EXPECT_EQ(XlsPutStr("b3", "b3"), 1);
    EXPECT_EQ(XlsPutStr("3B", "3B"), 1);  // the same cell: replaced
    EXPECT_EQ(XlsPutLong(7, "A1,C1:D2,E1"), 1);
    EXPECT_EQ(XlsPutLong(9, CELL("B2", 3, 1)), 1);  // E3
    // An offset suffix moves every item before it in the list, none after it.
    EXPECT_EQ(XlsPutLong(5, CELL("A9,C9", 1, 1)), 1);  // B10 and D10
    EXPECT_EQ(XlsPutLong(6, "A12_[1:0],C12"), 1);       // B12 and C12
    EXPECT_EQ(XlsPutValue("'12", "A5"), 1);
    EXPECT_EQ(XlsPutValue("12.25", "A6"), 1);
    EXPECT_EQ(XlsPutValue("-", "A7"), 1);
    EXPECT_EQ(XlsMove(std::string(255, 'A').append("").c_str()), 1);
    EXPECT_EQ(XlsMove(std::string(256, 'A').c_str()), 0);
    EXPECT_EQ(errorNo(), 34);
    EXPECT_EQ(XlsMove("D4"), 1);
    EXPECT_EQ(XlsPutStr("here", nullptr), 1);
    EXPECT_EQ(XlsPutStr("bad", "1"), 0);  // no column: unusable reference
    EXPECT_EQ(errorNo(), 34);
    EXPECT_EQ(XlsPutStr("far", "IW1"), 0);
    EXPECT_EQ(errorNo(), 32);
    EXPECT_EQ(XlsPutStr("x", "**name"), 0);  // no template names yet
    EXPECT_EQ(errorNo(), 37);
    XlsSheetNo(1);
    EXPECT_EQ(XlsPutDouble(1.5, "A1"), 1);
    XlsSheetNo(5);
    EXPECT_EQ(XlsPutDouble(1.5, "A1"), 0);
    EXPECT_EQ(errorNo(), 4);
    EXPECT_EQ(XlsGetVersion(), 1);
    EXPECT_EQ(XlsCloseBook(1), 1);
    EXPECT_EQ(checkBook(path, R"({"nsheets": 2, "sheets": [{"cells": {
        "2,1": {"kind": "text", "value": "3B"}, "0,0": {"value": 7}, "0,2": {"value": 7},
        "0,4": {"value": 7}, "2,4": {"value": 9}, "4,0": {"kind": "text", "value": "'12"},
        "5,0": {"value": 12.25}, "6,0": {"kind": "text", "value": "-"},
        "3,3": {"kind": "text", "value": "here"}, "9,1": {"value": 5}, "9,3": {"value": 5},
        "11,1": {"value": 6}, "11,2": {"value": 6}}},
        {"cells": {"0,0": {"value": 1.5}}}]})"),
              "");
}

TEST_F(Interface, HandlesAreCheckedNotTrusted) {
    BookHandle a = 0, b = 0;
    ASSERT_EQ(XlsCreateBook(dir.file("a.xls").c_str(), 95, 1, &a), 1);
    ASSERT_EQ(XlsCreateBook(dir.file("b.xls").c_str(), 97, 1, &b), 1);
    EXPECT_NE(a, b);
    EXPECT_EQ(XlsGetVersion(), 1);
    EXPECT_EQ(XlsSelectBook(a), 1);
    EXPECT_EQ(XlsGetVersion(), 0);
    EXPECT_EQ(XlsCloseBook(0), 1);  // discard a
    // A stale, a null and a made-up handle are refused; the current book is unchanged.
    EXPECT_EQ(XlsSelectBook(b), 1);
    EXPECT_EQ(XlsSelectBook(a), 0);
    EXPECT_EQ(errorNo(), 3);
    EXPECT_EQ(XlsSelectBook(0), 0);
    EXPECT_EQ(XlsSelectBook(a + b), 0);
    EXPECT_EQ(XlsGetVersion(), 1);
    EXPECT_EQ(XlsCloseBook(1), 1);
    EXPECT_EQ(XlsGetVersion(), 0);  // no book current after closing
    EXPECT_EQ(run("test -e '" + dir.file("a.xls") + "'"), 1);
    EXPECT_EQ(run("test -e '" + dir.file("b.xls") + "'"), 0);
}

TEST_F(Interface, XlCursorAndSheets) {
    std::string path = dir.file("xl.xls");
    ASSERT_EQ(XL_Create97(path.c_str(), 2), 0);
    EXPECT_EQ(XL_Create(dir.file("other.xls").c_str(), 1), -1);  // slot 0 in use
    EXPECT_EQ(XL_SelSheetNo(2), -4);
    EXPECT_EQ(XL_SelSheetNo(1), 0);
    EXPECT_EQ(XL_MovePos(254, 3), 0);
    EXPECT_EQ(XL_WrtInt(1), 0);     // IU4
    EXPECT_EQ(XL_WrtStr("a"), 0);   // IV4, then the cursor wraps to the next row
    EXPECT_EQ(XL_WrtDouble(2.5), 0);  // A5
    EXPECT_EQ(XL_WrtCR(), 0);
    EXPECT_EQ(XL_WrtInt(3), 0);     // A6
    EXPECT_EQ(XL_MovePos(256, 0), -32);
    EXPECT_EQ(XL_WriteInt(0, 0, 4), 0);
    EXPECT_EQ(XL_Close(), 0);
    EXPECT_EQ(XL_Close(), -3);
    EXPECT_EQ(checkBook(path, R"({"sheets": [{}, {"cells": {"3,254": {"value": 1}, "3,255": {"value": "a"},
        "4,0": {"value": 2.5}, "5,0": {"value": 3}, "0,0": {"value": 4}}}]})"),
              "");
}

TEST_F(Interface, BookLimits) {
    int books[32];
    for (int i = 0; i < 32; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "n%d.xls", i);
        books[i] = XM_Create97(dir.file(name).c_str(), 1);
        ASSERT_EQ(books[i], i);
    }
    EXPECT_EQ(XM_Create97(dir.file("n32.xls").c_str(), 1), -1);
    EXPECT_EQ(XlsCreateBook(dir.file("n33.xls").c_str(), 97, 1, nullptr), 0);
    EXPECT_EQ(errorNo(), 1);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(XM_Cancel(books[i]), 0);
    EXPECT_EQ(XM_Cancel(0), -3);
    EXPECT_EQ(XM_Cancel(32), -2);
    EXPECT_EQ(XM_Cancel(-1), -2);
    EXPECT_EQ(XM_Create97((dir.path() + "/missing/x.xls").c_str(), 1), -1);
    std::string left;
    run("ls -A '" + dir.path() + "'", &left);
    EXPECT_EQ(left, "");  // cancelled books leave nothing behind
}

}  // namespace
