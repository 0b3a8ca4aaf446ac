// The HTML output run: exports the chart pages of every source as GIF images, writes
// the HTML figure list and definition file, runs the HTML document generator and,
// when asked, uploads the pages to the FTP server. Progress and outcome go to the
// message pane's list "HTML"; the run is busy throughout and keeps the interface alive
// between steps. Nothing it produced is removed when a step fails.
//
// GUI-free: drawing the chart pages needs a raster canvas, so the caller hands in the
// export of one source's chart.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "output/definition.h"
#include "output/ftp.h"
#include "output/generator.h"

namespace output {

// Texts of the run.
inline constexpr const char* kHtmlCaption = "HTML 出力";
inline constexpr const char* kHtmlWord = "HTML";
inline constexpr const char* kChartGifWord = "タイミングチャートGIFファイル";
inline constexpr const char* kMsgDefinitionError = "定義ファイル生成エラー[%d:%s]";
inline constexpr const char* kMsgGenerateError = "生成エラー[%d]";
inline constexpr const char* kMsgTransferError = "ファイル転送エラー[%s]";

// Outcome of exporting one source's chart.
struct ChartPages {
    int result = 0;              // 0 on success
    int pages = 0;               // GIF pages written
    std::string chartPathNoExt;  // the chart file without ".tct"; its images are <this>-tct-NNN.gif
    std::string errorText;       // what failed, for the message pane
};
// Exports the chart of the log `logPath` as GIF pages into `projectFolder`.
using ChartExport = std::function<ChartPages(const std::string& logPath, const std::string& projectFolder)>;

// Everything the run needs, with paths already absolute.
struct HtmlRunSetup {
    std::string installDir;
    std::string projectPath;
    TargetList targets{};
    std::array<std::string, kTargetCount> forms;  // HTML form per target
    std::string outputFolder;                     // empty: the project folder
    int nameDisplay = 0;  // "TLN:" of a source: 0 file name, 1 as the project lists it, 2 absolute
    bool upload = false;
    FtpAccount account;
    FtpOptions ftp;
    GeneratorOptions generator;
};

// Results of the run.
enum HtmlRunResult {
    kHtmlRunOk = 0,
    kHtmlRunNoProject = 1,   // the project file does not open (a box said so)
    kHtmlRunExportFailed,    // a chart's GIF export failed
    kHtmlRunDefinitionFailed,
    kHtmlRunGenerateFailed,
    kHtmlRunUploadFailed,
};

int runHtmlOutput(const HtmlRunSetup& setup, const ChartExport& exportChart);

// The checks before a run: every selected target's form exists and the output folder
// (when one is chosen) is a folder. False with `missing` naming the first path that
// is not there.
bool checkHtmlOutput(const HtmlRunSetup& setup, std::string& missing);

}  // namespace output
