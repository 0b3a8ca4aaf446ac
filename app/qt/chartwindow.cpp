#include "chartwindow.h"

#include "panmark.h"

#include "app/generation.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <system_error>

#include "base/names.h"
#include "base/services.h"
#include "chart/chart_file.h"
#include "chartoptions.h"
#include "chartsupport.h"
#include "icons.h"
#include "toolstrip.h"
#include "mainframe.h"
#include "optionsdialog.h"
#include "view/painter.h"
#include "view/qt/painter_canvas.h"


namespace appqt {

namespace {

constexpr int kRebarHeight = 30;
constexpr int kStatusHeight = 19;
constexpr int kRulerStrip = 32;
constexpr char kCaptionLoad[] = "タイミングチャート読み込み確認";

ChartWindow::Generator& generatorSlot() {
    static ChartWindow::Generator g;
    return g;
}

QFont rulerFont() {
    QFont f("ＭＳ ゴシック");
    f.setPixelSize(10);
    return f;
}

}  // namespace

// --- ruler strip ---------------------------------------------------------------------

RulerStrip::RulerStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("TCRULER");
    setAttribute(Qt::WA_OpaquePaintEvent);
    dateLabel = new QLabel(this);
    dateLabel->setObjectName("id4001");
    dateLabel->setGeometry(4, 8, 60, 10);
    timeLabel = new QLabel(this);
    timeLabel->setObjectName("id4002");
    timeLabel->setGeometry(4, 18, 100, 10);
    for (QLabel* l : {dateLabel, timeLabel}) {
        l->setFont(rulerFont());
        l->setAttribute(Qt::WA_TranslucentBackground);
    }
}

void RulerStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!image.isNull()) {
        p.fillRect(rect(), QColor(240, 240, 240));
        p.drawImage(0, 0, image);
        return;
    }
    p.fillRect(rect(), QColor(240, 240, 240));
    p.setPen(Qt::white);
    p.drawLine(0, 0, width() - 1, 0);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
}

// --- chart pane ----------------------------------------------------------------------

// The horizontal bar counts the chart duration in this many steps.
constexpr int kTimeSteps = 100000;

// The scroll code of a scroll bar action (-1 for actions that move nothing).
static int scrollCode(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return view::kLineDown;
    case QAbstractSlider::SliderSingleStepSub: return view::kLineUp;
    case QAbstractSlider::SliderPageStepAdd: return view::kPageDown;
    case QAbstractSlider::SliderPageStepSub: return view::kPageUp;
    case QAbstractSlider::SliderToMinimum: return view::kTop;
    case QAbstractSlider::SliderToMaximum: return view::kBottom;
    default: return -1;
    }
}

ChartPane::ChartPane(ChartWindow& win, QWidget* parent)
    : QWidget(parent), win_(win), panDriver_(this, win.pan_, "panOrigin", [this](const view::PanStep& s) { panStep(s); }) {
    setObjectName("TCCHART");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    bar_ = new QScrollBar(Qt::Vertical, this);
    bar_->setObjectName("vscroll");
    bar_->setRange(0, 0);
    connect(bar_, &QScrollBar::actionTriggered, this, [this](int action) {
        int code = scrollCode(action);
        if (code >= 0) win_.apply(win_.view_.scrollVertical(code));
        if (action == QAbstractSlider::SliderMove) return;
        bar_->setSliderPosition(win_.view_.verticalOrigin);
    });
    // Dragging the thumb scrolls the rows with it.
    connect(bar_, &QScrollBar::sliderMoved, this, [this](int value) { win_.apply(win_.view_.scrollRowsTo(value)); });
    connect(bar_, &QScrollBar::sliderReleased, this, [this] { bar_->setValue(win_.view_.verticalOrigin); });
    // The horizontal bar describes the shown part of the chart: its thumb is the view,
    // its length the share shown. Arrows and page clicks move by screens, dragging the
    // thumb moves the view with it. With the whole chart shown it has nothing to move.
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    hbar_->setObjectName("hscroll");
    hbar_->setRange(0, 0);
    connect(hbar_, &QScrollBar::actionTriggered, this, [this](int action) {
        int code = scrollCode(action);
        if (code >= 0) {
            win_.apply(win_.view_.scrollHorizontal(code));
            showPosition();
        }
    });
    connect(hbar_, &QScrollBar::sliderMoved, this, [this](int value) {
        const double d = win_.view_.chartDuration();
        win_.apply(win_.view_.scrollTimeTo(d * value / kTimeSteps));
    });
    connect(hbar_, &QScrollBar::sliderReleased, this, [this] { showPosition(); });
}

