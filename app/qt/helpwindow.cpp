#include "helpwindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <QGuiApplication>
#include <QScreen>

#include "icons.h"
#include "placement.h"

namespace appqt {

HelpWindow::HelpWindow(const QString& helpDir, QWidget* parent) : QWidget(parent, Qt::Window), dir_(helpDir) {
    setObjectName("HELPWIN");
    setWindowTitle("Chronava ヘルプ");
    setWindowIcon(appIcon());
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HELPTEXT");
    browser_->setSearchPaths({helpDir});
    browser_->setOpenExternalLinks(true);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(browser_);
    resize(640, 520);
}

QString HelpWindow::pageFor(int number) const {
    QDir d(dir_);
    if (number != kFinderPage) {
        QString p = d.filePath(QString::number(number) + ".html");
        if (QFileInfo::exists(p)) return p;
    }
    return d.filePath("index.html");
}

void HelpWindow::showContext(int number) {
    QString page = pageFor(number);
    if (QFileInfo::exists(page)) {
        browser_->setSource(QUrl::fromLocalFile(page));
    } else {
        browser_->setHtml(QString("<p>ヘルプファイルが見つかりません。</p><p>%1</p>").arg(page.toHtmlEscaped()));
    }
    if (!isVisible()) placeOnScreen();
    show();
    raise();
    activateWindow();
}

void HelpWindow::placeOnScreen() {
    QWidget* frame = mainFrameWidget();
    QScreen* screen = frame ? frame->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // Room for the title bar and borders the window manager adds.
    const QSize decoration(8, 32);
    resize(size().boundedTo(avail.size() - decoration));
    const QRect over = frame && frame->isVisible() ? frame->frameGeometry() : QRect();
    move(placeCentred(size() + decoration, over, avail).topLeft());
}

namespace {
QString g_helpFolder;
}

void setHelpFolder(const QString& dir) { g_helpFolder = dir; }

void showStandaloneHelp(int number) {
    static HelpWindow* window = nullptr;
    if (!window) window = new HelpWindow(g_helpFolder);
    window->showContext(number);
}

}  // namespace appqt
