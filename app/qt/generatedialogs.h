// The windows of the generation run: the dialog CNVDLG of the frame's command
// "生成実行(&C)", the progress window TCMETER, the hint dialog AWKWARNDLG and the
// generation error window TCCNVERROR with the command "生成エラー表示".
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "app/generation.h"
#include "helpdialog.h"

class QCheckBox;
class QListWidget;
class QPushButton;

namespace appqt {

class MainFrame;

// Command numbers of the generation.
namespace cmd {
constexpr int kShowGenerationErrors = 20489;
}

// Help context numbers.
constexpr int kHelpCnvDlg = 828;
constexpr int kHelpMeter = 829;
constexpr int kHelpErrorWindow = 830;

// CNVDLG: one check box "タイミングチャート(&G)".
class CnvDialog : public HelpDialog {
    Q_OBJECT
public:
    CnvDialog(MainFrame& frame, bool chart);
    bool chart() const;
    QCheckBox* chartBox() const { return chart_; }

private:
    QCheckBox* chart_;
};

// TCMETER: title, a line, the file name in blue, a status line, a bar with the
// percentage and the button " 中断 ".
class MeterWindow : public QWidget {
    Q_OBJECT
public:
    explicit MeterWindow(QWidget* frame);
    void set(const QString& title, const QString& line, const QString& file);
    void setStatusLine(const QString& s);
    void setProgress(long done, long total);
    QPushButton* interruptButton() const { return button_; }
    // What fits of `file` in `width` pixels at eight pixels a cell (CP932 cells).
    static QString cutToFit(const QString& file, int width);

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString line_, file_, status_;
    long done_ = 0, total_ = 0;
    QPushButton* button_;
};

// AWKWARNDLG: why the sample log cannot be generated, a button to the awk page, and
// "次回からこのメッセージを表示しない。".
class AwkWarnDialog : public HelpDialog {
    Q_OBJECT
public:
    explicit AwkWarnDialog(MainFrame& frame);
    QCheckBox* dontShowBox() const { return dontShow_; }
    QPushButton* pageButton() const { return page_; }
    static constexpr const char* kAwkPage = "https://www.gnu.org/software/gawk/";

private:
    QCheckBox* dontShow_;
    QPushButton* page_;
};

// TCCNVERROR: a strip with "閉じる" and a list of the error file's lines. Its
// rectangle is kept in the layout table.
class ErrorWindow : public QWidget {
    Q_OBJECT
public:
    ErrorWindow(MainFrame& frame);
    void setLines(const std::vector<std::string>& lines);
    QListWidget* list() const { return list_; }
    QPushButton* closeButton() const { return close_; }
    // The rectangle it opens at: the stored one, or 200/100 from the frame's client
    // origin at 702 x 398.
    QRect initialRect() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void store();
    MainFrame& frame_;
    QListWidget* list_;
    QPushButton* close_;
    bool ready_ = false;
};

// The Qt form of the run's windows.
class QtGenerationWindows : public QObject, public app::GenerationWindows {
    Q_OBJECT
public:
    explicit QtGenerationWindows(MainFrame& frame);
    ~QtGenerationWindows() override;

    void showAwkHint(app::AppCore& core) override;
    void showProgress(std::string_view title, std::string_view line, std::string_view file) override;
    void closeProgress() override;
    void enableCommands(bool on) override;
    bool errorWindowOpen() const override { return !errorWindow_.isNull(); }
    void closeErrorWindow() override;
    void showErrorWindow(app::AppCore& core, const std::vector<std::string>& lines) override;

    MeterWindow* meter() const { return meter_; }
    ErrorWindow* errorWindow() const { return errorWindow_; }
    // Test hook: answers the hint dialog instead of showing it (true = "don't show
    // again" ticked).
    std::function<bool()> hintHook;

private:
    MainFrame& frame_;
    QPointer<MeterWindow> meter_;
    QPointer<ErrorWindow> errorWindow_;
    bool enteredBusy_ = false;
};

// Road B: CNVDLG, then the loop over the project's log files.
void runGenerationCommand(MainFrame& frame);
// Takes over the frame's command 20488, adds "生成エラー表示(&E)" to the menu 生成(&C)
// and installs the windows of the run.
void installGeneration(MainFrame& frame);
QtGenerationWindows* generationWindowsOf(MainFrame& frame);

}  // namespace appqt