int ChartPane::clientWidth() const { return std::max(1, width() - bar_->sizeHint().width()); }
int ChartPane::clientHeight() const { return std::max(1, height() - hbar_->sizeHint().height()); }

void ChartPane::resizeEvent(QResizeEvent*) {
    const int bw = bar_->sizeHint().width(), bh = hbar_->sizeHint().height();
    bar_->setGeometry(width() - bw, 0, bw, clientHeight());
    hbar_->setGeometry(0, height() - bh, clientWidth(), bh);
    win_.view_.resize(clientWidth(), clientHeight());
    invalidate();
}

void ChartPane::showPosition() {
    const view::ViewState& v = win_.view_;
    const double d = v.chartDuration(), w = v.span();
    if (!v.chartLoaded || !(d > 0) || w >= d * (1 - 1e-9)) {
        // Nothing lies outside the view: no thumb, nothing to drag.
        hbar_->setRange(0, 0);
        hbar_->setEnabled(false);
        return;
    }
    // Positions in steps of the chart duration; the page is the shown share.
    const int page = std::clamp(static_cast<int>(std::lround(kTimeSteps * w / d)), 1, kTimeSteps);
    const QSignalBlocker quiet(hbar_);
    hbar_->setEnabled(true);
    hbar_->setRange(0, kTimeSteps - page);
    hbar_->setPageStep(page);
    hbar_->setSingleStep(std::max(1, page / 10));
    if (!hbar_->isSliderDown())
        hbar_->setValue(static_cast<int>(std::lround(std::clamp(v.viewStart() / d, 0.0, 1.0) * kTimeSteps)));
}

std::string ChartPane::labelAt(int x, int y) const {
    for (auto it = spots_.rbegin(); it != spots_.rend(); ++it) {
        const view::Rect& b = it->box;
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return it->text;
    }
    return {};
}

bool ChartPane::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // Labels that overlap at low zoom read whole in the tooltip.
        auto* help = static_cast<QHelpEvent*>(e);
        const std::string text = labelAt(help->pos().x(), help->pos().y());
        if (text.empty()) {
            QToolTip::hideText();
            e->ignore();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromStdString(text), this);
        }
        return true;
    }
    return QWidget::event(e);
}

void ChartPane::paintEvent(QPaintEvent*) {
    if (dirty_ || picture_.size() != QSize(clientWidth(), clientHeight())) win_.paintChart();
    QPainter p(this);
    p.drawImage(0, 0, picture_);
    // The corner between the two scroll bars.
    p.fillRect(QRect(clientWidth(), clientHeight(), width() - clientWidth(), height() - clientHeight()),
               palette().color(QPalette::Window));
    // The cursor line and the drag band invert what lies under them.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const view::ViewState& v = win_.view_;
    // Band: XOR with RGB(64, 64, 64); cursor line: XOR with RGB(255, 255, 0).
    const int h = clientHeight();
    if (v.bandShown()) p.fillRect(QRect(v.bandLeft(), 0, v.bandRight() - v.bandLeft() + 1, h), QColor(64, 64, 64));
    if (cursorX_ >= 0) {
        p.setPen(QColor(255, 255, 0));
        p.drawLine(cursorX_, 0, cursorX_, h - 1);
    }
}

