// The source list: the lines of one log file as the source view shows them.
//
// A log is read in the project's input code (Shift-JIS, JIS, EUC-JP or UTF-8) and
// kept as UTF-8 display lines: each line cut to 256 bytes of its CP932 form at a
// character boundary, tabs expanded to the tab width. At most 10,000 lines are kept;
// a file with fewer gets a closing "[EOF]" line. Load failures and limits are told to
// the user through base::services() message boxes; progress goes to the view's
// status text through a callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace srcview {

constexpr int kMaxLines = 10000;
// CP932 bytes kept of a line; a two-byte character that starts in the last byte is
// kept whole, so a line may hold 257 bytes.
constexpr std::size_t kLineBytes = 256;
// The largest tab width the parameter record allows; larger values of a damaged
// record are taken as this.
constexpr int kMaxTabWidth = 32;
constexpr char kEofText[] = "[EOF]";

// Texts of the source view.
namespace text {
constexpr char kCaptionRead[] = "ソースリスト読み込み";
constexpr char kCaptionOpen[] = "ファイルオープンエラー確認";
constexpr char kOpenError[] = "ファイルオープンエラー";
constexpr char kFileName[] = "ファイル名(%s)";
constexpr char kNoMemory[] = "メモリが足りません。";
constexpr char kReading[] = "ソースリストを読み込み中です。";
constexpr char kTooLarge[] = "ソースが大きすぎます。";
constexpr char kOverflow[] = "ソースリストバッファオーバ";
constexpr char kTooWide[] = "ソースの桁数が制限を超えています。";
constexpr char kShowing[] = "ソースリストを表示中です。";
constexpr char kBadCode[] = "文字コードが正しくない行があります。(%d 行目ほか)";
}  // namespace text

// Receives the status texts of loading, drawing and searching.
using StatusSink = std::function<void(std::string_view)>;

enum class LoadResult {
    Ok,           // every line of the file is shown
    OpenFailed,   // nothing read
    NoMemory,     // nothing read
    TooManyLines, // the first 10,000 lines are shown
    Overflow,     // the lines before the one that did not fit are shown
};

// Where a character of a line lies in the text pane's cells.
struct TextPos {
    int line = 0;  // 0-based line index
    int cell = 0;  // 0-based cell of the line's text
    bool operator==(const TextPos&) const = default;
};

class SourceList {
public:
    // Reads `path` in `code`, expanding tabs to `tabWidth` (0 drops them). Replaces
    // the previous contents; on failure the list is left empty or partly filled as the
    // result says.
    LoadResult load(const std::string& path, base::InputCode code, int tabWidth, const StatusSink& status = {});
    void clear();

    const std::string& path() const { return path_; }
    // Stored lines, the closing "[EOF]" line included.
    int count() const { return static_cast<int>(offsets_.size()); }
    // The display text of line i (0-based), UTF-8; empty for an index out of range.
    std::string_view line(int i) const;
    // Width of line i in character cells (its CP932 length).
    int cells(int i) const;
    // The widest line in cells.
    int longest() const { return longest_; }
    // True when line i is the closing "[EOF]" line rather than a line of the file.
    bool isEofLine(int i) const { return hasEof_ && i == count() - 1; }
    // True when some line was longer than 256 bytes and was cut.
    bool hadLongLines() const { return longLines_; }
    // 1-based number of the first line that held bytes invalid in the input code, or 0.
    int firstBadLine() const { return firstBad_; }

    // The text between two positions (in either order), lines joined with "\n". A
    // character is taken when its first cell lies inside the range.
    std::string textBetween(TextPos a, TextPos b) const;

    // Byte offset in line i of the first character that starts at or after cell
    // `cell` (the line's end when there is none).
    std::size_t byteAtCell(int i, int cell) const;

private:
    bool store(std::string_view text, int cellsWide);

    std::string path_;
    std::string block_;                 // line texts one after the other
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint32_t> lengths_;
    std::vector<std::uint16_t> cells_;
    int longest_ = 0;
    bool longLines_ = false;
    bool hasEof_ = false;
    int firstBad_ = 0;
    std::uint64_t capacity_ = 0;  // budget of the text block in CP932 bytes
    std::uint64_t used_ = 0;
};

// Width in character cells of the UTF-8 character that starts at s[i], and its length
// in bytes through `len`: one cell for ASCII and half-width kana, two for the rest.
int charCells(std::string_view s, std::size_t i, std::size_t& len);
// Cells of a whole UTF-8 text.
int textCells(std::string_view s);

// One log line made ready for display: decoded, cut to 256 CP932 bytes (a two-byte
// character that starts in the last byte kept whole), tabs expanded. `cut` tells
// whether the line was longer than the limit; the result is false when the line held
// bytes invalid in its code (shown as U+FFFD). Control characters other than tab are
// shown as U+FFFD too, so that nothing invisible changes the columns.
struct DisplayLine {
    std::string text;
    int cells = 0;
    int tabs = 0;  // tab characters in the part kept
    bool cut = false;
};
bool makeDisplayLine(base::LineDecoder& dec, std::string_view raw, int tabWidth, DisplayLine& out);

}  // namespace srcview
