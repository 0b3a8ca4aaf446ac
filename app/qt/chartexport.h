// The metafile and GIF output commands of the main frame, the export of one chart to
// page files in each format, and the headless "export" subcommand.
#pragma once

#include <QGuiApplication>
#include <memory>

#include "app/params.h"
#include "view/chart_params.h"
#include "view/page_export.h"

#include <functional>
#include <string>

namespace appqt {

class MainFrame;

enum class ExportFormat { Metafile, Gif, Png, Svg };

// Pixels per millimetre and dots per inch of the primary screen (96 dpi without one).
view::ScreenMetrics screenMetrics();

// GIF or PNG pages rendered on the QImage canvas.
class ImagePageWriter : public view::PageWriter {
public:
    explicit ImagePageWriter(bool png) : png_(png) {}
    std::unique_ptr<view::Canvas> newPage(int width, int height) override;
    int writePage(view::Canvas& page, const std::string& basePath, const view::PageContext& context,
                  std::string& written) override;

private:
    bool png_;
};

// Exports the chart of one project source in `format`, the chart and its pages lying
// in the data folder (base::chartFileOf); `written` gets every file written.
int exportOneChart(const std::string& dataFolder, const std::string& source, ExportFormat format,
                   const view::ChartParams& params, const view::ScreenMetrics& screen,
                   const std::string& projectFolder, const std::function<void(const std::string&)>& written);

// The output command: every log of the project's source list in file order; the
// first failure ends it. Messages go to the chart list of the message pane. Returns
// 0, the first failing export's code, or -1 when the project could not be read or
// no target is chosen.
int runOutputCommand(const std::string& projectPath, const std::string& dataFolder, ExportFormat format,
                     const app::ParamRecord& rec, const view::ChartParams& params,
                     const view::ScreenMetrics& screen);

// Installs the handlers of the frame commands 36868 and 36869 (dialog, then output).
void registerChartExport(MainFrame& frame);

// The application object of a command-line run that draws pages (export, HTML and
// Word output): created unless one exists, on the offscreen platform when there is no
// display, with the font substitutions in place. Null when one existed already.
std::unique_ptr<QGuiApplication> startHeadlessPages(char* argv0);

// chronava export --gif|--wmf|--png|--svg PROJECT [options]
int exportCommand(int argc, char** argv);

}  // namespace appqt