void ChartPane::mousePressEvent(QMouseEvent* e) {
    view::ViewState& v = win_.view_;
    view::PanMode& pan = win_.pan_;
    const bool middle = e->button() == Qt::MiddleButton;
    if (pan.active()) {
        if (pan.endsOnPress(middle)) endPan();
        return;
    }
    if (!v.chartLoaded || v.entryCount <= 0) {
        if (e->button() != Qt::NoButton) win_.apply(view::NavResult{false, false, v.noChartText(), {}});
        return;
    }
    int x = e->position().toPoint().x();
    if (e->button() == Qt::LeftButton) {
        setFocus();
        v.leftPress(x);
    } else if (e->button() == Qt::RightButton) {
        win_.apply(v.rightClick());
        update();
    } else if (middle) {
        panDriver_.begin(e->modifiers() & Qt::ControlModifier);
    }
}

void ChartPane::mouseMoveEvent(QMouseEvent* e) {
    view::ViewState& v = win_.view_;
    // During pan mode the timer moves the view; mouse moves do nothing else.
    if (win_.pan_.active() || !v.chartLoaded || v.entryCount <= 0) return;
    if (cursor().shape() != Qt::ArrowCursor) setCursor(Qt::ArrowCursor);
    QPoint pos = e->position().toPoint();
    if (v.dragState != 0) {
        view::NavResult r = v.mouseMoveDrag(pos.x());
        if (r.status) win_.setStatusText(*r.status);
        if (r.beep) base::services().beep();
    }
    win_.showCursorAt(pos.x(), pos.y());
}

void ChartPane::mouseReleaseEvent(QMouseEvent* e) {
    view::ViewState& v = win_.view_;
    if (win_.pan_.active()) {
        if (win_.pan_.endsOnRelease(e->button() == Qt::MiddleButton)) endPan();
        return;
    }
    if (e->button() != Qt::LeftButton || v.dragState == 0) return;
    win_.apply(v.leftRelease(e->position().toPoint().x()));
    update();
}

void ChartPane::wheelEvent(QWheelEvent* e) {
    win_.wheelEvent(e);
}

void ChartPane::keyPressEvent(QKeyEvent* e) { win_.keyPressEvent(e); }

void ChartPane::endPan() {
    panDriver_.end();
    unsetCursor();
}

void ChartPane::panStep(const view::PanStep& s) {
    if (s.lines <= 0) return;
    bool repaint = false;
    view::ViewState& v = win_.view_;
    if (s.vertical) {
        for (int i = 0; i < s.lines; ++i)
            repaint |= v.scrollVertical(s.forward ? view::kLineDown : view::kLineUp).repaint;
    } else {
        repaint = v.shiftPixels(s.forward ? s.lines : -s.lines).repaint;
    }
    if (repaint) win_.apply(view::NavResult{true, false, {}, {}});
}

// --- chart window --------------------------------------------------------------------

void ChartWindow::setGenerator(Generator g) { generatorSlot() = std::move(g); }
const ChartWindow::Generator& ChartWindow::generator() { return generatorSlot(); }

