// The source view window: rebar, view container with the two panes, status bar,
// search dialog, and the frame's factory for it.
#include "source_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>

#include "app/project.h"
#include "app/shell.h"
#include "base/names.h"
#include "toolstrip.h"
#include "base/services.h"
#include "chartsupport.h"
#include "helpwindow.h"
#include "mainframe.h"
#include "panmark.h"

namespace srcviewqt {

namespace cmd = srcview::cmd;
using srcview::kCellWidth;
using srcview::kLineHeight;

namespace {

constexpr int kRebarHeight = 30;
constexpr int kStatusHeight = 19;
constexpr int kSeparatorHeight = 2;
constexpr char kCaptionEditor[] = "ユーザ指定エディタ起動";

QColor colourOf(app::Rgb c) { return QColor(c.r, c.g, c.b); }

// The scroll code of a scroll bar action (-1 for actions that move nothing).
int scrollCode(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return srcview::kLineDown;
    case QAbstractSlider::SliderSingleStepSub: return srcview::kLineUp;
    case QAbstractSlider::SliderPageStepAdd: return srcview::kPageDown;
    case QAbstractSlider::SliderPageStepSub: return srcview::kPageUp;
    case QAbstractSlider::SliderToMinimum: return srcview::kToTop;
    case QAbstractSlider::SliderToMaximum: return srcview::kToBottom;
    case QAbstractSlider::SliderMove: return srcview::kThumb;
    default: return -1;
    }
}

}  // namespace

// --- text pane -----------------------------------------------------------------------

TextPane::TextPane(SourceWindow& win, QWidget* parent)
    : QWidget(parent), win_(win), panDriver_(this, pan_, "RVQIntelliMouse", [this](const view::PanStep& s) { panStep(s); }) {
    setObjectName("RVQSRCLIST");
    setProperty("controlId", 6000);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    vbar_ = new QScrollBar(Qt::Vertical, this);
    vbar_->setObjectName("vscroll");
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    hbar_->setObjectName("hscroll");
    for (QScrollBar* b : {vbar_, hbar_}) {
        b->setRange(0, 0);
        b->setFocusPolicy(Qt::NoFocus);
        const bool vertical = b == vbar_;
        connect(b, &QScrollBar::actionTriggered, this, [this, b, vertical](int action) {
            int code = scrollCode(action);
            if (code < 0) return;
            const int pos = b->sliderPosition();
            if (vertical) win_.scrollVertical(code, pos);
            else win_.scrollHorizontal(code, pos);
            // The bar shows where the view is, whatever the step did.
            b->setSliderPosition(vertical ? win_.view().top() : win_.view().column());
        });
    }
}

int TextPane::clientWidth() const { return std::max(0, width() - vbar_->sizeHint().width()); }
int TextPane::clientHeight() const { return std::max(0, height() - hbar_->sizeHint().height()); }
bool TextPane::panning() const { return pan_.active(); }

void TextPane::resizeEvent(QResizeEvent*) {
    const int bw = vbar_->sizeHint().width(), bh = hbar_->sizeHint().height();
    vbar_->setGeometry(width() - bw, 0, bw, clientHeight());
    hbar_->setGeometry(0, height() - bh, clientWidth(), bh);
}

void TextPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = clientWidth(), h = clientHeight();
    p.setClipRect(0, 0, w, h);
    paintTextPane(p, win_.list(), win_.view(), win_.colours(), win_.selection(), w, h);
    p.setClipping(false);
    p.fillRect(QRect(w, h, width() - w, height() - h), palette().color(QPalette::Window));
}

void TextPane::mousePressEvent(QMouseEvent* e) {
    const bool middle = e->button() == Qt::MiddleButton;
    if (pan_.active()) {
        if (pan_.endsOnPress(middle)) endPan();
        return;
    }
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        setFocus();
        win_.clickAt(pos.y());
        srcview::TextPos at = win_.view().positionAt(pos.x(), pos.y());
        win_.setSelection(Selection{at, at});
        selecting_ = true;
    } else if (middle) {
        panDriver_.begin(e->modifiers() & Qt::ControlModifier);
    }
}

