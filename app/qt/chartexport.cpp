#include "chartexport.h"
#include "chartsupport.h"

#include "app/project.h"
#include "app/shell.h"
#include "base/names.h"
#include "base/services.h"
#include "mainframe.h"
#include "outputdialog.h"
#include "view/gif.h"
#include "view/qt/painter_canvas.h"
#include "view/results.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace appqt {
namespace {

std::string fmt2s(const char* f, std::string_view a, std::string_view b) {
    std::string x(a), y(b);
    const int n = std::snprintf(nullptr, 0, f, x.c_str(), y.c_str());
    std::string out(std::size_t(std::max(n, 0)), '\0');
    std::snprintf(out.data(), out.size() + 1, f, x.c_str(), y.c_str());
    return out;
}

const char* outputWord(ExportFormat f) {
    switch (f) {
    case ExportFormat::Metafile: return "メタファイル";
    case ExportFormat::Gif: return "GIFファイル";
    case ExportFormat::Png: return "PNGファイル";
    case ExportFormat::Svg: return "SVGファイル";
    }
    return "";
}

}  // namespace

view::ScreenMetrics screenMetrics() {
    view::ScreenMetrics m;
    const QScreen* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                                      : nullptr;
    if (!s) return m;
    const QSizeF mm = s->physicalSize();
    const QSize px = s->size();
    if (mm.width() > 0 && mm.height() > 0 && px.width() > 0 && px.height() > 0) {
        m.pxPerMmX = px.width() / mm.width();
        m.pxPerMmY = px.height() / mm.height();
    }
    const int dpi = int(std::lround(s->logicalDotsPerInchX()));
    if (dpi > 0) m.dotsPerInch = dpi;
    return m;
}

std::unique_ptr<view::Canvas> ImagePageWriter::newPage(int width, int height) {
    auto c = std::make_unique<viewqt::ImageCanvas>(width, height);
    if (!c->ok()) return nullptr;
    return c;
}

int ImagePageWriter::writePage(view::Canvas& page, const std::string& basePath, const view::PageContext& ctx,
                               std::string& written) {
    auto& image = static_cast<viewqt::ImageCanvas&>(page);
    if (png_) {
        written = basePath + ".png";
        return viewqt::writePng(image.finish(), written);
    }
    view::GifOptions o;
    o.kind = ctx.monochrome ? view::PaletteKind::Grey
             : ctx.imageDrawn ? view::PaletteKind::Rgb332
                              : view::PaletteKind::ChartColours;
    const view::ChartPalette& p = ctx.palette;
    o.colours = {p.background, p.signal,          p.comment,         p.name,
                 p.buttonFace, p.axis,            p.grid,            view::rgb(0, 192, 0),
                 view::rgb(255, 255, 255), view::rgb(192, 192, 192), view::rgb(0, 160, 0)};
    base::Services& sv = base::services();
    o.keepAlive = [&sv] {
        sv.keepAlive();
        return !sv.cancelRequested();
    };
    image.finish();
    written = basePath + ".gif";
    return viewqt::writeGifPage(image, o, basePath);
}

int exportOneChart(const std::string& dataFolder, const std::string& source, ExportFormat format,
                   const view::ChartParams& params, const view::ScreenMetrics& screen,
                   const std::string& projectFolder, const std::function<void(const std::string&)>& written) {
    base::LogoRun logo;
    view::ExportRequest req;
    req.mode = format == ExportFormat::Metafile ? view::kModeMetafile : view::kModeGif;
    req.params = params;
    req.screen = screen;
    req.projectFolder = projectFolder;
    req.progressCaption = format == ExportFormat::Metafile ? "タイミング図メタファイル出力"
                          : format == ExportFormat::Gif    ? "タイミング図 GIF ファイル出力"
                                                           : std::string("タイミング図") + outputWord(format) + "出力";
    req.written = written;
    switch (format) {
    case ExportFormat::Metafile: {
        view::MetafilePageWriter w(screen.dotsPerInch);
        return view::exportChart(dataFolder, source, req, w);
    }
    case ExportFormat::Svg: {
        view::SvgPageWriter w;
        return view::exportChart(dataFolder, source, req, w);
    }
    case ExportFormat::Gif:
    case ExportFormat::Png: {
        ImagePageWriter w(format == ExportFormat::Png);
        return view::exportChart(dataFolder, source, req, w);
    }
    }
    return view::kExportInitError;
}