ChartWindow::ChartWindow(MainFrame& frame, QWidget* parent)
    : ChildView(parent), frame_(frame), model_(std::make_unique<chart::ChartModel>()) {
    setObjectName("TCChild");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 120);
    params_ = chartParamsFrom(frame_.core().params().record());

    ToolStrip strip(this);
    rebar_ = strip.widget();
    const auto command = [this](int id) { handleCommand(id); };
    mainBar_ = strip.addBar(1000,
                            {{chartcmd::kRuler, WindowTool::Ruler, "上部スケール表示"},
                             {0, WindowTool::None, nullptr},
                             {chartcmd::kGenerate, WindowTool::Generate, "生成"},
                             {0, WindowTool::None, nullptr},
                             {chartcmd::kEditor, WindowTool::Editor, "エディタ起動"},
                             {chartcmd::kOptions, WindowTool::Options, "オプション設定"},
                             {0, WindowTool::None, nullptr},
                             {chartcmd::kZoomOut, WindowTool::ZoomOut, "縮小"},
                             {chartcmd::kZoomIn, WindowTool::ZoomIn, "拡大"},
                             {chartcmd::kWhole, WindowTool::Whole, "全体表示"}},
                            command);
    mainBar_->setMinimumWidth(235);
    screenBar_ = strip.addBar(1001,
                              {{chartcmd::kFirst, WindowTool::First, "先頭画面"},
                               {chartcmd::kPrevious, WindowTool::Previous, "前画面"},
                               {chartcmd::kNext, WindowTool::Next, "次画面"},
                               {chartcmd::kLast, WindowTool::Last, "最終画面"}},
                              command);
    strip.addStretch();
    button(chartcmd::kRuler)->setCheckable(true);
    button(chartcmd::kRuler)->setChecked(true);

    ruler_ = new RulerStrip(this);
    pane_ = new ChartPane(*this, this);

    status_ = new QStatusBar(this);
    status_->setObjectName("id9000");
    status_->setSizeGripEnabled(false);
    QFont f("ＭＳ ゴシック");
    f.setPixelSize(12);
    status_->setFont(f);
    for (int i = 0; i < 3; ++i) {
        parts_[i] = new QLabel(status_);
        parts_[i]->setObjectName(QString("part%1").arg(i));
        parts_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    enableButtons();
}

// The generation error list belongs to the chart being replaced or closed.
void ChartWindow::closeGenerationErrors() {
    app::GenerationWindows& w = app::generationWindows();
    if (w.errorWindowOpen()) w.closeErrorWindow();
}

ChartWindow::~ChartWindow() {
    closing_ = true;
    closeGenerationErrors();
    pane_->panDriver_.stop();
}

QAction* ChartWindow::button(int id) const {
    QToolBar* tb = id >= 300 && id <= 304 ? screenBar_ : mainBar_;
    return tb->findChild<QAction*>(QString("id%1").arg(id));
}

QString ChartWindow::statusText() const { return parts_[2]->text(); }

void ChartWindow::setStatusText(const std::string& text) {
    statusText_ = text;
    parts_[2]->setText(QString::fromStdString(text));
}

void ChartWindow::resizeEvent(QResizeEvent*) {
    if (!closing_) layoutPanes();
}

void ChartWindow::showEvent(QShowEvent* e) {
    ChildView::showEvent(e);
    auto* sw = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sw || sw == watchedFrame_) return;
    restoreRect();
    watchedFrame_ = sw;
    sw->installEventFilter(this);
}

bool ChartWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == watchedFrame_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize)) storeRect();
    return ChildView::eventFilter(o, e);
}

void ChartWindow::restoreRect() {
    auto* sw = qobject_cast<QMdiSubWindow*>(parentWidget());
    app::LayoutRect r;
    if (!sw || !frame_.core().params().layout(kChartWindowGroup, kChartWindowEntry, r)) return;
    QRect g(r.x, r.y, r.width, r.height);
    // A rectangle kept from a larger frame comes back whole into the area when it fits.
    if (QWidget* area = sw->parentWidget()) {
        const QSize a = area->size();
        if (a.width() > 0 && a.height() > 0) {
            g.moveLeft(std::clamp(g.x(), 0, std::max(0, a.width() - g.width())));
            g.moveTop(std::clamp(g.y(), 0, std::max(0, a.height() - g.height())));
        }
    }
    sw->setGeometry(g);
}

