// The services through which every module reaches the user: message boxes, the
// message pane, the status line, the busy state, the logo animation, the progress
// meter, keeping the interface alive during long runs, pickers, the shell's open
// verb and running a program and waiting for it.
//
// GUI-free code calls services(); the desktop program installs its Qt form, the
// command line a console form, tests a recording form.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Message box kinds. Kind 1 (or any value other than 0 and 2) is information with OK.
// Kinds 0 and 2 ask: Yes/No with the question icon when the text holds a question
// mark, else OK/Cancel; kind 2 makes the second button the default.
enum BoxKind { kBoxAsk = 0, kBoxInfo = 1, kBoxAskSecondDefault = 2 };

// The three message pane lists.
enum MessageList { kListChart = 0, kListWord = 1, kListHtml = 2 };

// Which icon and buttons a box shows, as worked out from its kind and text.
struct BoxLayout {
    enum Icon { Information, Question, Warning } icon = Information;
    enum Buttons { Ok, OkCancel, YesNo } buttons = Ok;
    bool secondDefault = false;
};

// Joins up to three lines as message boxes do: with a non-empty line 3 all three
// (an empty line 2 gives an empty middle line), else with a non-empty line 2 two,
// else line 1 alone.
std::string joinBoxLines(std::string_view l1, std::string_view l2, std::string_view l3);
// Icon and buttons for a box. `warning` selects the second variant, which uses the
// warning icon and looks for the full-width question mark instead of "?".
BoxLayout boxLayout(int kind, std::string_view text, bool warning);

// File picker modes.
enum PickMode { kPickOpen = 0, kPickSave = 1, kPickOpenNoCheck = 2 };

class Services {
public:
    virtual ~Services() = default;

    // Modal message box; true when the user chose OK or Yes.
    virtual bool messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2 = {},
                            std::string_view l3 = {}) = 0;
    // The warning variant ("？" makes it ask).
    virtual bool warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2 = {},
                            std::string_view l3 = {}) = 0;

    // Message pane.
    virtual void appendMessage(int list, std::string_view text) = 0;
    virtual void clearMessages(int list) = 0;
    virtual void selectMessageTab(int list) = 0;

    // Status line.
    virtual void setStatus(std::string_view text) = 0;
    void clearStatus() { setStatus({}); }

    // Busy state.
    virtual void enterBusy() = 0;
    virtual void leaveBusy() = 0;
    virtual bool isBusy() const = 0;

    // Logo animation.
    virtual void logoStart() {}
    virtual void logoStop() {}
    virtual void logoReset() {}
    // Nesting runs (a project loop around per-chart runs, a document run around its
    // exports) share one animation: only the outermost begin starts it and only the
    // matching end stops it. Use LogoRun rather than calling these in pairs by hand.
    void logoBegin() {
        if (logoDepth_++ == 0) logoStart();
    }
    void logoEnd() {
        if (logoDepth_ > 0 && --logoDepth_ == 0) logoStop();
    }

    // Progress meter of long runs. progressUpdate returns false when the user asked
    // to cancel.
    virtual void progressBegin(std::string_view title) { (void)title; }
    virtual bool progressUpdate(std::string_view text, std::string_view file, long done, long total) {
        (void)text, (void)file, (void)done, (void)total;
        return true;
    }
    virtual void progressEnd() {}

    // Lets the interface handle one pending event between steps of a long run.
    virtual void keepAlive() {}

    // The cancel flag that long runs test before each target and each log file. The
    // interface sets it (command 306, the progress meter's cancel button); a run
    // clears it when it starts.
    void requestCancel() { cancel_ = true; }
    void clearCancel() { cancel_ = false; }
    bool cancelRequested() const { return cancel_; }

    virtual void beep() {}
    virtual void completionSound() {}

    // Pickers; false when cancelled. `filter` is a label such as
    // "プロジェクトファイル(*.nam)".
    virtual bool pickFile(int mode, std::string& path, std::string_view filter, int& filterIndex) {
        (void)mode, (void)path, (void)filter, (void)filterIndex;
        return false;
    }
    virtual bool pickFolder(std::string_view title, std::string& path) {
        (void)title, (void)path;
        return false;
    }

    // Opens a file with the platform shell (xdg-open); false on failure.
    virtual bool openWithShell(const std::string& path) = 0;

    // Starts `program` with `args` (already split), PATH alone in its environment and
    // `workDir` as its working folder, and waits for it, polling every 1500 ms and
    // keeping the interface alive meanwhile. Returns the exit status, or -1 when the
    // program could not be started.
    virtual int runAndWait(const std::string& program, const std::vector<std::string>& args,
                           const std::string& workDir);
    // How often runAndWait checks whether the program has ended (tests shorten it).
    void setPollInterval(int ms) { pollMs_ = ms; }

protected:
    int pollMs_ = 1500;
    bool cancel_ = false;

