#include "base/services.h"

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace base {

std::string joinBoxLines(std::string_view l1, std::string_view l2, std::string_view l3) {
    std::string s(l1);
    if (!l3.empty()) {
        s += '\n';
        s += l2;
        s += '\n';
        s += l3;
    } else if (!l2.empty()) {
        s += '\n';
        s += l2;
    }
    return s;
}

BoxLayout boxLayout(int kind, std::string_view text, bool warning) {
    BoxLayout b;
    if (kind != kBoxAsk && kind != kBoxAskSecondDefault) {
        b.icon = warning ? BoxLayout::Warning : BoxLayout::Information;
        b.buttons = BoxLayout::Ok;
        return b;
    }
    bool question = text.find(warning ? "？" : "?") != std::string_view::npos;
    if (question) {
        b.icon = warning ? BoxLayout::Warning : BoxLayout::Question;
        b.buttons = BoxLayout::YesNo;
    } else {
        b.icon = warning ? BoxLayout::Warning : BoxLayout::Information;
        b.buttons = BoxLayout::OkCancel;
    }
    b.secondDefault = (kind == kBoxAskSecondDefault);
    return b;
}

namespace {
ConsoleServices& consoleServices() {
    static ConsoleServices s;
    return s;
}
Services* g_services = nullptr;
}  // namespace

Services& services() { return g_services ? *g_services : consoleServices(); }
void setServices(Services* s) { g_services = s; }

int Services::runAndWait(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir) {
    std::vector<std::string> argvStore;
    argvStore.push_back(program);
    for (const auto& a : args) argvStore.push_back(a);
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    const char* path = std::getenv("PATH");
    std::string envPath = std::string("PATH=") + (path ? path : "/usr/bin:/bin");
    char* envp[] = {envPath.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;

    // Look for the end at every keep-alive step (20 ms, or the poll interval when that
    // is shorter), so the run goes on as soon as the program has ended.
    const int stepMs = std::max(1, std::min(pollMs_, 20));
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            // posix_spawnp reports a missing program through exit status 127.
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (r < 0 && errno != EINTR) return -1;
        keepAlive();
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
}

std::string pickerDefaultExtension(std::string_view filter) {
    std::size_t dot = filter.find('.');
    if (dot == std::string_view::npos) return {};
    std::string_view rest = filter.substr(dot + 1);
    std::size_t end = rest.find_first_of(";)");
    return std::string(rest.substr(0, end));
}

std::string pickerStartPath(std::string_view path) {
    if (path.substr(0, 2) == "*.") return {};
    return std::string(path);
}

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) out.push_back(word);
    return out;
}

void ConsoleServices::progressBegin(std::string_view title) {
    if (!quiet_) std::fprintf(stderr, "%.*s\n", static_cast<int>(title.size()), title.data());
}

bool ConsoleServices::progressUpdate(std::string_view text, std::string_view file, long done, long total) {
    if (!quiet_)
        std::fprintf(stderr, "  %.*s %.*s (%ld/%ld)\n", static_cast<int>(text.size()), text.data(),
                     static_cast<int>(file.size()), file.data(), done, total);
    return !cancelRequested();
}

bool ConsoleServices::box(int kind, std::string_view caption, std::string_view text, bool warning) {
    BoxLayout b = boxLayout(kind, text, warning);
    bool asks = b.buttons != BoxLayout::Ok;
    if (!quiet_) {
        std::fprintf(stderr, "[%.*s] %.*s", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        if (asks) std::fprintf(stderr, " -> %s", answer_ ? (b.buttons == BoxLayout::YesNo ? "はい" : "OK")
                                                         : (b.buttons == BoxLayout::YesNo ? "いいえ" : "キャンセル"));
        std::fputc('\n', stderr);
    }
    return asks ? answer_ : true;
}

bool ConsoleServices::messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                                 std::string_view l3) {
    return box(kind, caption, joinBoxLines(l1, l2, l3), false);
}

bool ConsoleServices::warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                                 std::string_view l3) {
    return box(kind, caption, joinBoxLines(l1, l2, l3), true);
}

void ConsoleServices::appendMessage(int, std::string_view text) {
    if (!quiet_) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

bool ConsoleServices::openWithShell(const std::string& path) {
    std::vector<std::string> args{path};
    return Services::runAndWait("xdg-open", args, {}) == 0;
}

bool RecordingServices::record(int kind, bool warning, std::string_view caption, std::string_view l1,
                               std::string_view l2, std::string_view l3) {
    std::string text = joinBoxLines(l1, l2, l3);
    boxes.push_back({kind, warning, std::string(caption), text});
    BoxLayout b = boxLayout(kind, text, warning);
    if (b.buttons == BoxLayout::Ok) return true;
    if (nextAnswer_ < answers.size()) return answers[nextAnswer_++];
    return defaultAnswer;
}

bool RecordingServices::messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                                   std::string_view l3) {
    return record(kind, false, caption, l1, l2, l3);
}

bool RecordingServices::warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                                   std::string_view l3) {
    return record(kind, true, caption, l1, l2, l3);
}

bool RecordingServices::progressUpdate(std::string_view text, std::string_view file, long done, long total) {
    progress.push_back(std::string(text) + "|" + std::string(file) + "|" + std::to_string(done) + "/" +
                       std::to_string(total));
    int n = 0;
    for (const auto& p : progress)
        if (p.find('|') != std::string::npos) ++n;
    if (cancelAtUpdate > 0 && n == cancelAtUpdate) requestCancel();
    return !cancelRequested();
}

void RecordingServices::clearMessages(int list) {
    std::erase_if(messages, [list](const auto& m) { return m.first == list; });
}

}  // namespace base
