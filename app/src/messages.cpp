#include "app/messages.h"

#include "app/catalogue.h"
#include "base/services.h"

namespace app {

std::size_t MessageListModel::append(std::string_view line) {
    std::size_t dropped = 0;
    if (lines_.size() > kCap) {
        lines_.erase(lines_.begin(), lines_.begin() + kDrop);
        dropped = kDrop;
    }
    lines_.emplace_back(line);
    return dropped;
}

const char* MessagePaneModel::tabLabel(int list) {
    switch (list) {
    case 0: return "タイミングチャート";
    case 1: return "Word";
    case 2: return "HTML";
    default: return "";
    }
}

std::size_t MessagePaneModel::append(int list, std::string_view line) {
    if (list < 0 || list >= kLists) return 0;
    return lists_[list].append(line);
}

void MessagePaneModel::clear(int list) {
    if (list >= 0 && list < kLists) lists_[list].clear();
}

void MessagePaneModel::select(int list) {
    if (list >= 0 && list < kLists) selected_ = list;
}

const MessageListModel& MessagePaneModel::list(int list) const {
    return lists_[(list >= 0 && list < kLists) ? list : 0];
}

bool lineNamesFile(std::string_view line) {
    static const char* const kExts[] = {".xls", ".htm", ".doc", ".gif", ".wmf", ".txt"};
    for (const char* e : kExts)
        if (line.find(e) != std::string_view::npos) return true;
    return false;
}

std::string clickablePath(std::string_view line) {
    if (!lineNamesFile(line)) return {};
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view rest = line.substr(colon + 1);
    std::size_t close = rest.find(']');
    if (close != std::string_view::npos) rest = rest.substr(0, close);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\n' || rest.back() == '\r'))
        rest.remove_suffix(1);
    return std::string(rest);
}

bool openClickedLine(std::string_view line) {
    std::string path = clickablePath(line);
    if (path.empty()) return false;
    if (base::services().openWithShell(path)) return true;
    base::services().messageBox(base::kBoxInfo, "Chronava", message(920), path);
    return false;
}

bool LogoAnimation::start() {
    if (running_) return false;
    running_ = true;
    return true;
}

bool LogoAnimation::stop() {
    if (!running_) return false;
    running_ = false;
    return true;
}

}  // namespace app
