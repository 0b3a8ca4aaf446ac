#include "startup.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QFont>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "base/names.h"
#include "helpwindow.h"
#include "logindialog.h"
#include "mainframe.h"
#include "optionsdialog.h"
#include "qtservices.h"
#include "shellcore.h"

namespace appqt {

std::string installationFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    char real[PATH_MAX];
    std::string exe = realpath(buf, real) ? real : buf;
    return base::folderOf(exe);
}

void exportInstallationFolder(const std::string& dir) { setenv("PXD", dir.c_str(), 1); }

void setupFonts(QApplication& app) {
    QFont::insertSubstitution("ＭＳ ゴシック", "IPAGothic");
    QFont::insertSubstitution("ＭＳ 明朝", "IPAMincho");
    QFont::insertSubstitution("ＭＳ Ｐゴシック", "IPAPGothic");
    QFont::insertSubstitution("MS UI Gothic", "IPAPGothic");
    QFont f("IPAPGothic");
    f.setPixelSize(12);
    app.setFont(f);
}

namespace {

bool copyTree(const QString& from, const QString& to) {
    QFileInfo info(from);
    if (info.isDir()) {
        if (!QDir().mkpath(to)) return false;
        bool ok = true;
        for (const QString& e : QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            ok = copyTree(from + "/" + e, to + "/" + e) && ok;
        return ok;
    }
    return QFile::exists(to) || QFile::copy(from, to);
}

}  // namespace

std::string workingFolder(const std::string& installDir) {
    if (access(installDir.c_str(), W_OK) == 0) return installDir;
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (home.isEmpty()) return installDir;
    QString copy = home + "/chronava";
    if (!QFileInfo::exists(copy)) {
        QString src = QString::fromStdString(installDir);
        for (const char* e : {"rq4100s.pro", "rq4100s.prm", "rq4100.ctl", "rq4100.dot", "Forms", "Projects", "Users", "awk"})
            if (QFileInfo::exists(src + "/" + e)) copyTree(src + "/" + e, copy + "/" + e);
        QDir().mkpath(copy);
    }
    return copy.toStdString();
}

void logOn(ShellCore& core, const AskUser& ask) {
    LogonSettings logon;
    readLogonSettings(logon);
    core.userName.clear();
    if (logon.logon == 0) return;
    bool listed = false;
    auto users = core.listUsers(&listed);
    if (!listed) {
        logon.logon = 0;
        writeLogonSettings(logon);
        return;
    }
    std::string chosen;
    if (ask(users, logon.name, chosen) && !chosen.empty()) {
        core.userName = chosen;
        logon.name = chosen;
        writeLogonSettings(logon);
    }
}

int runDesktop(int, char**, const std::string& installDir, const DesktopOptions& opt) {
    QtServices services;
    base::ScopedServices installed(services);
    ShellCore core;
    core.installDir = workingFolder(installDir);
    setHelpFolder(QString::fromStdString(base::joinPath(installDir, "help")));

    logOn(core, [](const std::vector<std::string>& users, const std::string& last, std::string& chosen) {
        LoginDialog dlg(users, last);
        if (dlg.exec() != QDialog::Accepted) return false;
        chosen = dlg.chosen();
        return true;
    });

    if (core.readParams() != 0) return -3;
    if (core.recent().empty()) core.seedSampleProjects();
    core.inputCode = kSjis;

    MainFrame frame(core, services, QString::fromStdString(base::joinPath(installDir, "help")));
    QRect r = MainFrame::initialRect(core);
    frame.resize(r.size());
    frame.move(r.topLeft());
    frame.show();
    frame.refreshRecentMenu();
    frame.setLayoutSaving(true);

    std::string project = !opt.selftest.empty() ? opt.selftest : opt.openProject;
    if (!project.empty())
        frame.openProject(QDir::current().absoluteFilePath(QString::fromStdString(project)).toStdString(), false);
    if (!opt.selftest.empty()) {
        int items = 0;
        for (QTreeWidgetItemIterator it(frame.tree()); *it; ++it) ++items;
        std::printf("selftest: project %s, title \"%s\", %d tree items\n", core.projectPath.c_str(),
                    frame.windowTitle().toUtf8().constData(), items);
        return frame.hasProject() && items > 1 ? 0 : 1;
    }
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
