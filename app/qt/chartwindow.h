// The chart window "TCChild": a row of two toolbars, the ruler strip with its two
// time labels, the chart pane "TCCHART" with its vertical scroll bar, and a status
// bar of three parts. It opens a log's chart (generating it when the chart is
// missing or older than the log and the user agrees), paints it with the chart
// painter and carries out the navigation rules of view::ViewState.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "chart/model.h"
#include "childwindows.h"
#include "view/chart_params.h"
#include "view/paint_index.h"
#include "view/painter.h"
#include "view/view_state.h"
#include "panmark.h"

class QAction;
class QLabel;
class QScrollBar;
class QStatusBar;
class QToolBar;

namespace appqt {

class MainFrame;
class ChartWindow;

// The layout table entry that keeps the chart window's rectangle in the work area.
constexpr int kChartWindowGroup = 1;
constexpr int kChartWindowEntry = 0;

namespace chartcmd {
constexpr int kNext = 300, kPrevious = 301, kFirst = 302, kLast = 303;
constexpr int kEditor = 8194, kOptions = 8195;
constexpr int kRuler = 12304, kZoomOut = 12316, kZoomIn = 12317, kWhole = 12318;
constexpr int kGenerate = 20488;
}  // namespace chartcmd

// The ruler strip "TCRULER": shows the strip image the last chart paint made, or the
// empty strip.
class RulerStrip : public QWidget {
    Q_OBJECT
public:
    explicit RulerStrip(QWidget* parent);
    QImage image;  // null: the empty strip
    QLabel* dateLabel;  // 4001
    QLabel* timeLabel;  // 4002

protected:
    void paintEvent(QPaintEvent*) override;
};

// The chart pane "TCCHART": the chart picture (kept until the next repaint), with the
// cursor line and the drag band drawn over it.
class ChartPane : public QWidget {
    Q_OBJECT
public:
    ChartPane(ChartWindow& win, QWidget* parent);
    QScrollBar* scrollBar() const { return bar_; }
    QScrollBar* horizontalBar() const { return hbar_; }
    // The size of the pane less its scroll bars.
    int clientWidth() const;
    int clientHeight() const;
    // The horizontal bar's thumb at the view's place in the chart.
    void showPosition();
    void invalidate() {
        dirty_ = true;
        update();
    }
    const QImage& picture() const { return picture_; }
    int cursorLine() const { return cursorX_; }
    QLabel* originMark() const { return panDriver_.mark(); }
    // The full text of the comment label at pane point (x, y); empty when none.
    std::string labelAt(int x, int y) const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }

private:
    friend class ChartWindow;
    void panStep(const view::PanStep& s);
    void endPan();
    ChartWindow& win_;
    PanDriver panDriver_;  // its mark is "panOrigin"
    QScrollBar* bar_;
    QScrollBar* hbar_;
    QImage picture_;
    std::vector<view::ChartPainter::LabelSpot> spots_;  // labels of the picture
    bool dirty_ = true;
    int cursorX_ = -1;
};

class ChartWindow : public ChildView {
    Q_OBJECT
public:
    // Makes the chart for one log: true when it ran (the chart is then read again).
    using Generator = std::function<bool(const std::string& logPath)>;
    // The generation used by the window; the frame sets its own, the default runs the
    // converter on the log into the project folder.
    static void setGenerator(Generator g);
    static void closeGenerationErrors();
    static const Generator& generator();

    ChartWindow(MainFrame& frame, QWidget* parent);
    ~ChartWindow() override;

    // The open operation: the log's chart, compared by date with the log.
    void loadFile(const std::string& logPath) override;
    bool handleCommand(int id) override;
    std::string currentFile() const override { return logPath_; }

    const std::string& chartPath() const { return chartPath_; }
    bool chartLoaded() const { return view_.chartLoaded; }
    const chart::ChartModel& model() const { return *model_; }
    view::ViewState& viewState() { return view_; }
    const view::ChartParams& params() const { return params_; }
    ChartPane* pane() const { return pane_; }
    RulerStrip* ruler() const { return ruler_; }
    QToolBar* mainToolBar() const { return mainBar_; }
    QToolBar* screenToolBar() const { return screenBar_; }
    QStatusBar* statusBar() const { return status_; }
    QAction* button(int id) const;
    bool rulerShown() const { return rulerShown_; }
    QString statusText() const;
    void setStatusText(const std::string& text);
    int statusPartRight(int part) const { return partRight_[part]; }

    // Read operation: reads the chart file with the current parameters; 0 or -1.
    int readChart();
    // Discards, reads again and repaints (after sorting or resolution changed).
    void reread();
    // Takes the parameters again (colours, height, comments) and repaints.
    void redraw();
    // The cursor line at pane column x (as a mouse move there draws it).
    void showCursorAt(int x, int y);
    // Carries out a navigation result.
    void apply(const view::NavResult& r);

protected:
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }

private:
    friend class ChartPane;
    // The window's rectangle in the work area, kept in the layout table.
    void restoreRect();
    void storeRect();
    enum class Dates { NotFound, ChartOnly, ChartMissing, ChartOlder, Current };
    Dates compareDates() const;
    bool loadOperation();
    void runGeneration();
    void discard();
    void enableButtons();
    void layoutPanes();
    void updateTitle();
    void startEditor();
    void paintChart();  // renders the pane picture and the ruler strip image
    bool horizontalKey(QKeyEvent* e);
    int pointerColumn() const;
    void zoomAround(int x, bool in);

    MainFrame& frame_;
    std::string logPath_, chartPath_;
    std::unique_ptr<chart::ChartModel> model_;
    view::PaintIndex index_;
    view::ViewState view_;
    view::PanMode pan_;
    view::ChartParams params_;
    bool rulerShown_ = true;
    bool closing_ = false;
    QWidget* watchedFrame_ = nullptr;  // the MDI frame whose moves are stored
    QWidget* rebar_;
    QToolBar* mainBar_;
    QToolBar* screenBar_;
    RulerStrip* ruler_;
    ChartPane* pane_;
    QStatusBar* status_;
    QLabel* parts_[3];
    int partRight_[3] = {128, 176, 284};
    std::string statusText_;
};

// Registers the chart window as the frame's chart child and the options page 990.
void registerChartWindow(MainFrame& frame);

}  // namespace appqt
