// What the source view shows of its source list and how the user moves it: the first
// line shown, the column offset, the current line with its mark, scrolling by lines,
// columns and pages, and the search. The window only forwards its events here and
// draws what this says; beeps go through base::services(), texts to the status sink.
#pragma once

#include <string>
#include <string_view>

#include "srcview/source_list.h"

namespace srcview {

constexpr int kLineHeight = 13;  // px per line
constexpr int kCellWidth = 6;    // px per character cell
constexpr int kMarkHeight = 15;  // the current-line mark

// Scroll codes of the scroll bars, keys, wheel and pan mode.
enum ScrollCode {
    kLineUp = 0,
    kLineDown = 1,
    kPageUp = 2,
    kPageDown = 3,
    kThumb = 4,
    kToTop = 6,
    kToBottom = 7,
};

// Page commands of the toolbar and the frame's keys.
namespace cmd {
constexpr int kNextPage = 300, kPreviousPage = 301, kFirstPage = 302, kLastPage = 303;
constexpr int kEditor = 8194;
constexpr int kSearchMenu = 8961, kSearchAgain = 8962;
constexpr int kToolbar = 12305, kStatusBar = 12306;
constexpr int kHelpContents = 28673, kHelpIndex = 28674;
constexpr int kSearch = 32769;
}  // namespace cmd

namespace text {
constexpr char kLastPage[] = "最終ページ表示中です。";
constexpr char kFirstPage[] = "先頭ページ表示中です。";
constexpr char kCaptionSearch[] = "検索";
constexpr char kEnterText[] = "検索文字列を入力してください。";
constexpr char kSearching[] = "検索中です。";
constexpr char kNotFound[] = "検索文字列が見つかりません。";
}  // namespace text

// Bytes of the search text (its CP932 form, with room for the end mark).
constexpr std::size_t kSearchTextBytes = 255;

class SourceView {
public:
    explicit SourceView(const SourceList& list) : list_(list) {}

    void setStatusSink(StatusSink s) { status_ = std::move(s); }
    // Size of the text pane in pixels.
    void resize(int width, int height);
    int paneWidth() const { return width_; }
    int paneHeight() const { return height_; }
    // Tab width of the parameters; horizontal page steps use it (4 when it is 0).
    void setTabWidth(int w) { tabWidth_ = w; }

    int rows() const { return height_ / kLineHeight; }    // R
    int columns() const { return width_ / kCellWidth; }   // W
    int top() const { return top_; }                      // first line shown, 0-based
    int column() const { return column_; }                // cells scrolled to the left
    int current() const { return current_; }              // current line, 1-based
    int nextSearch() const { return nextSearch_; }        // 0-based

    // Scroll bar ranges: 0 .. these.
    int verticalMax() const;
    int horizontalMax() const;

    // After the list was loaded: keeps the current line when the same file was read
    // again and it still exists, else starts at line 1; places the top so that the
    // current line shows. False (with a beep and a status text) when the list holds
    // no line for the current line, in which case the pane stays empty.
    bool placeAfterLoad(bool sameFile);
    // Forgets the position (the list was emptied).
    void reset();

    // Scroll by a scroll code; `pos` is the thumb position for kThumb. True when the
    // view moved; a refused step beeps.
    bool scrollVertical(int code, int pos = 0);
    bool scrollHorizontal(int code, int pos = 0);
    // One line down for a negative delta, up otherwise.
    bool wheel(int delta) { return scrollVertical(delta < 0 ? kLineDown : kLineUp); }
    // Page commands 300..303. True when the view moved; at the ends a beep and a
    // status text.
    bool page(int command);

    // A left click at pane height y: the line there becomes the current line and the
    // search goes on after it. False (with a beep) when no line is there.
    bool click(int y);

    // The search dialog was opened: the search starts at the current line.
    void beginSearch() { nextSearch_ = current_ - 1; }
    // Searches from the next search line on. True on a match, which becomes the
    // current line and is brought into view. Texts of the search are told to the user.
    bool search(std::string_view text, bool matchCase);
    const std::string& searchText() const { return searchText_; }
    bool matchCase() const { return matchCase_; }

    // Lines drawn: from top() while (index - top) <= rows(), within the list.
    int lastDrawnLine() const;
    // The y of the current-line mark and whether it lies within the pane.
    int markY() const { return kLineHeight * (current_ - top_) - 14; }
    bool markVisible() const;
    // x at which the text of a line starts (the blank before it included).
    int textX() const { return -kCellWidth * column_; }
    // The character position under a pane point, for selecting text.
    TextPos positionAt(int x, int y) const;

private:
    void say(std::string_view s) const {
        if (status_) status_(s);
    }
    bool refuse() const;
    int tabStep() const { return tabWidth_ == 0 ? 4 : tabWidth_; }

    const SourceList& list_;
    StatusSink status_;
    int width_ = 0, height_ = 0;
    int tabWidth_ = 8;
    int top_ = 0, column_ = 0;
    int current_ = 1;
    int nextSearch_ = 0;
    std::string searchText_;
    bool matchCase_ = false;
};

}  // namespace srcview
