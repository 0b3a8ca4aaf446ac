// The HTML output run, step by step, with its lines in the message list "HTML".
#include "output/html_run.h"

#include "app/catalogue.h"
#include "app/project.h"
#include "base/files.h"
#include "base/names.h"
#include "base/services.h"

namespace output {

namespace {

void say(std::string_view text) { base::services().appendMessage(base::kListHtml, text); }

// "…出力が異常終了しました。[…]" for `what`.
void sayFailed(std::string_view what, std::string_view detail) {
    say(app::formatMessage(806, what, detail));
}

std::string sourceTitle(const std::string& entry, const std::string& absolute, int nameDisplay) {
    switch (nameDisplay) {
    case 1: return entry;
    case 2: return absolute;
    default: return base::splitPath(absolute).name;
    }
}

bool anySelected(const TargetList& t) {
    for (int k = 0; k < kTargetCount; ++k)
        if (isProducedTarget(k) && targetOrder(t[k]) != 0) return true;
    return false;
}

}  // namespace

bool checkHtmlOutput(const HtmlRunSetup& setup, std::string& missing) {
    for (int k = 0; k < kTargetCount; ++k) {
        if (!isProducedTarget(k) || targetOrder(setup.targets[k]) == 0) continue;
        if (!base::fileExists(setup.forms[k])) {
            missing = setup.forms[k];
            return false;
        }
    }
    if (!setup.outputFolder.empty() && !base::isDirectory(setup.outputFolder)) {
        missing = setup.outputFolder;
        return false;
    }
    return true;
}

int runHtmlOutput(const HtmlRunSetup& setup, const ChartExport& exportChart) {
    base::Services& sv = base::services();
    const app::SourceList sources = app::readSourcesReporting(setup.projectPath);
    if (sources.result == -1) sv.messageBox(base::kBoxInfo, kHtmlCaption, app::message(100), setup.projectPath);
    if (sources.result != 0) return kHtmlRunNoProject;
    const std::string project = projectName(setup.projectPath);
    const std::string folder = base::folderOf(setup.projectPath);

    sv.enterBusy();
    // The logo runs for the whole output, exports, generator and upload, and stops on
    // every way out.
    base::LogoRun logo;
    sv.selectMessageTab(base::kListHtml);
    say(app::formatMessage(804, kHtmlWord, project));
    sv.keepAlive();

    int result = kHtmlRunOk;
    FigureListWriter figures;
    bool chartPages = false;
    const std::string figureList = htmlFigureListPath(folder);

    if (targetOrder(setup.targets[kTargetChart]) != 0) {
        if (!figures.open(figureList)) {
            sayFailed(kHtmlWord, app::formatMessage(kMsgDefinitionError, std::to_string(kWriteFailed), figureList));
            result = kHtmlRunDefinitionFailed;
        }
        for (std::size_t i = 0; result == kHtmlRunOk && i < sources.logs.size(); ++i) {
            const std::string& entry = sources.logs[i];
            const std::string log = base::isAbsolutePath(entry) ? entry : base::joinPath(folder, entry);
            ChartPages pages = exportChart(log, folder);
            sv.keepAlive();
            if (pages.result != 0) {
                sayFailed(kChartGifWord, pages.errorText);
                sayFailed(kHtmlWord, app::message(915));
                result = kHtmlRunExportFailed;
                break;
            }
            chartPages = pages.pages > 0;
            if (!figures.add(sourceTitle(entry, log, setup.nameDisplay), pages.chartPathNoExt, pages.pages)) {
                sayFailed(kHtmlWord,
                          app::formatMessage(kMsgDefinitionError, std::to_string(kWriteNotCp932), figureList));
                result = kHtmlRunDefinitionFailed;
            }
        }
        // The entries written so far stay, also after a failure.
        if (figures.isOpen() && figures.commit() != kWriteOk && result == kHtmlRunOk) {
            sayFailed(kHtmlWord, app::formatMessage(kMsgDefinitionError, std::to_string(kWriteFailed), figureList));
            result = kHtmlRunDefinitionFailed;
        }
    }

    if (result == kHtmlRunOk && anySelected(setup.targets)) {
        HtmlDefinition def;
        def.installDir = setup.installDir;
        def.projectPath = setup.projectPath;
        def.targets = setup.targets;
        def.forms = setup.forms;
        def.outputFolder = setup.outputFolder;
        def.figureListPath = figureList;
        def.chartPages = chartPages;
        const std::string definition = htmlDefinitionPath(setup.projectPath);
        int rc = writeHtmlDefinition(def, definition);
        sv.keepAlive();
        if (rc != kWriteOk) {
            sayFailed(kHtmlWord, app::formatMessage(kMsgDefinitionError, std::to_string(rc), definition));
            result = kHtmlRunDefinitionFailed;
        }
        if (result == kHtmlRunOk) {
            rc = generate(kGenerateMode, {kGenerateEntry, definition}, setup.generator);
            sv.keepAlive();
            if (rc != kGenerateOk) {
                sayFailed(kHtmlWord, app::formatMessage(kMsgGenerateError, std::to_string(rc)));
                result = kHtmlRunGenerateFailed;
            }
        }
        if (result == kHtmlRunOk && setup.upload) {
            rc = uploadList(definition, setup.account, setup.ftp);
            if (rc != kFtpOk) {
                sayFailed(kHtmlWord, app::formatMessage(kMsgTransferError, project));
                result = kHtmlRunUploadFailed;
            }
        }
    }

    sv.selectMessageTab(base::kListHtml);
    if (result == kHtmlRunOk) say(app::formatMessage(805, kHtmlWord, project));
    sv.beep();
    sv.leaveBusy();
    return result;
}

}  // namespace output