void TextPane::mouseMoveEvent(QMouseEvent* e) {
    if (pan_.active() || !selecting_) return;
    const QPoint pos = e->position().toPoint();
    // Dragging beyond an edge scrolls one step at a time towards it, silently at the
    // ends of the file.
    const srcview::SourceView& v = win_.view();
    if (pos.y() < 0 && v.top() > 0) win_.scrollVertical(srcview::kLineUp);
    else if (pos.y() >= clientHeight() && v.top() <= v.verticalMax()) win_.scrollVertical(srcview::kLineDown);
    Selection s = win_.selection();
    s.to = win_.view().positionAt(pos.x(), std::clamp(pos.y(), 0, std::max(0, clientHeight() - 1)));
    win_.setSelection(s);
}

void TextPane::mouseReleaseEvent(QMouseEvent* e) {
    if (pan_.active()) {
        if (pan_.endsOnRelease(e->button() == Qt::MiddleButton)) endPan();
        return;
    }
    if (e->button() == Qt::LeftButton) selecting_ = false;
}

void TextPane::wheelEvent(QWheelEvent* e) {
    e->accept();
    const int delta = e->angleDelta().y();
    if (pan_.active() || delta == 0) return;
    win_.scrollVertical(delta < 0 ? srcview::kLineDown : srcview::kLineUp);
}

void TextPane::keyPressEvent(QKeyEvent* e) { win_.keyPressEvent(e); }