void ChartWindow::storeRect() {
    auto* sw = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sw || closing_ || !frame_.layoutSaving() || sw->isMaximized() || sw->isMinimized() || !sw->isVisible())
        return;
    const QRect g = sw->geometry();
    if (g.width() <= 0 || g.height() <= 0) return;
    const app::LayoutRect l{std::max(0, g.x()), std::max(0, g.y()), g.width(), g.height()};
    app::LayoutRect old;
    if (frame_.core().params().layout(kChartWindowGroup, kChartWindowEntry, old) && old == l) return;
    frame_.core().params().setLayout(kChartWindowGroup, kChartWindowEntry, l);
}

void ChartWindow::layoutPanes() {
    const int w = width(), h = height();
    const int top = kRebarHeight;
    status_->setGeometry(0, h - kStatusHeight, w, kStatusHeight);
    if (rulerShown_) {
        ruler_->setGeometry(0, top, w, kRulerStrip);
        ruler_->show();
        pane_->setGeometry(0, top + kRulerStrip, w, std::max(1, h - top - kStatusHeight - kRulerStrip));
    } else {
        ruler_->hide();
        pane_->setGeometry(0, top, w, std::max(1, h - top - kStatusHeight));
    }
    // Parts end at 128, 176 and the window width less 16, taken as at least 300.
    const int right = std::max(w, 300) - 16;
    partRight_[0] = 128;
    partRight_[1] = 176;
    partRight_[2] = right;
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        parts_[i]->setGeometry(left, 1, partRight_[i] - left - 2, kStatusHeight - 2);
        left = partRight_[i];
    }
    setStatusText(statusText_);
    rebar_->setGeometry(0, 0, w, kRebarHeight);
    ruler_->update();
}

void ChartWindow::enableButtons() {
    const bool loaded = view_.chartLoaded;
    view::ZoomButtons z = view_.zoomButtons();
    view::ScreenButtons s = view_.screenButtons();
    button(chartcmd::kZoomOut)->setEnabled(loaded && z.zoomOut);
    button(chartcmd::kZoomIn)->setEnabled(loaded && z.zoomIn);
    button(chartcmd::kWhole)->setEnabled(loaded && z.wholeChart);
    button(chartcmd::kFirst)->setEnabled(loaded && s.first);
    button(chartcmd::kPrevious)->setEnabled(loaded && s.previous);
    button(chartcmd::kNext)->setEnabled(loaded && s.next);
    button(chartcmd::kLast)->setEnabled(loaded && s.last);
    button(chartcmd::kGenerate)->setEnabled(!chartPath_.empty());
    button(chartcmd::kRuler)->setChecked(rulerShown_);
}

void ChartWindow::updateTitle() {
    std::string t = logPath_.empty() ? "Chronava" : std::filesystem::path(logPath_).filename().string() + " - Chronava";
    if (auto* sw = qobject_cast<QMdiSubWindow*>(parentWidget())) sw->setWindowTitle(QString::fromStdString(t));
    else setWindowTitle(QString::fromStdString(t));
}

// --- open, load, read ------------------------------------------------------------------

void ChartWindow::loadFile(const std::string& logPath) {
    view_.chartLoaded = false;
    closing_ = false;
    logPath_ = logPath;
    // Where the generation run writes this log's chart.
    chartPath_ = app::chartPathFor(frame_.core(), logPath);
    view_.logSet = true;
    params_ = chartParamsFrom(frame_.core().params().record());
    loadOperation();
    enableButtons();
    updateTitle();
    pane_->invalidate();
}

ChartWindow::Dates ChartWindow::compareDates() const {
    namespace fs = std::filesystem;
    std::error_code ec;
    auto sizeOf = [&](const std::string& p) -> long long {
        auto s = fs::file_size(p, ec);
        return ec ? -1 : static_cast<long long>(s);
    };
    long long logSize = sizeOf(logPath_), chartSize = sizeOf(chartPath_);
    const bool logHas = logSize > 0, chartHas = chartSize > 0;
    if (!logHas && !chartHas) return Dates::NotFound;
    if (!logHas) return Dates::ChartOnly;
    if (!chartHas) return Dates::ChartMissing;
    auto tl = fs::last_write_time(logPath_, ec);
    auto tc = fs::last_write_time(chartPath_, ec);
    if (ec) return Dates::Current;
    return tc < tl ? Dates::ChartOlder : Dates::Current;
}