int runOutputCommand(const std::string& projectPath, const std::string& dataFolder, ExportFormat format,
                     const app::ParamRecord& rec, const view::ChartParams& params,
                     const view::ScreenMetrics& screen) {
    base::Services& sv = base::services();
    const bool metafile = format == ExportFormat::Metafile;
    const char* caption = metafile ? "メタファイル出力" : "GIFファイル出力";
    const app::SourceList sources = app::readSources(projectPath);
    if (sources.result != 0) {
        sv.messageBox(base::kBoxInfo, caption, "ファイルオープンエラー", projectPath);
        return -1;
    }
    const int target = metafile ? rec.metafileTarget(app::kKindChart) : rec.gifTarget(app::kKindChart);
    if ((target & 0xFF) == 0) {
        sv.messageBox(base::kBoxInfo, caption, "出力対象を選択してください。");
        return -1;
    }
    const std::string outputName = std::string("タイミングチャート") + outputWord(format);
    const std::string folder = base::folderOf(projectPath);
    const char* line = metafile ? "  メタファイルを出力しました。[ファイル名 : %s]"
                                : "  GIFファイルを出力しました。[ファイル名 : %s]";
    sv.enterBusy();
    base::LogoRun logo;
    int rc = 0;
    for (const std::string& log : sources.logs) {
        rc = exportOneChart(dataFolder, log, format, params, screen, folder, [&](const std::string& path) {
            sv.appendMessage(base::kListChart, fmt2s(line, path, ""));
        });
        if (rc != 0) {
            const std::string chartName = base::splitPath(base::chartFileOf(dataFolder, log)).name;
            sv.appendMessage(base::kListChart, fmt2s("%s出力が異常終了しました。[%s]", outputName,
                                                     view::exportResultText(rc, chartName)));
            break;
        }
    }
    if (rc == 0)
        sv.appendMessage(base::kListChart,
                         fmt2s("%s出力を終了しました。[%s]", outputName, base::splitPath(projectPath).name));
    sv.leaveBusy();
    return rc;
}

void registerChartExport(MainFrame& frame) {
    for (bool metafile : {true, false}) {
        frame.setCommandHandler(metafile ? cmd::kMetafile : cmd::kGif, [&frame, metafile] {
            if (!frame.hasProject()) return;
            OutputTargetDialog dlg(frame, metafile);
            if (dlg.exec() != QDialog::Accepted) return;
            app::AppCore& core = frame.core();
            const app::ParamRecord& rec = core.params().record();
            runOutputCommand(core.project().path, core.dataFolder(), metafile ? ExportFormat::Metafile : ExportFormat::Gif, rec,
                             chartParamsFrom(rec), screenMetrics());
        });
    }
}

}  // namespace appqt

// ---- chronava export ----