void TextPane::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    auto add = [&](const char* label, int id, bool checked = false, bool checkable = false) {
        QAction* a = menu.addAction(QString::fromUtf8(label));
        a->setObjectName(QString("id%1").arg(id));
        a->setCheckable(checkable);
        a->setChecked(checked);
        connect(a, &QAction::triggered, &win_, [this, id] { win_.handleCommand(id); });
        return a;
    };
    QAction* copy = menu.addAction(QString::fromUtf8("コピー(&C)"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(!win_.selection().empty());
    connect(copy, &QAction::triggered, &win_, [this] { win_.copySelection(); });
    menu.addSeparator();
    add("検索(&F)...", cmd::kSearchMenu);
    add("次を検索(&N)", cmd::kSearchAgain);
    menu.addSeparator();
    add("ツールバー(&T)", cmd::kToolbar, win_.rebar()->isVisible(), true);
    add("ステータスバー(&S)", cmd::kStatusBar, win_.statusBar()->isVisible(), true);
    menu.exec(e->globalPos());
}

void TextPane::endPan() {
    panDriver_.end();
    setCursor(Qt::IBeamCursor);
}

void TextPane::panStep(const view::PanStep& s) {
    const int code = s.forward ? srcview::kLineDown : srcview::kLineUp;
    for (int i = 0; i < s.lines; ++i) {
        if (s.vertical) win_.scrollVertical(code);
        else win_.scrollHorizontal(code);
    }
}

// --- line-number pane ------------------------------------------------------------------

LineNumberPane::LineNumberPane(SourceWindow& win, QWidget* parent) : QWidget(parent), win_(win) {
    setObjectName("RVQSRCLNO");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LineNumberPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintLineNumbers(p, win_.view(), win_.colours(), width(), height());
}

// --- search dialog ---------------------------------------------------------------------

SearchDialog::SearchDialog(SourceWindow& win, QWidget* parent) : QDialog(parent), win_(win) {
    setObjectName("SRCSEARCHDLG");
    setWindowTitle(QString::fromUtf8("検索"));
    setModal(false);
    auto* lay = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8("検索文字列(&S):"), this);
    text_ = new QLineEdit(this);
    text_->setObjectName("id13825");
    text_->setMinimumWidth(240);
    label->setBuddy(text_);
    row->addWidget(label);
    row->addWidget(text_, 1);
    lay->addLayout(row);
    case_ = new QCheckBox(QString::fromUtf8("大文字と小文字の区別(&C)"), this);
    case_->setObjectName("id13841");
    lay->addWidget(case_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* next = buttons->addButton(QString::fromUtf8("次検索(&N)"), QDialogButtonBox::ActionRole);
    next->setObjectName("id1");
    next->setDefault(true);
    QPushButton* cancel = buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("id2");
    lay->addWidget(buttons);
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The text field takes at most 255 bytes of CP932 text.
    connect(text_, &QLineEdit::textEdited, this, [this](const QString& t) {
        std::string s = t.toStdString();
        std::string cut = base::cutToCp932(s, srcview::kSearchTextBytes);
        if (cut.size() != s.size()) text_->setText(QString::fromStdString(cut));
    });
}

void SearchDialog::findNext() {
    if (win_.view().search(text_->text().toStdString(), case_->isChecked())) win_.viewMoved(true);
}

// --- window ------------------------------------------------------------------------------

SourceWindow::SourceWindow(appqt::MainFrame& frame, QWidget* parent)
    : ChildView(parent), frame_(frame), view_(list_) {
    setObjectName("SRCChild");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 120);
    view_.setStatusSink([this](std::string_view s) { setStatusText(s); });

    using appqt::WindowTool;
    appqt::ToolStrip strip(this);
    rebar_ = strip.widget();
    const auto command = [this](int id) { handleCommand(id); };
    searchBar_ = strip.addBar(1000,
                              {{cmd::kSearch, WindowTool::Search, "検索"},
                               {0, WindowTool::None, nullptr},
                               {cmd::kEditor, WindowTool::Editor, "エディタ起動"}},
                              command);
    pageBar_ = strip.addBar(1001,
                            {{cmd::kFirstPage, WindowTool::First, "先頭ページ"},
                             {cmd::kPreviousPage, WindowTool::Previous, "前ページ"},
                             {cmd::kNextPage, WindowTool::Next, "次ページ"},
                             {cmd::kLastPage, WindowTool::Last, "最終ページ"}},
                            command);
    strip.addStretch();

    container_ = new QWidget(this);
    container_->setObjectName("RVQSRCVIEW");
    separator_ = new QWidget(container_);
    separator_->setObjectName("RVQSRCSEP");
    separator_->setProperty("controlId", 6001);
    separator_->setAutoFillBackground(true);
    numbers_ = new LineNumberPane(*this, container_);
    text_ = new TextPane(*this, container_);

    status_ = new QStatusBar(this);
    status_->setObjectName("id9000");
    status_->setSizeGripEnabled(false);
    QFont f;
    f.setFamilies({QString::fromUtf8("ＭＳ ゴシック"), QStringLiteral("IPAGothic")});
    f.setPixelSize(12);
    status_->setFont(f);
    for (int i = 0; i < 3; ++i) {
        parts_[i] = new QLabel(status_);
        parts_[i]->setObjectName(QString("part%1").arg(i));
        parts_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    auto* copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, [this] { copySelection(); });
    addAction(copy);
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QAction::triggered, this, [this] { handleCommand(cmd::kSearchMenu); });
    addAction(find);
    updateTitle();
}

SourceWindow::~SourceWindow() { delete search_.data(); }

QAction* SourceWindow::button(int id) const {
    QToolBar* tb = id >= 300 && id <= 303 ? pageBar_ : searchBar_;
    return tb->findChild<QAction*>(QString("id%1").arg(id));
}

QString SourceWindow::statusText() const { return parts_[2]->text(); }

