// Moving through the source list: scroll codes, pages, clicks, placement after a load,
// and the search.
#include "scratch.h"
#include "srcview/source_view.h"

namespace {

using namespace srcview;
using srctest::SourceTest;

class ViewTest : public SourceTest {
protected:
    SourceView view{list};
    std::vector<std::string> status;

    void SetUp() override {
        view.setStatusSink([this](std::string_view s) { status.emplace_back(s); });
        view.resize(600, 130);  // 10 rows of 100 cells
    }
    // Loads `lines` numbered lines (plus the end mark) and places the view.
    void loadLines(int lines, const std::string& extra = {}) {
        load(srctest::numberedLines(lines) + extra);
        view.placeAfterLoad(false);
    }
    // Runs a step until it is refused; the number of steps taken.
    template <typename F>
    int repeat(F step) {
        int n = 0;
        while (step() && n < 100000) ++n;
        return n;
    }
};

TEST_F(ViewTest, VerticalScrollCodesStopAtTheirLimitsWithABeep) {
    loadLines(49);  // N = 50 with the end mark, R = 10
    EXPECT_EQ(view.verticalMax(), 41);
    EXPECT_FALSE(view.scrollVertical(kLineUp));
    EXPECT_EQ(rec.beeps, 1);
    EXPECT_EQ(repeat([&] { return view.scrollVertical(kLineDown); }), 42);
    EXPECT_EQ(view.top(), 42);
    EXPECT_EQ(rec.beeps, 2);

    EXPECT_TRUE(view.scrollVertical(kToTop));
    std::vector<int> tops;
    while (view.scrollVertical(kPageDown)) tops.push_back(view.top());
    EXPECT_EQ(tops, (std::vector<int>{10, 20, 30, 40, 43}));
    EXPECT_TRUE(view.scrollVertical(kPageUp));
    EXPECT_EQ(view.top(), 33);
    EXPECT_TRUE(view.scrollVertical(kThumb, 5));
    EXPECT_EQ(view.top(), 5);
    EXPECT_TRUE(view.scrollVertical(kPageUp));
    EXPECT_EQ(view.top(), 0);
    EXPECT_TRUE(view.scrollVertical(kThumb, 45));  // past the end: the last page
    EXPECT_EQ(view.top(), 43);
    EXPECT_TRUE(view.scrollVertical(kToTop));
    EXPECT_FALSE(view.scrollVertical(kToTop));
    EXPECT_TRUE(view.scrollVertical(kToBottom));
    EXPECT_EQ(view.top(), 43);
    EXPECT_FALSE(view.scrollVertical(kToBottom));

    // The wheel: down for a negative delta.
    EXPECT_TRUE(view.scrollVertical(kToTop));
    EXPECT_TRUE(view.wheel(-120));
    EXPECT_EQ(view.top(), 1);
    EXPECT_TRUE(view.wheel(120));
    EXPECT_EQ(view.top(), 0);
}

TEST_F(ViewTest, HorizontalScrollCodesUseTheLongestLineAndTheTabWidth) {
    load(std::string(120, 'h') + "\nshort\n");
    view.placeAfterLoad(false);
    EXPECT_EQ(view.horizontalMax(), 21);
    EXPECT_FALSE(view.scrollHorizontal(kLineUp));
    EXPECT_EQ(repeat([&] { return view.scrollHorizontal(kLineDown); }), 21);
    EXPECT_TRUE(view.scrollHorizontal(kToTop));

    view.setTabWidth(8);
    std::vector<int> cols;
    while (view.scrollHorizontal(kPageDown)) cols.push_back(view.column());
    EXPECT_EQ(cols, (std::vector<int>{8, 16, 21}));
    EXPECT_TRUE(view.scrollHorizontal(kToBottom));
    EXPECT_EQ(view.column(), 120);
    EXPECT_FALSE(view.scrollHorizontal(kToBottom));
    view.setTabWidth(0);  // pages of four cells then
    EXPECT_TRUE(view.scrollHorizontal(kPageUp));
    EXPECT_EQ(view.column(), 116);
    EXPECT_TRUE(view.scrollHorizontal(kThumb, 500));
    EXPECT_EQ(view.column(), 120);
    EXPECT_EQ(view.textX(), -720);
}

TEST_F(ViewTest, PagesMoveByAScreenLessTwoLinesAndSayWhenAtAnEnd) {
    loadLines(49);
    std::vector<int> tops;
    while (view.page(cmd::kNextPage)) tops.push_back(view.top());
    EXPECT_EQ(tops, (std::vector<int>{8, 16, 24, 32, 40, 43}));
    EXPECT_EQ(status.back(), text::kLastPage);
    EXPECT_FALSE(view.page(cmd::kLastPage));
    EXPECT_EQ(rec.beeps, 2);

    EXPECT_TRUE(view.page(cmd::kPreviousPage));
    EXPECT_EQ(view.top(), 34);
    EXPECT_EQ(status.back(), "");
    EXPECT_TRUE(view.page(cmd::kFirstPage));
    EXPECT_EQ(view.top(), 0);
    EXPECT_FALSE(view.page(cmd::kFirstPage));
    EXPECT_EQ(status.back(), text::kFirstPage);
    EXPECT_FALSE(view.page(cmd::kPreviousPage));
    EXPECT_EQ(status.back(), text::kFirstPage);
    EXPECT_TRUE(view.page(cmd::kLastPage));
    EXPECT_EQ(view.top(), 43);

    // A file shorter than the pane has one page.
    loadLines(3);
    EXPECT_FALSE(view.page(cmd::kNextPage));
    EXPECT_FALSE(view.page(cmd::kLastPage));
    EXPECT_EQ(view.top(), 0);
}

TEST_F(ViewTest, ClicksAndLoadsPlaceTheCurrentLineAndItsMark) {
    loadLines(49);
    EXPECT_EQ(view.current(), 1);
    EXPECT_EQ(view.markY(), -1);
    EXPECT_TRUE(view.markVisible());
    EXPECT_TRUE(view.scrollVertical(kThumb, 20));
    EXPECT_TRUE(view.click(30));  // the third line shown
    EXPECT_EQ(view.current(), 23);
    EXPECT_EQ(view.nextSearch(), 23);
    EXPECT_EQ(view.markY(), 13 * 3 - 14);
    EXPECT_TRUE(view.scrollVertical(kThumb, 30));
    EXPECT_FALSE(view.markVisible());

    // Reading the same file again keeps the current line in view; another file
    // starts at its top.
    view.placeAfterLoad(true);
    EXPECT_EQ(view.current(), 23);
    EXPECT_EQ(view.top(), 22);
    EXPECT_TRUE(view.click(13 * 9));
    EXPECT_EQ(view.current(), 32);
    view.placeAfterLoad(true);
    EXPECT_EQ(view.top(), 31);
    view.placeAfterLoad(false);
    EXPECT_EQ(view.current(), 1);
    EXPECT_EQ(view.top(), 0);

    // Near the end the last page stays full.
    EXPECT_TRUE(view.scrollVertical(kToBottom));
    EXPECT_TRUE(view.click(13 * 6));
    EXPECT_EQ(view.current(), 50);
    view.placeAfterLoad(true);
    EXPECT_EQ(view.top(), 40);

    // No line below the end of a short file.
    loadLines(2);
    EXPECT_FALSE(view.click(13 * 5));
    EXPECT_EQ(view.current(), 1);
}

TEST_F(ViewTest, AnEmptyListRefusesThePlacement) {
    list.load(dir / "missing.log", base::InputCode::Sjis, 8);
    EXPECT_FALSE(view.placeAfterLoad(false));
    EXPECT_EQ(status.back(), text::kTooLarge);
    EXPECT_EQ(view.lastDrawnLine(), -1);
    EXPECT_FALSE(view.markVisible());
}

TEST_F(ViewTest, SearchStartsOnTheCurrentLineAndGoesOnAfterEachMatch) {
    std::string s = srctest::numberedLines(4) + "a needle here\nline 6\nNEEDLE again\n";
    load(s);
    view.placeAfterLoad(false);
    EXPECT_TRUE(view.click(13 * 4));  // line 5
    view.beginSearch();
    EXPECT_TRUE(view.search("needle", false));
    EXPECT_EQ(view.current(), 5);
    EXPECT_EQ(view.nextSearch(), 5);
    EXPECT_EQ(status, (std::vector<std::string>{text::kSearching, ""}));
    EXPECT_TRUE(view.search(view.searchText(), false));
    EXPECT_EQ(view.current(), 7);
    EXPECT_FALSE(view.search("needle", false));
    EXPECT_EQ(view.current(), 7);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, text::kCaptionSearch);
    EXPECT_EQ(rec.boxes[0].text, text::kNotFound);

