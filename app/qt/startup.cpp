#include "startup.h"

#include <cstdio>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QDir>
#include <QFont>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "app/shell.h"
#include "base/names.h"
#include "helpwindow.h"
#include "logindialog.h"
#include "chartwindow.h"
#include "mainframe.h"
#include "optionsdialog.h"
#include "qtservices.h"

namespace appqt {

bool loadQtTranslations(QApplication& app) {
    // Qt's own dialogs (files, colours, folders) speak the interface's language.
    static QTranslator qtbase;
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qtbase.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", dir) ||
        qtbase.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", "/usr/share/qt6/translations"))
        return app.installTranslator(&qtbase);
    return false;
}

void setupFonts(QApplication& app) {
    QFont::insertSubstitution("ＭＳ ゴシック", "IPAGothic");
    QFont::insertSubstitution("ＭＳ 明朝", "IPAMincho");
    QFont::insertSubstitution("ＭＳ Ｐゴシック", "IPAPGothic");
    QFont::insertSubstitution("MS UI Gothic", "IPAPGothic");
    QFont f("IPAPGothic");
    f.setPixelSize(12);
    app.setFont(f);
}

int runDesktop(const std::string& installDir, const DesktopOptions& opt) {
    QtServices services;
    base::ScopedServices installed(services);
    QSettingsLogonStore logon;
    app::AppCore core;
    setHelpFolder(QString::fromStdString(base::joinPath(installDir, "help")));

    int rc = core.startup(app::workingInstallDir(installDir), logon,
                          [](const app::LogonPlan& plan, std::string& chosen) {
                              LoginDialog dlg(plan.users, plan.selected);
                              if (dlg.exec() != QDialog::Accepted) return false;
                              chosen = dlg.chosen();
                              return true;
                          });
    if (rc != 0) return rc;

    MainFrame frame(core, services, QString::fromStdString(base::joinPath(installDir, "help")));
    registerChartWindow(frame);
    QRect r = MainFrame::initialRect(core);
    frame.resize(r.size());
    frame.move(r.topLeft());
    frame.show();
    frame.refreshRecentMenu();
    frame.setLayoutSaving(true);

    std::string project = !opt.selftest.empty() ? opt.selftest : opt.openProject;
    if (!project.empty())
        frame.openProject(QDir::current().absoluteFilePath(QString::fromStdString(project)).toStdString(), false);
    if (!opt.chartFile.empty()) {
        std::string chart = QDir::current().absoluteFilePath(QString::fromStdString(opt.chartFile)).toStdString();
        std::string owner = app::projectOfChart(chart);
        if (!owner.empty()) frame.openProject(owner, false);
        std::string log = app::logOfChart(core, chart);
        // Without a project the chart window reads the chart file by itself.
        if (log.empty() && !frame.hasProject()) log = chart;
        if (!log.empty()) QTimer::singleShot(0, &frame, [&frame, log] { frame.openChild(kKindChart, log); });
    }
    if (!opt.selftest.empty()) {
        int items = 0;
        for (QTreeWidgetItemIterator it(frame.tree()); *it; ++it) ++items;
        std::printf("selftest: project %s, title \"%s\", %d tree items\n", core.project().path.c_str(),
                    frame.windowTitle().toUtf8().constData(), items);
        return frame.hasProject() && items > 1 ? 0 : 1;
    }
    if (!opt.openChart.empty())
        QTimer::singleShot(0, &frame, [&frame, &opt] {
            frame.openChild(kKindChart, opt.openChart);
            if (auto* w = qobject_cast<ChartWindow*>(frame.child(kKindChart))) {
                for (int id : opt.chartCommands) w->handleCommand(id);
                if (opt.chartCursor >= 0) w->showCursorAt(opt.chartCursor, 40);
            }
        });
    if (opt.quitAfterMs > 0) QTimer::singleShot(opt.quitAfterMs, [] { QCoreApplication::exit(0); });
    if (opt.showOptions)
        QTimer::singleShot(0, &frame, [&frame, tab = opt.optionsTab] {
            OptionsDialog dlg(frame);
            dlg.tabs()->setCurrentIndex(tab);
            dlg.exec();
        });
    return QApplication::exec();
}

}  // namespace appqt
