// The Qt form of the services: message boxes over the main frame, the message pane,
// the status bar, the busy state, the logo animation, pickers, the shell's open verb
// and keeping the interface alive. Tests replace the modal parts through the hooks.
#pragma once

#include <QMessageBox>
#include <QPointer>

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "base/services.h"

namespace appqt {

class MainFrame;
class MeterWindow;

// A file picker filter label such as "ログファイル(*.klg;*.log)" in Qt's form
// ("ログファイル(*.klg *.log)"), and its default extension ("klg").
QString qtFilter(std::string_view label);
QString defaultSuffix(std::string_view label);

// Makes a message box at least as wide as its caption needs in the title bar (with
// room for the window buttons), so that the caption is not cut.
void widenForCaption(QMessageBox& box);
// The width that widenForCaption gives the box at the least.
int captionWidth(const QString& caption);

class QtServices : public base::Services {
public:
    explicit QtServices(MainFrame* frame = nullptr) : frame_(frame) {}
    void setFrame(MainFrame* f) { frame_ = f; }
    MainFrame* frame() const { return frame_; }

    bool messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                    std::string_view l3) override;
    bool warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                    std::string_view l3) override;
    void appendMessage(int list, std::string_view text) override;
    void clearMessages(int list) override;
    void selectMessageTab(int list) override;
    void setStatus(std::string_view text) override;
    void enterBusy() override;
    void leaveBusy() override;
    bool isBusy() const override { return busy_ > 0; }
    void logoStart() override;
    void logoStop() override;
    void logoReset() override;
    void keepAlive() override;
    void progressBegin(std::string_view title) override;
    bool progressUpdate(std::string_view text, std::string_view file, long done, long total) override;
    void progressEnd() override;
    void beep() override;
    void completionSound() override;
    bool pickFile(int mode, std::string& path, std::string_view filter, int& filterIndex) override;
    bool pickFolder(std::string_view title, std::string& path) override;
    bool openWithShell(const std::string& path) override;

    // Several existing files at once (the project dialog's Add).
    QStringList pickFiles(const QString& startDir, std::string_view filter);

    // Test hooks: when set they answer instead of the modal windows and the desktop.
    std::function<bool(int kind, bool warning, const std::string& caption, const std::string& text)> boxHook;
    std::function<bool(const std::string& path)> openHook;
    std::function<bool(int mode, std::string& path)> fileHook;
    std::function<QStringList(const QString& startDir)> filesHook;
    std::function<bool(std::string& path)> folderHook;
    std::function<void()> beepHook;

private:
    bool box(int kind, std::string_view caption, const std::string& text, bool warning);
    MainFrame* frame_;
    QPointer<MeterWindow> meter_;  // the progress meter of a long run, while it runs
    QString meterTitle_;
    int busy_ = 0;
    std::string lastFolder_;
};

}  // namespace appqt