bool ChartWindow::loadOperation() {
    pane_->setFocus();
    closeGenerationErrors();
    std::error_code ec;
    if (!std::filesystem::exists(logPath_, ec)) {
        base::services().messageBox(base::kBoxInfo, "ファイル読み込み", logPath_, "ファイルが見つかりません。");
        setStatusText({});
        discard();
        return false;
    }
    Dates d = compareDates();
    if (d == Dates::NotFound) {
        discard();
        setStatusText("ファイルが見つかりません。[" + logPath_ + "]");
        return false;
    }
    if (d == Dates::ChartOlder || d == Dates::ChartMissing) {
        const char* first = d == Dates::ChartOlder ? "日付けの古いタイミングチャートが存在します。"
                                                   : "タイミングチャートが存在しません。";
        if (base::services().messageBox(base::kBoxAsk, kCaptionLoad, first, "タイミングチャート生成を実行します。")) {
            runGeneration();
            return view_.chartLoaded;
        }
    }
    discard();
    if (readChart() != 0) {
        pane_->invalidate();
        return false;
    }
    redraw();
    return true;
}

void ChartWindow::runGeneration() {
    discard();
    pane_->invalidate();
    const Generator& g = generator();
    if (g) g(logPath_);
    else convertLogToChart(logPath_, chartPath_);
    base::services().beep();
    readChart();
    redraw();
    enableButtons();
}

void ChartWindow::discard() {
    model_->clear();
    index_ = view::PaintIndex{};
    view_.unload();
    pane_->cursorX_ = -1;
}

int ChartWindow::readChart() {
    params_ = chartParamsFrom(frame_.core().params().record());
    view_.heightUnit = std::max(view::ChartParams::kMinHeightUnit, params_.heightUnit);
    setStatusText("タイミングチャートを作成中です。");
    chart::ReadSettings rs;
    rs.minimumResolution = params_.minResolution;
    rs.sortByName = params_.sortByName;
    int slotCount = 0;
    int rc = -1;
    try {
        rc = chart::ReadChartFile(false, chartPath_, *model_, &slotCount, rs);
    } catch (const std::bad_alloc&) {
        // A chart too large for memory: say so and keep the window without a chart.
        model_->clear();
        base::services().messageBox(base::kBoxInfo, "Chronava", "メモリが足りません。");
    }
    if (rc == 0) {
        view_.load(*model_);
        index_.build(*model_);
    } else {
        view_.unload();
    }
    setStatusText({});
    return rc;
}

void ChartWindow::reread() {
    discard();
    if (readChart() == 0) redraw();
    else pane_->invalidate();
    enableButtons();
}

void ChartWindow::redraw() {
    params_ = chartParamsFrom(frame_.core().params().record());
    view_.heightUnit = std::max(view::ChartParams::kMinHeightUnit, params_.heightUnit);
    if (view_.chartLoaded) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        paintChart();
        QApplication::restoreOverrideCursor();
        setStatusText({});
        updateTitle();
    } else {
        paintChart();
    }
    pane_->update();
    ruler_->update();
    enableButtons();
}