void SourceWindow::setStatusText(std::string_view text) {
    statusText_ = std::string(text);
    parts_[2]->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void SourceWindow::resizeEvent(QResizeEvent*) { layoutPanes(); }

void SourceWindow::layoutPanes() {
    const int w = width(), h = height();
    const int top = toolbarShown_ ? kRebarHeight : 0;
    const int bottom = statusShown_ ? kStatusHeight : 0;
    rebar_->setVisible(toolbarShown_);
    rebar_->setGeometry(0, 0, w, kRebarHeight);
    status_->setVisible(statusShown_);
    status_->setGeometry(0, h - kStatusHeight, w, kStatusHeight);
    // Status parts end at 128, 176 and the window width less 16, taken as at least 300.
    const int ends[3] = {128, 176, std::max(w, 300) - 16};
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        parts_[i]->setGeometry(left, 1, std::max(0, ends[i] - left - 2), kStatusHeight - 2);
        left = ends[i];
    }
    const int ch = std::max(kSeparatorHeight + 1, h - top - bottom);
    container_->setGeometry(0, top, w, ch);
    separator_->setGeometry(0, 0, w, kSeparatorHeight);
    numbers_->setGeometry(0, kSeparatorHeight, kLineNumberWidth, ch - kSeparatorHeight);
    text_->setGeometry(kLineNumberWidth, kSeparatorHeight, std::max(1, w - kLineNumberWidth), ch - kSeparatorHeight);
    view_.resize(text_->clientWidth(), text_->clientHeight());
    updateScrollBars();
}

void SourceWindow::updateScrollBars() {
    QScrollBar* v = text_->verticalBar();
    QScrollBar* hb = text_->horizontalBar();
    v->setRange(0, view_.verticalMax());
    v->setPageStep(std::max(1, view_.rows()));
    v->setValue(view_.top());
    hb->setRange(0, view_.horizontalMax());
    hb->setPageStep(std::max(1, view_.columns()));
    hb->setValue(view_.column());
}

void SourceWindow::updateTitle() {
    std::string t = list_.path().empty() ? "SourceView" : app::childTitle(app::kChildSource, list_.path());
    if (auto* sw = qobject_cast<QMdiSubWindow*>(parentWidget())) sw->setWindowTitle(QString::fromStdString(t));
    setWindowTitle(QString::fromStdString(t));
}

void SourceWindow::loadFile(const std::string& path) {
    const bool same = path == list_.path();
    const app::ParamRecord& rec = frame_.core().params().record();
    tabWidth_ = std::clamp(rec.tabWidth(), 0, srcview::kMaxTabWidth);
    colours_.text = colourOf(rec.sourceTextColour());
    colours_.background = colourOf(rec.sourceBackColour());
    QPalette pal = separator_->palette();
    pal.setColor(QPalette::Window, QColor(160, 160, 160));
    separator_->setPalette(pal);
    const auto code = static_cast<base::InputCode>(std::clamp(frame_.core().project().inputCode, 0, 3));

    selection_ = Selection{};
    loading_ = true;
    layoutPanes();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    srcview::LoadResult r = list_.load(path, code, tabWidth_, [this](std::string_view s) {
        setStatusText(s);
        parts_[2]->repaint();
    });
    QApplication::restoreOverrideCursor();
    loading_ = false;
    updateTitle();
    view_.setTabWidth(tabWidth_);
    layoutPanes();
    if (r == srcview::LoadResult::OpenFailed || r == srcview::LoadResult::NoMemory) {
        view_.reset();
        setStatusText({});
    } else if (view_.placeAfterLoad(same)) {
        // The first drawing of the file, with its status text while it runs.
        setStatusText(srcview::text::kShowing);
        updateScrollBars();
        text_->repaint();
        numbers_->repaint();
        setStatusText({});
        if (int bad = list_.firstBadLine()) {
            QString s = QString::fromUtf8(srcview::text::kBadCode).replace("%d", QString::number(bad));
            setStatusText(s.toStdString());
        }
    }
    updateScrollBars();
    text_->update();
    numbers_->update();
    text_->setFocus();
}

void SourceWindow::viewMoved(bool vertical) {
    updateScrollBars();
    text_->update();
    if (vertical) numbers_->update();
}

void SourceWindow::scrollVertical(int code, int pos) {
    if (view_.scrollVertical(code, pos)) viewMoved(true);
}

void SourceWindow::scrollHorizontal(int code, int pos) {
    if (view_.scrollHorizontal(code, pos)) viewMoved(false);
}

void SourceWindow::clickAt(int y) {
    if (view_.click(y)) viewMoved(true);
}

void SourceWindow::setSelection(const Selection& s) {
    if (s.from == selection_.from && s.to == selection_.to) return;
    selection_ = s;
    text_->update();
}

