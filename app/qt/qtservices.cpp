#include "qtservices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QPushButton>
#include <QUrl>

#include "generatedialogs.h"
#include "logobox.h"
#include "mainframe.h"
#include "messagepane.h"
#include "placement.h"

namespace appqt {

QString qtFilter(std::string_view label) {
    QString s = QString::fromUtf8(label.data(), static_cast<int>(label.size()));
    int open = s.indexOf('(');
    if (open < 0) return s;
    QString patterns = s.mid(open + 1);
    patterns.chop(patterns.endsWith(')') ? 1 : 0);
    return s.left(open) + "(" + patterns.replace(';', ' ') + ")";
}

QString defaultSuffix(std::string_view label) { return QString::fromStdString(base::pickerDefaultExtension(label)); }

int captionWidth(const QString& caption) {
    // Title bars use the application font; the window buttons and the icon take about
    // 120 px beside the caption.
    return QFontMetrics(QApplication::font()).horizontalAdvance(caption) + 120;
}

void widenForCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    const int need = captionWidth(box.windowTitle());
    grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

bool QtServices::box(int kind, std::string_view caption, const std::string& text, bool warning) {
    beep();
    if (boxHook) return boxHook(kind, warning, std::string(caption), text);
    base::BoxLayout lay = base::boxLayout(kind, text, warning);
    QWidget* owner = mainFrameWidget();
    QMessageBox mb(owner);
    mb.setObjectName("MSGBOX");
    mb.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<int>(caption.size())));
    mb.setText(QString::fromStdString(text));
    switch (lay.icon) {
    case base::BoxLayout::Information: mb.setIcon(QMessageBox::Information); break;
    case base::BoxLayout::Question: mb.setIcon(QMessageBox::Question); break;
    case base::BoxLayout::Warning: mb.setIcon(QMessageBox::Warning); break;
    }
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
    switch (lay.buttons) {
    case base::BoxLayout::Ok: first = mb.addButton("OK", QMessageBox::AcceptRole); break;
    case base::BoxLayout::OkCancel:
        first = mb.addButton("OK", QMessageBox::AcceptRole);
        second = mb.addButton("キャンセル", QMessageBox::RejectRole);
        break;
    case base::BoxLayout::YesNo:
        first = mb.addButton("はい(&Y)", QMessageBox::YesRole);
        second = mb.addButton("いいえ(&N)", QMessageBox::NoRole);
        break;
    }
    mb.setDefaultButton(lay.secondDefault && second ? second : first);
    if (second) mb.setEscapeButton(second);
    widenForCaption(mb);
    centreDialog(&mb);
    mb.exec();
    return mb.clickedButton() == first;
}

bool QtServices::messageBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                            std::string_view l3) {
    return box(kind, caption, base::joinBoxLines(l1, l2, l3), false);
}

bool QtServices::warningBox(int kind, std::string_view caption, std::string_view l1, std::string_view l2,
                            std::string_view l3) {
    return box(kind, caption, base::joinBoxLines(l1, l2, l3), true);
}

void QtServices::appendMessage(int list, std::string_view text) {
    if (frame_) frame_->messagePane()->append(list, QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    keepAlive();
}

void QtServices::clearMessages(int list) {
    if (frame_) frame_->messagePane()->clear(list);
}

void QtServices::selectMessageTab(int list) {
    if (!frame_) return;
    frame_->messagePane()->select(list);
    frame_->messagePane()->repaint();
}

void QtServices::setStatus(std::string_view text) {
    if (frame_) frame_->setStatusText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void QtServices::enterBusy() {
    if (busy_++ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (frame_) frame_->setBusy(true);
    }
}

void QtServices::leaveBusy() {
    if (busy_ == 0) return;
    if (--busy_ == 0) {
        if (frame_) frame_->setBusy(false);
        QApplication::restoreOverrideCursor();
    }
}

void QtServices::logoStart() {
    if (frame_) frame_->logoBox()->start();
}
void QtServices::logoStop() {
    if (frame_) frame_->logoBox()->stop();
}
void QtServices::logoReset() {
    if (frame_) frame_->logoBox()->reset();
}

void QtServices::keepAlive() { QCoreApplication::processEvents(); }

// The progress meter of long runs (the export's pages): the generation's meter window,
// whose " 中断 " button sets the cancel flag the run tests at each update.
void QtServices::progressBegin(std::string_view title) {
    if (meter_) meter_->close();
    meterTitle_ = QString::fromUtf8(title.data(), int(title.size()));
    meter_ = new MeterWindow(frame_);
    meter_->set(meterTitle_, QString(), QString());
    meter_->show();
    keepAlive();
}

bool QtServices::progressUpdate(std::string_view text, std::string_view file, long done, long total) {
    if (meter_) {
        meter_->set(meterTitle_, QString::fromUtf8(text.data(), int(text.size())),
                    QString::fromUtf8(file.data(), int(file.size())));
        meter_->setProgress(done, total);
    }
    keepAlive();
    return !cancelRequested();
}

void QtServices::progressEnd() {
    if (meter_) meter_->close();
    meter_ = nullptr;
}

void QtServices::beep() {
    if (beepHook) beepHook();
    else QApplication::beep();
}

void QtServices::completionSound() {
    if (frame_ && frame_->core().params().record().completionSound()) beep();
}

bool QtServices::pickFile(int mode, std::string& path, std::string_view filter, int& filterIndex) {
    path = base::pickerStartPath(path);
    if (fileHook) return fileHook(mode, path);
    QFileDialog dlg(mainFrameWidget());
    dlg.setObjectName("FILEDLG");
    dlg.setNameFilter(qtFilter(filter));
    dlg.setDefaultSuffix(defaultSuffix(filter));
    if (!path.empty()) {
        const QString start = QString::fromStdString(path);
        // A folder is where the dialog starts; anything else is the file proposed.
        if (QFileInfo(start).isDir()) dlg.setDirectory(start);
        else dlg.selectFile(start);
    }
    switch (mode) {
    case base::kPickSave:
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        break;
    case base::kPickOpenNoCheck: dlg.setFileMode(QFileDialog::AnyFile); break;
    default: dlg.setFileMode(QFileDialog::ExistingFile); break;
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    path = dlg.selectedFiles().first().toStdString();
    filterIndex = 1;
    return true;
}

QStringList QtServices::pickFiles(const QString& startDir, std::string_view filter) {
    if (filesHook) return filesHook(startDir);
    return QFileDialog::getOpenFileNames(mainFrameWidget(), QString(), startDir, qtFilter(filter));
}

bool QtServices::pickFolder(std::string_view title, std::string& path) {
    if (folderHook) return folderHook(path);
    QString start = QString::fromStdString(lastFolder_.empty() ? path : lastFolder_);
    QString dir = QFileDialog::getExistingDirectory(mainFrameWidget(),
                                                    QString::fromUtf8(title.data(), static_cast<int>(title.size())), start);
    if (dir.isEmpty()) return false;
    path = dir.toStdString();
    lastFolder_ = path;
    return true;
}

bool QtServices::openWithShell(const std::string& path) {
    if (openHook) return openHook(path);
    QString p = QString::fromStdString(path);
    QUrl url = p.startsWith("http://") || p.startsWith("https://") ? QUrl(p) : QUrl::fromLocalFile(p);
    return QDesktopServices::openUrl(url);
}

}  // namespace appqt