namespace appqt {
namespace {

void exportUsage() {
    std::fprintf(stderr,
                 "usage: chronava export --gif|--wmf|--png|--svg PROJECT.nam [--params FILE] [--user NAME]\n"
                 "         [--pages N] [--time-per-page SECONDS] [--size WIDTHxHEIGHT (mm)]\n"
                 "         [--range \"YYYY/MM/DD hh:mm:ss\" \"YYYY/MM/DD hh:mm:ss\"] [--all-pages]\n");
}

bool parseDate(const char* text, view::DateFields& d) {
    int y, mo, day, h, mi, s;
    char tail;
    if (std::sscanf(text, "%d/%d/%d %d:%d:%d%c", &y, &mo, &day, &h, &mi, &s, &tail) != 6) return false;
    d = view::DateFields{y, mo, day, h, mi, s, 0};
    return true;
}

}  // namespace

namespace {

// The console of `chronava export`: quiet, except that lines meant for the message pane
// (the signals a page cannot hold) are told on standard error.
class ExportConsole : public base::ConsoleServices {
public:
    ExportConsole() : base::ConsoleServices(true) {}
    void appendMessage(int, std::string_view text) override {
        const std::size_t lead = std::min(text.find_first_not_of(' '), text.size());
        std::fprintf(stderr, "chronava export: %.*s\n", static_cast<int>(text.size() - lead), text.data() + lead);
    }
};

}  // namespace

std::unique_ptr<QGuiApplication> startHeadlessPages(char* argv0) {
    // Pages are drawn with Qt's raster engine; no window system is needed.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qargc = 1;
    static char* qargv[] = {argv0, nullptr};
    std::unique_ptr<QGuiApplication> qapp;
    if (!QCoreApplication::instance()) qapp = std::make_unique<QGuiApplication>(qargc, qargv);
    viewqt::installFontSubstitutions();
    return qapp;
}

int exportCommand(int argc, char** argv) {
    ExportFormat format = ExportFormat::Gif;
    bool formatGiven = false;
    std::string project, paramsFile, user;
    int pages = 0, seconds = -1, width = 0, height = 0;
    bool allPages = false, rangeGiven = false;
    view::DateFields from, to;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto need = [&](int n) {
            if (i + n >= argc) {
                std::fprintf(stderr, "chronava export: %s needs %d value(s)\n", a.c_str(), n);
                return false;
            }
            return true;
        };
        if (a == "--gif" || a == "--wmf" || a == "--png" || a == "--svg") {
            format = a == "--gif" ? ExportFormat::Gif
                     : a == "--wmf" ? ExportFormat::Metafile
                     : a == "--png" ? ExportFormat::Png
                                    : ExportFormat::Svg;
            formatGiven = true;
        } else if (a == "--params" || a == "--user" || a == "--pages" || a == "--time-per-page" || a == "--size") {
            if (!need(1)) return 2;
            const char* v = argv[++i];
            if (a == "--params") paramsFile = v;
            else if (a == "--user") user = v;
            else if (a == "--pages") pages = std::atoi(v);
            else if (a == "--time-per-page") seconds = std::atoi(v);
            else if (std::sscanf(v, "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) {
                std::fprintf(stderr, "chronava export: --size wants WIDTHxHEIGHT in millimetres\n");
                return 2;
            }
            if ((a == "--pages" && pages <= 0) || (a == "--time-per-page" && seconds <= 0)) {
                std::fprintf(stderr, "chronava export: %s wants a positive number\n", a.c_str());
                return 2;
            }
        } else if (a == "--range") {
            if (!need(2)) return 2;
            if (!parseDate(argv[i + 1], from) || !parseDate(argv[i + 2], to)) {
                std::fprintf(stderr, "chronava export: --range wants \"YYYY/MM/DD hh:mm:ss\" twice\n");
                return 2;
            }
            i += 2;
            rangeGiven = true;
        } else if (a == "--all-pages") {
            allPages = true;
        } else if (a.rfind("-", 0) != 0 && project.empty()) {
            project = a;
        } else {
            exportUsage();
            return 2;
        }
    }
    if (!formatGiven || project.empty()) {
        exportUsage();
        return 2;
    }

    const std::unique_ptr<QGuiApplication> qapp = startHeadlessPages(argv[0]);

    ExportConsole console;
    console.setQuiet(true);
    base::ScopedServices installed(console);

    const std::string installDir = app::workingInstallDir(app::installation().dataDir);
    app::UserParams up(installDir, user);
    if (up.read(paramsFile) != 0) return 1;
    view::ChartParams params = chartParamsFrom(up.record());
    if (pages > 0) {
        params.divideByPageCount = true;
        params.pageCount = pages;
    }
    if (seconds > 0) {
        params.divideByPageCount = false;
        params.timePerPage = view::PeriodFields{0, 0, 0, 0, 0, seconds, 0};
    }
    if (width > 0) {
        params.outputWidth = width;
        params.outputHeight = height;
    }
    if (rangeGiven) {
        params.rangeGiven = true;
        params.rangeStart = from;
        params.rangeEnd = to;
    }
    if (allPages) params.skipUnchanged = false;
    params.tellPageCount = false;

    // The project's data folder holds the charts; a relative one is taken in the
    // installation folder, as the desktop program does.
    app::Project opened;
    std::string projectPath = project;
    if (app::openProject(projectPath, app::defaultDataDir(installDir, user), opened) != 0) {
        std::fprintf(stderr, "chronava export: ファイルオープンエラー [%s]\n", project.c_str());
        return 1;
    }
    opened.path = projectPath;
    const std::string dataFolder = app::dataFolderOf(opened, installDir);
    const app::SourceList sources = app::readSources(projectPath);
    if (sources.result != 0) {
        std::fprintf(stderr, "chronava export: ファイルオープンエラー [%s]\n", project.c_str());
        return 1;
    }
    if (sources.logs.empty()) {
        std::fprintf(stderr, "chronava export: ログファイルがありません [%s]\n", project.c_str());
        return 1;
    }
    const std::string folder = base::folderOf(projectPath);
    const view::ScreenMetrics screen = screenMetrics();
    for (const std::string& log : sources.logs) {
        const int rc = exportOneChart(dataFolder, log, format, params, screen, folder,
                                      [](const std::string& path) { std::printf("%s\n", path.c_str()); });
        if (rc != 0) {
            const std::string chart = base::chartFileOf(dataFolder, log);
            const std::string name = base::splitPath(chart).name;
            std::string text = view::exportResultText(rc, name);
            if (rc == view::kExportWriteError) text += " [" + base::folderOf(chart) + "]";
            std::fprintf(stderr, "chronava export: %s\n", text.c_str());
            return 1;
        }
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace appqt
