// Position, scrolling, pages and search of the source view.
#include "srcview/source_view.h"

#include <algorithm>

#include "base/services.h"

namespace srcview {

void SourceView::resize(int width, int height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

int SourceView::verticalMax() const { return std::max(0, list_.count() - (rows() - 1)); }

int SourceView::horizontalMax() const { return std::max(0, list_.longest() + 1 - columns()); }

void SourceView::reset() {
    top_ = column_ = 0;
    current_ = 1;
    nextSearch_ = 0;
}

bool SourceView::placeAfterLoad(bool sameFile) {
    const int n = list_.count();
    // Another file starts at its first line; the same file read again keeps the
    // current line while it still exists.
    if (!sameFile || current_ > n) {
        current_ = 1;
        nextSearch_ = 0;
    }
    column_ = 0;
    if (current_ > n) {
        top_ = 0;
        base::services().beep();
        say(text::kTooLarge);
        return false;
    }
    // The current line shows, and the last page is full when the file reaches it.
    top_ = std::max(0, std::min(current_ - 1, n - rows()));
    return true;
}

bool SourceView::refuse() const {
    base::services().beep();
    return false;
}

bool SourceView::scrollVertical(int code, int pos) {
    const int r = rows(), n = list_.count(), t = top_;
    int to = t;
    switch (code) {
    case kLineUp:
        if (t <= 0) return refuse();
        to = t - 1;
        break;
    case kLineDown:
        if (t + r - 1 > n) return refuse();
        to = t + 1;
        break;
    case kPageUp:
        if (t <= 0) return refuse();
        to = std::max(0, t - r);
        break;
    case kPageDown:
        if (n < t + r - 1) return refuse();
        to = n < t + 2 * r ? n - r + 3 : t + r;
        to = std::max(0, to);
        break;
    case kThumb:
        to = n < pos + r - 1 ? n - r + 3 : pos;
        to = std::max(0, to);
        break;
    case kToTop:
        if (t == 0) return refuse();
        to = 0;
        break;
    case kToBottom:
        if (t + r - 1 >= n) return refuse();
        to = std::max(0, n - r + 3);
        break;
    default: return false;
    }
    if (to == top_) return false;
    top_ = to;
    return true;
}

bool SourceView::scrollHorizontal(int code, int pos) {
    const int l = list_.longest(), w = columns(), c = column_;
    int to = c;
    switch (code) {
    case kLineUp:
        if (c <= 0) return refuse();
        to = c - 1;
        break;
    case kLineDown:
        if (c > l - w) return refuse();
        to = c + 1;
        break;
    case kPageUp:
        if (c == 0) return refuse();
        to = std::max(0, c - tabStep());
        break;
    case kPageDown:
        if (c > l - w) return refuse();
        to = std::min(c + tabStep(), l - w + 1);
        break;
    case kThumb: to = std::clamp(pos, 0, std::max(0, l)); break;
    case kToTop:
        if (c <= 0) return refuse();
        to = 0;
        break;
    case kToBottom:
        if (c >= l) return refuse();
        to = l;
        break;
    default: return false;
    }
    if (to == column_) return false;
    column_ = to;
    return true;
}

bool SourceView::page(int command) {
    const int r = rows() - 1, n = list_.count(), t = top_;
    int to = t;
    auto atEnd = [&](const char* msg) {
        base::services().beep();
        say(msg);
        return false;
    };
    switch (command) {
    case cmd::kNextPage:
        if (n < t + r - 1) return atEnd(text::kLastPage);
        to = t + r - 1;
        if (n < to + r - 1) to = n - r + 2;
        break;
    case cmd::kPreviousPage:
        if (t <= 0) return atEnd(text::kFirstPage);
        to = t - r;
        break;
    case cmd::kFirstPage:
        if (t <= 0) return atEnd(text::kFirstPage);
        to = 0;
        break;
    case cmd::kLastPage:
        if (n < t + r - 1) return atEnd(text::kLastPage);
        to = n - r + 2;
        break;
    default: return false;
    }
    to = std::max(0, to);
    say({});
    if (to == top_) return false;
    top_ = to;
    return true;
}

bool SourceView::click(int y) {
    if (y < 0) return refuse();
    const int line = top_ + y / kLineHeight + 1;
    if (line > list_.count()) return refuse();
    current_ = line;
    nextSearch_ = line;
    return true;
}

namespace {
void foldAscii(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}
}  // namespace

bool SourceView::search(std::string_view what, bool matchCase) {
    base::Services& sv = base::services();
    searchText_ = base::cutToCp932(what, kSearchTextBytes);
    matchCase_ = matchCase;
    if (searchText_.empty()) {
        sv.messageBox(base::kBoxInfo, text::kCaptionSearch, text::kEnterText);
        return false;
    }
    say(text::kSearching);
    std::string needle = searchText_, hay;
    if (!matchCase) foldAscii(needle);
    // Lines are UTF-8, so a match found by bytes always begins and ends on character
    // boundaries: no match can start in the middle of a two-byte character. The
    // closing "[EOF]" line is not part of the file and is never found.
    int found = -1;
    for (int i = std::max(0, nextSearch_); i < list_.count() && found < 0; ++i) {
        if (list_.isEofLine(i)) break;
        std::string_view s = list_.line(i);
        if (!matchCase) {
            hay.assign(s);
            foldAscii(hay);
            s = hay;
        }
        if (s.find(needle) != std::string_view::npos) found = i;
    }
    if (found < 0) {
        say({});
        sv.messageBox(base::kBoxInfo, text::kCaptionSearch, text::kNotFound);
        return false;
    }
    current_ = found + 1;
    nextSearch_ = found + 1;
    const int r = rows(), n = list_.count();
    if (found < top_ || found >= top_ + r) {
        int t = found - height_ / (2 * kLineHeight);
        if (t + (r - 1) > n) t = n - (r - 1) + 1;
        top_ = std::max(0, t);
    }
    say({});
    return true;
}

int SourceView::lastDrawnLine() const { return std::min(list_.count() - 1, top_ + rows()); }

bool SourceView::markVisible() const {
    const int row = current_ - 1 - top_;
    return current_ >= 1 && current_ <= list_.count() && row >= 0 && row * kLineHeight < height_;
}

TextPos SourceView::positionAt(int x, int y) const {
    TextPos p;
    p.line = std::clamp(top_ + (y < 0 ? -1 : y / kLineHeight), 0, std::max(0, list_.count() - 1));
    // The text begins one cell in; a point belongs to the nearer character edge.
    int cell = (x + kCellWidth / 2) / kCellWidth - 1 + column_;
    p.cell = std::max(0, cell);
    return p;
}

}  // namespace srcview