std::string SourceWindow::selectedText() const {
    if (selection_.empty()) return {};
    return list_.textBetween(selection_.from, selection_.to);
}

void SourceWindow::copySelection() {
    std::string s = selectedText();
    if (!s.empty()) QApplication::clipboard()->setText(QString::fromStdString(s));
}

void SourceWindow::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    switch (e->key()) {
    case Qt::Key_Tab:
        scrollHorizontal((e->modifiers() & Qt::ShiftModifier) ? srcview::kPageUp : srcview::kPageDown);
        return;
    case Qt::Key_Backtab: scrollHorizontal(srcview::kPageUp); return;
    case Qt::Key_Left: scrollHorizontal(srcview::kLineUp); return;
    case Qt::Key_Right: scrollHorizontal(srcview::kLineDown); return;
    case Qt::Key_Up: scrollVertical(srcview::kLineUp); return;
    case Qt::Key_Down: scrollVertical(srcview::kLineDown); return;
    case Qt::Key_PageUp: scrollVertical(srcview::kPageUp); return;
    case Qt::Key_PageDown: scrollVertical(srcview::kPageDown); return;
    default: return;  // other keys do nothing
    }
}

void SourceWindow::closeEvent(QCloseEvent* e) {
    // A close while the view reads a file or the program runs a long step waits.
    if (loading_ || base::services().isBusy()) {
        e->ignore();
        return;
    }
    text_->releaseMouse();
    if (search_) search_->close();
    e->accept();
}

bool SourceWindow::handleCommand(int id) {
    switch (id) {
    case cmd::kNextPage:
    case cmd::kPreviousPage:
    case cmd::kFirstPage:
    case cmd::kLastPage:
        if (view_.page(id)) viewMoved(true);
        return true;
    case cmd::kSearch:
    case cmd::kSearchMenu: openSearch(); return true;
    case cmd::kSearchAgain: searchAgain(); return true;
    case cmd::kEditor: startEditor(); return true;
    case cmd::kToolbar:
        toolbarShown_ = !toolbarShown_;
        layoutPanes();
        return true;
    case cmd::kStatusBar:
        statusShown_ = !statusShown_;
        layoutPanes();
        return true;
    case cmd::kHelpContents: frame_.showHelp(0, 0); return true;
    case cmd::kHelpIndex: frame_.showHelp(appqt::HelpWindow::kFinderPage, 0); return true;
    default: return false;
    }
}

void SourceWindow::openSearch() {
    view_.beginSearch();
    if (!search_) search_ = new SearchDialog(*this, &frame_);
    search_->show();
    // Centred over the main frame.
    const QRect f = frame_.frameGeometry();
    search_->adjustSize();
    search_->move(f.center() - QPoint(search_->width() / 2, search_->height() / 2));
    search_->raise();
    search_->activateWindow();
    search_->textField()->setFocus();
    search_->textField()->selectAll();
}

void SourceWindow::searchAgain() {
    if (view_.search(view_.searchText(), view_.matchCase())) viewMoved(true);
}

void SourceWindow::startEditor() {
    const std::string line = frame_.core().params().record().editorPath();
    if (line.empty()) {
        base::services().messageBox(base::kBoxInfo, kCaptionEditor,
                                    "[オプション]でユーザー指定エディタ名を登録してください。");
        return;
    }
    appqt::EditorLaunch e = appqt::editorLaunch(line, true, list_.path());
    QString program = QString::fromStdString(e.folder.empty() ? e.program : base::joinPath(e.folder, e.program));
    QStringList args;
    if (!e.argument.empty()) args << QString::fromStdString(e.argument);
    if (!QProcess::startDetached(program, args, QString::fromStdString(e.folder)))
        base::services().messageBox(base::kBoxInfo, kCaptionEditor, "ユーザー指定エディタを起動できません。", line);
}

void registerSourceView(appqt::MainFrame& frame) {
    appqt::MainFrame* f = &frame;
    appqt::registerChildFactory(appqt::kKindSource,
                                [f](QWidget* parent) -> appqt::ChildView* { return new SourceWindow(*f, parent); });
}

}  // namespace srcviewqt