private:
    int logoDepth_ = 0;
};

// Animates the logo for the lifetime of a scope: every generation, export and
// document run holds one, so the animation stops on every way out of the run.
class LogoRun {
public:
    LogoRun();
    ~LogoRun() { sv_.logoEnd(); }
    LogoRun(const LogoRun&) = delete;
    LogoRun& operator=(const LogoRun&) = delete;

private:
    Services& sv_;
};

// The default extension of a picker filter label: the text after the first "." up to
// ";" or ")" ("プロジェクトファイル(*.nam)" gives "nam"); empty when there is none.
std::string pickerDefaultExtension(std::string_view filter);
// The path a picker starts from: a path that begins with "*." is no path.
std::string pickerStartPath(std::string_view path);

// Splits a command line into a program and its arguments: words are separated by
// blanks or tabs; a double-quoted part may hold blanks and is taken without its
// quotes. Nothing else is interpreted (no variables, globbing or redirection).
std::vector<std::string> splitCommandLine(std::string_view line);

// The installed services. Before anything is installed a console form is used.
Services& services();
// Installs `s` (not owned); nullptr restores the console form.
void setServices(Services* s);

// Writes messages to standard error and answers every question with a configured
// default. Used by the command-line forms of the program.
class ConsoleServices : public Services {
public:
    explicit ConsoleServices(bool answer = true) : answer_(answer) {}
    void setAnswer(bool a) { answer_ = a; }
    void setQuiet(bool q) { quiet_ = q; }

    bool messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                    std::string_view l3) override;
    bool warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                    std::string_view l3) override;
    void appendMessage(int list, std::string_view text) override;
    void clearMessages(int) override {}
    void selectMessageTab(int) override {}
    void setStatus(std::string_view) override {}
    void progressBegin(std::string_view title) override;
    bool progressUpdate(std::string_view text, std::string_view file, long done, long total) override;
    void beep() override {}
    void enterBusy() override { ++busy_; }
    void leaveBusy() override {
        if (busy_ > 0) --busy_;
    }
    bool isBusy() const override { return busy_ > 0; }
    bool openWithShell(const std::string& path) override;

private:
    bool box(int kind, std::string_view caption, std::string_view text, bool warning);
    bool answer_;
    bool quiet_ = false;
    int busy_ = 0;
};

// Records every call, answering questions from a script. For tests.
class RecordingServices : public Services {
public:
    struct Box {
        int kind;
        bool warning;
        std::string caption;
        std::string text;  // lines joined as shown
    };
    std::vector<Box> boxes;
    std::vector<std::pair<int, std::string>> messages;
    std::vector<std::string> statusTexts;
    std::vector<std::string> opened;
    std::vector<std::string> progress;  // "title", then "text|file|done/total" per update
    std::vector<int> selectedTabs;
    int beeps = 0;
    int completionSounds = 0;
    int logoStarts = 0, logoStops = 0, logoResets = 0;
    // The progress meter reports a cancel at this update (1-based; 0 never).
    int cancelAtUpdate = 0;
    int busyDepth = 0;
    int keepAlives = 0;
    // Answers for questions, taken in order; when exhausted, `defaultAnswer`.
    std::vector<bool> answers;
    bool defaultAnswer = true;
    bool openResult = true;

    bool messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                    std::string_view l3) override;
    bool warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                    std::string_view l3) override;
    void appendMessage(int list, std::string_view text) override { messages.emplace_back(list, std::string(text)); }
    void clearMessages(int list) override;
    void selectMessageTab(int list) override { selectedTabs.push_back(list); }
    void setStatus(std::string_view text) override { statusTexts.emplace_back(text); }
    void logoStart() override { ++logoStarts; }
    void logoStop() override { ++logoStops; }
    void logoReset() override { ++logoResets; }
    void progressBegin(std::string_view title) override { progress.emplace_back(title); }
    bool progressUpdate(std::string_view text, std::string_view file, long done, long total) override;
    void completionSound() override { ++completionSounds; }
    void enterBusy() override { ++busyDepth; }
    void leaveBusy() override { --busyDepth; }
    bool isBusy() const override { return busyDepth > 0; }
    void keepAlive() override { ++keepAlives; }
    void beep() override { ++beeps; }
    bool openWithShell(const std::string& path) override {
        opened.push_back(path);
        return openResult;
    }

private:
    bool record(int kind, bool warning, std::string_view caption, std::string_view l1, std::string_view l2,
                std::string_view l3);
    size_t nextAnswer_ = 0;
};

inline LogoRun::LogoRun() : sv_(services()) { sv_.logoBegin(); }

// Installs a services object for the lifetime of a scope (tests).
class ScopedServices {
public:
    explicit ScopedServices(Services& s) : prev_(&services()) { setServices(&s); }
    ~ScopedServices() { setServices(prev_); }
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services* prev_;
};

}  // namespace base
