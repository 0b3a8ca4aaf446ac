#include "generatedialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shell.h"
#include "base/services.h"
#include "base/text.h"
#include "mainframe.h"

namespace appqt {
namespace {

// The main frame's client origin in screen coordinates.
QPoint clientOrigin(QWidget* frame) {
    auto* mw = qobject_cast<QMainWindow*>(frame);
    QWidget* client = mw && mw->centralWidget() ? mw->centralWidget() : frame;
    return client->mapToGlobal(QPoint(0, 0));
}

QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

}  // namespace

// ---- CNVDLG ----------------------------------------------------------------------

CnvDialog::CnvDialog(MainFrame& frame, bool chart) : HelpDialog(&frame, kHelpCnvDlg) {
    setObjectName("CNVDLG");
    setWindowTitle("生成実行");
    auto* v = new QVBoxLayout(this);
    auto* label = new QLabel("生成するドキュメント:", this);
    v->addWidget(label);
    chart_ = new QCheckBox("タイミングチャート(&G)", this);
    chart_->setObjectName("id1300");
    chart_->setChecked(chart);
    v->addWidget(chart_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("id1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("id2");
    buttons->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
}

bool CnvDialog::chart() const { return chart_->isChecked(); }

// ---- TCMETER ---------------------------------------------------------------------

MeterWindow::MeterWindow(QWidget* frame)
    : QWidget(frame, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("TCMETER");
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(340, 200);
    button_ = new QPushButton(" 中断 ", this);
    button_->setObjectName("id1400");
    button_->setGeometry(130, 130, 80, 24);
    connect(button_, &QPushButton::clicked, this, [this] {
        base::services().beep();
        app::generationState().interrupted = true;
        base::services().requestCancel();
        close();
    });
    if (frame) move(clientOrigin(frame) + QPoint(300, 250));
}

void MeterWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        if (auto* f = qobject_cast<MainFrame*>(parentWidget())) f->showHelp(kHelpMeter, 0);
        return;
    }
    QWidget::keyPressEvent(e);
}

void MeterWindow::set(const QString& title, const QString& line, const QString& file) {
    setWindowTitle(title);
    line_ = line;
    file_ = file;
    update();
}

void MeterWindow::setStatusLine(const QString& s) {
    status_ = s;
    update();
}

void MeterWindow::setProgress(long done, long total) {
    done_ = done;
    total_ = total;
    update();
}

QString MeterWindow::cutToFit(const QString& file, int width) {
    std::size_t cells = width > 0 ? static_cast<std::size_t>(width / 8) : 0;
    std::string utf8 = file.toStdString();
    if (base::cp932Length(utf8) <= cells) return file;
    return QString::fromStdString(base::cutToCp932(utf8, cells));
}

void MeterWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(212, 208, 200));
    QFont f = font();
    f.setPixelSize(12);
    p.setFont(f);
    QFontMetrics fm(f);
    auto text = [&](int x, int y, const QString& s, QColor c) {
        p.setPen(c);
        p.drawText(x, y + fm.ascent(), s);
    };
    text(20, 17, line_, Qt::black);
    text(20, 40, cutToFit(file_, width() - 40), Qt::blue);
    text(20, 70, status_, Qt::black);

    // Sunken bar from 18,95 to 320,116, filled in yellow in proportion to done/total.
    QRect bar(18, 95, 320 - 18, 116 - 95);
    p.fillRect(bar, Qt::white);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(bar.left(), bar.top(), bar.right(), bar.top());
    p.drawLine(bar.left(), bar.top(), bar.left(), bar.bottom());
    p.setPen(Qt::white);
    p.drawLine(bar.left(), bar.bottom(), bar.right(), bar.bottom());
    p.drawLine(bar.right(), bar.top(), bar.right(), bar.bottom());
    int percent = total_ > 0 ? static_cast<int>(std::min<long long>(100, 100LL * done_ / total_)) : 0;
    if (percent > 0) p.fillRect(QRect(bar.left() + 1, bar.top() + 1, (bar.width() - 2) * percent / 100, bar.height() - 2), Qt::yellow);
    p.setPen(Qt::black);
    p.drawText(bar, Qt::AlignCenter, QString::asprintf("%d%s", percent, "%"));
}

// ---- AWKWARNDLG ------------------------------------------------------------------

