// GUI-free parts of the message pane and the logo box: the capped message lists, the
// rule that makes a message line clickable, and the logo animation counter. The Qt
// form of the services keeps its list widgets in step with these models.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace app {

// One list of the message pane. Before a line is added to a list holding more than
// `kCap` lines, its `kDrop` oldest lines are removed, so a long run cannot fill memory.
class MessageListModel {
public:
    static constexpr std::size_t kCap = 1000;
    static constexpr std::size_t kDrop = 100;

    // Adds a line at the end. Returns the number of old lines removed first (0 or kDrop).
    std::size_t append(std::string_view line);
    void clear() { lines_.clear(); }
    std::size_t size() const { return lines_.size(); }
    const std::string& line(std::size_t i) const { return lines_[i]; }
    const std::deque<std::string>& lines() const { return lines_; }

private:
    std::deque<std::string> lines_;
};

// The three lists: 0 "タイミングチャート", 1 "Word", 2 "HTML".
class MessagePaneModel {
public:
    static constexpr int kLists = 3;
    static const char* tabLabel(int list);

    // Out-of-range list numbers are ignored (append returns 0, list() gives list 0).
    std::size_t append(int list, std::string_view line);
    void clear(int list);
    void select(int list);
    int selected() const { return selected_; }
    const MessageListModel& list(int list) const;

private:
    std::array<MessageListModel, kLists> lists_;
    int selected_ = 0;
};

// True when a message line names a file that a click opens: it contains ".xls",
// ".htm", ".doc", ".gif", ".wmf" or ".txt".
bool lineNamesFile(std::string_view line);
// The path a clickable line names: the text after the first ":" up to the next "]"
// (or the end), without one leading blank, with trailing blanks and line breaks
// removed. Empty when the line names no file.
std::string clickablePath(std::string_view line);
// Opens the path of a clicked line with the shell; on failure shows catalogue 920 with
// the path (caption "Chronava"). False when the line names no file or opening failed.
bool openClickedLine(std::string_view line);

// The logo animation: frames 0 to 8, advanced every 500 ms while running.
class LogoAnimation {
public:
    static constexpr int kFrames = 9;
    static constexpr int kPeriodMs = 500;
    // True when the timer must be started (it was not running).
    bool start();
    // True when the timer must be stopped (it was running).
    bool stop();
    void reset() { frame_ = 0; }
    // One timer tick: advances the frame, wrapping from 8 to 0.
    void tick() { frame_ = (frame_ + 1) % kFrames; }
    int frame() const { return frame_; }
    bool running() const { return running_; }

private:
    int frame_ = 0;
    bool running_ = false;
};

}  // namespace app