void ChartWindow::paintChart() {
    const int w = pane_->clientWidth(), h = pane_->clientHeight();
    if (view_.paneWidth != w || view_.paneHeight != h) view_.resize(w, h);
    QImage& pic = pane_->picture_;
    pic = QImage(w, h, QImage::Format_RGB32);
    view::ChartPainter painter(*model_, params_, view::ChartPalette::from(params_));
    painter.setIndex(&index_);
    painter.setProjectFolder(frame_.core().project().baseDir);
    {
        QPainter qp(&pic);
        viewqt::PainterCanvas canvas(qp, w, h);
        painter.fillBackground(canvas);
        if (view_.chartLoaded) {
            viewqt::ImageCanvas strip(w, kRulerStrip);
            view::PaintResult r;
            if (view_.entryCount > 0) {
                r = painter.paintScreen(canvas, &strip, view_);
                pane_->spots_ = painter.labelSpots();
            } else {
                pane_->spots_.clear();
                painter.drawRulerFrame(strip, view::Rect{0, 0, w, kRulerStrip});
                r.status = -1;
            }
            ruler_->image = strip.finish().copy();
            // The bar reaches every origin the row scrolls can reach, so it always
            // shows where the rows stand.
            {
                const QSignalBlocker quiet(pane_->bar_);
                pane_->bar_->setRange(0, std::max({0, r.vScrollMax, view_.maxVerticalOrigin(), view_.verticalOrigin}));
                pane_->bar_->setPageStep(std::max(1, view_.rowsPerPage()));
                if (!pane_->bar_->isSliderDown()) pane_->bar_->setValue(view_.verticalOrigin);
            }
            pane_->showPosition();
        } else {
            ruler_->image = QImage();
            pane_->spots_.clear();
            pane_->bar_->setRange(0, 0);
            pane_->hbar_->setRange(0, 0);
        }
    }
    pane_->dirty_ = false;
    ruler_->update();
    enableButtons();
}

void ChartWindow::showCursorAt(int x, int y) {
    if (!view_.chartLoaded || view_.entryCount <= 0) return;
    view::CursorUpdate c = view_.cursorMove(x, y);
    pane_->cursorX_ = c.newX;
    ruler_->dateLabel->setText(QString::fromStdString(c.date));
    ruler_->timeLabel->setText(QString::fromStdString(c.time));
    // The value of the signal under the pointer where the cursor line crosses it.
    const int slot = c.newX >= 0 ? view::rowAt(view_, y) : 0;
    const std::string value = slot ? view::valueText(*model_, slot, view_.timeAt(c.newX)) : std::string();
    parts_[0]->setText(QString::fromStdString(value));
    parts_[0]->setToolTip(QString::fromStdString(value));
    pane_->update();
}

void ChartWindow::apply(const view::NavResult& r) {
    if (r.beep) base::services().beep();
    if (r.repaint) {
        if (!r.paintingStatus.empty()) setStatusText(r.paintingStatus);
        // A repaint removes the cursor line; the next mouse move draws it again.
        view_.forgetCursor();
        pane_->cursorX_ = -1;
        paintChart();
        pane_->update();
        // The painting text stands only while the paint runs.
        if (!r.paintingStatus.empty() && !r.status) setStatusText({});
    }
    if (r.status) setStatusText(*r.status);
    enableButtons();
}

// --- commands and keys -----------------------------------------------------------------

bool ChartWindow::handleCommand(int id) {
    const bool viewCommand = (id >= chartcmd::kNext && id <= chartcmd::kLast) || id == chartcmd::kZoomOut ||
                             id == chartcmd::kZoomIn || id == chartcmd::kWhole;
    if (viewCommand && !view_.chartLoaded) {
        setStatusText(view_.noChartText());
        return true;
    }
    switch (id) {
    case chartcmd::kNext:
    case chartcmd::kPrevious:
    case chartcmd::kFirst:
    case chartcmd::kLast:
        apply(view_.moveScreen(id - chartcmd::kNext));
        return true;
    case chartcmd::kZoomOut: apply(view_.zoomOut()); return true;
    case chartcmd::kZoomIn: apply(view_.zoomIn()); return true;
    case chartcmd::kWhole: apply(view_.wholeChart()); return true;
    case chartcmd::kRuler:
        rulerShown_ = !rulerShown_;
        layoutPanes();
        enableButtons();
        return true;
    case chartcmd::kEditor: startEditor(); return true;
    case chartcmd::kOptions: frame_.dispatch(chartcmd::kOptions); return true;
    case chartcmd::kGenerate:
        runGeneration();
        return true;
    default: return false;
    }
}