    // Match case: only the upper-case line.
    EXPECT_TRUE(view.click(0));
    view.beginSearch();
    EXPECT_TRUE(view.search("NEEDLE", true));
    EXPECT_EQ(view.current(), 7);

    // Nothing to search for; the closing mark is not part of the file.
    EXPECT_FALSE(view.search("", false));
    EXPECT_EQ(rec.boxes.back().text, text::kEnterText);
    view.beginSearch();
    EXPECT_FALSE(view.search("EOF", false));
    EXPECT_EQ(rec.boxes.back().text, text::kNotFound);
}

TEST_F(ViewTest, SearchNeverMatchesAcrossATwoByteCharacter) {
    // "＝[" is 81 81 5B in Shift-JIS: the bytes 81 5B in its middle spell "ー".
    // "表" is 95 5C: its second byte is a backslash.
    load("\x81\x81[\n\x95\x5C\n", base::InputCode::Sjis);
    view.placeAfterLoad(false);
    view.beginSearch();
    EXPECT_FALSE(view.search("ー", false));
    view.beginSearch();
    EXPECT_FALSE(view.search("\\", false));
    view.beginSearch();
    EXPECT_TRUE(view.search("[", false));
    EXPECT_EQ(view.current(), 1);
    EXPECT_TRUE(view.search("表", true));
    EXPECT_EQ(view.current(), 2);
}

TEST_F(ViewTest, AMatchOutsideTheViewIsBroughtNearTheMiddle) {
    loadLines(100);  // N = 101
    view.beginSearch();
    EXPECT_TRUE(view.search("line 61", true));
    EXPECT_EQ(view.top(), 55);  // line index 60 less half a pane of rows
    // A match on the screen leaves the view where it is.
    EXPECT_TRUE(view.search("line 63", true));
    EXPECT_EQ(view.top(), 55);
    // Near the end the view is moved back.
    EXPECT_TRUE(view.search("line 100", true));
    EXPECT_EQ(view.top(), 93);
}

}  // namespace