AwkWarnDialog::AwkWarnDialog(MainFrame& frame) : HelpDialog(&frame, kHelpCnvDlg) {
    setObjectName("AWKWARNDLG");
    setWindowTitle(app::kGenerateTitle);
    auto* v = new QVBoxLayout(this);
    auto* text = new QLabel(
        "サンプル(awk/ftp001.log)の生成には awk が必要ですが、見つかりませんでした。\n"
        "Debian では「apt install gawk」(または mawk)でインストールできます。\n"
        "awk については下のボタンで開くページを参照してください。\n"
        "ログの前処理の説明は、ヘルプの「生成実行」のページにあります。",
        this);
    text->setObjectName("id1500");
    v->addWidget(text);
    page_ = new QPushButton("awk のページを開く(&D)", this);
    page_->setObjectName("id1501");
    connect(page_, &QPushButton::clicked, this, [] { base::services().openWithShell(kAwkPage); });
    v->addWidget(page_, 0, Qt::AlignLeft);
    dontShow_ = new QCheckBox("次回からこのメッセージを表示しない。", this);
    dontShow_->setObjectName("id1502");
    v->addWidget(dontShow_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("id1");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(buttons);
}

// ---- TCCNVERROR ------------------------------------------------------------------

ErrorWindow::ErrorWindow(MainFrame& frame)
    : QWidget(&frame, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint),
      frame_(frame) {
    setObjectName("TCCNVERROR");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(app::kErrorCaption);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto* strip = new QWidget(this);
    strip->setObjectName("TCERRCTRL");
    strip->setFixedHeight(20);
    close_ = new QPushButton("閉じる", strip);
    close_->setObjectName("id1600");
    close_->setGeometry(2, 1, 88, 18);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    v->addWidget(strip);
    list_ = new QListWidget(this);
    list_->setObjectName("id1601");
    QFont f("ＭＳ ゴシック");
    f.setPixelSize(14);
    list_->setFont(f);
    v->addWidget(list_);
    // The rectangle is kept as the frame position and the client size, as for the
    // main frame.
    QRect r = initialRect();
    resize(r.size());
    move(r.topLeft());
    ready_ = true;
}

QRect ErrorWindow::initialRect() const {
    app::LayoutRect r;
    if (frame_.core().params().layout(app::kErrorWindowGroup, app::kErrorWindowEntry, r))
        return QRect(r.x, r.y, r.width, r.height);
    return QRect(clientOrigin(&frame_) + QPoint(200, 100), QSize(702, 398));
}

void ErrorWindow::setLines(const std::vector<std::string>& lines) {
    list_->clear();
    for (const auto& l : lines) list_->addItem(QString::fromStdString(l));
}

void ErrorWindow::store() {
    if (!ready_ || isMaximized() || isMinimized() || !isVisible()) return;
    app::LayoutRect r{x(), y(), width(), height()};
    app::LayoutRect old;
    if (frame_.core().params().layout(app::kErrorWindowGroup, app::kErrorWindowEntry, old) && old == r) return;
    frame_.core().params().setLayout(app::kErrorWindowGroup, app::kErrorWindowEntry, r);
}

void ErrorWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        frame_.showHelp(kHelpErrorWindow, 0);
        return;
    }
    QWidget::keyPressEvent(e);
}

void ErrorWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    store();
}

void ErrorWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    store();
}

// ---- the windows of the run ------------------------------------------------------

QtGenerationWindows::QtGenerationWindows(MainFrame& frame) : QObject(&frame), frame_(frame) {
    setObjectName("generationWindows");
    app::setGenerationWindows(this);
}

QtGenerationWindows::~QtGenerationWindows() {
    if (&app::generationWindows() == this) app::setGenerationWindows(nullptr);
}

void QtGenerationWindows::showAwkHint(app::AppCore& core) {
    bool dontShow = false;
    if (hintHook) {
        dontShow = hintHook();
    } else {
        AwkWarnDialog dlg(frame_);
        dlg.exec();
        dontShow = dlg.dontShowBox()->isChecked();
    }
    if (dontShow) {
        core.params().record().setU16(app::kAwkHintOffset, 0);
        core.params().write();
    }
}

void QtGenerationWindows::showProgress(std::string_view title, std::string_view line, std::string_view file) {
    if (!meter_) meter_ = new MeterWindow(&frame_);
    meter_->set(q(title), q(line), q(file));
    meter_->setProgress(0, 0);
    meter_->show();
    meter_->raise();
    meter_->repaint();
}

void QtGenerationWindows::closeProgress() {
    if (meter_) meter_->close();
}

void QtGenerationWindows::enableCommands(bool on) {
    // Inside the project loop the frame is busy already; a single run (from the
    // chart window) makes it busy itself.
    if (!on && !base::services().isBusy()) {
        base::services().enterBusy();
        enteredBusy_ = true;
    } else if (on && enteredBusy_) {
        enteredBusy_ = false;
        base::services().leaveBusy();
    }
}

void QtGenerationWindows::closeErrorWindow() {
    if (errorWindow_) errorWindow_->close();
}

void QtGenerationWindows::showErrorWindow(app::AppCore&, const std::vector<std::string>& lines) {
    if (!errorWindow_) errorWindow_ = new ErrorWindow(frame_);
    errorWindow_->setLines(lines);
    errorWindow_->show();
    errorWindow_->raise();
}

// ---- commands --------------------------------------------------------------------

void runGenerationCommand(MainFrame& frame) {
    if (frame.busy() || app::generationState().running) return;
    app::AppCore& core = frame.core();
    CnvDialog dlg(frame, core.params().record().generationTarget(app::kKindChart) != 0);
    if (dlg.exec() != QDialog::Accepted) return;
    frame.closeAllChildren();
    app::generateProject(core, dlg.chart(), "生成実行");
}

void installGeneration(MainFrame& frame) {
    new QtGenerationWindows(frame);
    frame.setCommandHandler(cmd::kGenerate, [&frame] { runGenerationCommand(frame); });
    frame.setCommandHandler(cmd::kShowGenerationErrors, [&frame] { app::showGenerationErrors(frame.core()); });
    QAction* a = frame.menu(2)->addAction("生成エラー表示(&E)");
    a->setObjectName("id20489");
    QObject::connect(a, &QAction::triggered, &frame, [&frame] { frame.dispatch(cmd::kShowGenerationErrors); });
}

QtGenerationWindows* generationWindowsOf(MainFrame& frame) {
    return frame.findChild<QtGenerationWindows*>("generationWindows", Qt::FindDirectChildrenOnly);
}

}  // namespace appqt