void ChartWindow::startEditor() {
    std::string line = frame_.core().params().record().editorPath();
    const char* caption = "ユーザ指定エディタ起動";
    if (line.empty()) {
        base::services().messageBox(base::kBoxInfo, caption, "[オプション]でユーザー指定エディタ名を登録してください。");
        return;
    }
    EditorLaunch e = editorLaunch(line, !chartPath_.empty(), logPath_);
    QString program = QString::fromStdString(e.folder.empty() ? e.program : base::joinPath(e.folder, e.program));
    QStringList args;
    if (!e.argument.empty()) args << QString::fromStdString(e.argument);
    if (!QProcess::startDetached(program, args, QString::fromStdString(e.folder)))
        base::services().messageBox(base::kBoxInfo, caption, "ユーザー指定エディタを起動できません。", line);
}

bool ChartWindow::horizontalKey(QKeyEvent* e) {
    int code = -1;
    switch (e->key()) {
    case Qt::Key_Tab: code = (e->modifiers() & Qt::ShiftModifier) ? view::kPageUp : view::kPageDown; break;
    case Qt::Key_Backtab: code = view::kPageUp; break;
    case Qt::Key_Left: code = view::kLineUp; break;
    case Qt::Key_Right: code = view::kLineDown; break;
    default: return false;
    }
    apply(view_.scrollHorizontal(code));
    return true;
}

// The pane column under the pointer, -1 when the pointer is elsewhere.
int ChartWindow::pointerColumn() const {
    const QPoint p = pane_->mapFromGlobal(QCursor::pos());
    return pane_->rect().contains(p) ? p.x() : -1;
}

// Zoom by + and - and by Ctrl + wheel, around the pointer when it is over the plot.
void ChartWindow::zoomAround(int x, bool in) {
    if (!view_.chartLoaded) {
        setStatusText(view_.noChartText());
        return;
    }
    apply(view_.zoomAt(x, in));
}

void ChartWindow::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Minus:
        zoomAround(pointerColumn(), e->key() == Qt::Key_Plus);
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        handleCommand(e->key() == Qt::Key_Home ? chartcmd::kFirst : chartcmd::kLast);
        return;
    default: break;
    }
    if (horizontalKey(e)) return;
    int code = -1;
    switch (e->key()) {
    case Qt::Key_Up: code = view::kLineUp; break;
    case Qt::Key_Down: code = view::kLineDown; break;
    case Qt::Key_PageUp: code = view::kPageUp; break;
    case Qt::Key_PageDown: code = view::kPageDown; break;
    default: return;  // other keys do nothing
    }
    apply(view_.scrollVertical(code));
}

void ChartWindow::wheelEvent(QWheelEvent* e) {
    int delta = e->angleDelta().y();
    if (delta == 0) return;
    Qt::KeyboardModifiers m = e->modifiers();
    e->accept();
    if ((m & Qt::ControlModifier) && !(m & Qt::ShiftModifier) && !pan_.active()) {
        const QPoint p = pane_->mapFromGlobal(e->globalPosition().toPoint());
        zoomAround(pane_->rect().contains(p) ? p.x() : -1, delta > 0);
        return;
    }
    apply(view_.wheel(delta, m & Qt::ShiftModifier, m & Qt::ControlModifier, pan_.active()));
}

void registerChartWindow(MainFrame& frame) {
    MainFrame* f = &frame;
    // "生成" and the date question's OK run the project's generation for the log.
    ChartWindow::setGenerator([f](const std::string& log) { return app::generateChart(f->core(), log) == 0; });
    registerChildFactory(kKindChart, [f](QWidget* parent) -> ChildView* { return new ChartWindow(*f, parent); });
    registerOptionPage(990, [](MainFrame& fr, QWidget* parent) -> OptionPage* { return new ChartOptionsPage(fr, parent); });
}

}  // namespace appqt
