// The HTML output command: its dialog "OUTHTMLDLG", the run with the chart pages
// drawn through the GIF export, and the headless "html" subcommand.
#pragma once

#include <string>

#include "app/params.h"
#include "helpdialog.h"
#include "output/html_run.h"
#include "output/publish.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace appqt {

// Help context of the dialog.
constexpr int kHtmlOutputHelp = 820;

// The HTML form of a target: the user's setting, or the installed form of that
// target when none is set, made absolute against the installation folder.
std::string htmlFormPath(const app::ParamRecord& rec, const std::string& installDir, int target);

// Everything the run needs from the user's settings for one project.
output::HtmlRunSetup htmlRunSetup(const app::ParamRecord& rec, const std::string& installDir,
                                  const std::string& projectPath, const output::PublishSettings& publish);

// Exports one source's chart as GIF pages with the user's chart parameters.
output::ChartExport gifChartExport(const app::ParamRecord& rec, const std::string& dataFolder);

class HtmlOutputDialog : public HelpDialog {
    Q_OBJECT
public:
    explicit HtmlOutputDialog(MainFrame& frame);

    QListWidget* targets() const { return list_; }
    void accept() override;

private:
    QListWidget* list_;
    QCheckBox* upload_;
    QLineEdit* server_;
    QLineEdit* folder_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* savePassword_;
    QLineEdit* outputFolder_;
};

// Installs the handler of the frame command 36872 (dialog, then the run).
void registerHtmlOutput(MainFrame& frame);

// chronava html PROJECT.nam [--upload] [--user NAME] ...
int htmlCommand(int argc, char** argv);

}  // namespace appqt
