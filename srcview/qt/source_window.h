// The source view window (SRCChild): a log file with line numbers, a current line,
// scrolling, pages and search. Every rule lives in srcview::SourceList and
// srcview::SourceView; the widgets here forward events and draw.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <string>

#include "childwindows.h"
#include "source_paint.h"
#include "srcview/source_list.h"
#include "srcview/source_view.h"
#include "view/view_state.h"
#include "panmark.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QStatusBar;
class QToolBar;

namespace appqt {
class MainFrame;
}

namespace srcviewqt {

class SourceWindow;

// The text pane (RVQSRCLIST) with its two scroll bars.
class TextPane : public QWidget {
    Q_OBJECT
public:
    TextPane(SourceWindow& win, QWidget* parent);
    int clientWidth() const;
    int clientHeight() const;
    QScrollBar* verticalBar() const { return vbar_; }
    QScrollBar* horizontalBar() const { return hbar_; }
    bool panning() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    // Tab and Shift+Tab scroll sideways instead of moving the focus.
    bool focusNextPrevChild(bool) override { return false; }

private:
    void endPan();
    void panStep(const view::PanStep& s);

    SourceWindow& win_;
    QScrollBar* vbar_;
    QScrollBar* hbar_;
    view::PanMode pan_;
    appqt::PanDriver panDriver_;  // its mark is "RVQIntelliMouse": where the pan started
    bool selecting_ = false;
};

// The line-number pane (RVQSRCLNO).
class LineNumberPane : public QWidget {
    Q_OBJECT
public:
    LineNumberPane(SourceWindow& win, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    SourceWindow& win_;
};

// The search dialog (SRCSEARCHDLG): stays open until Cancel; "次検索" searches on.
class SearchDialog : public QDialog {
    Q_OBJECT
public:
    SearchDialog(SourceWindow& win, QWidget* parent);
    QLineEdit* textField() const { return text_; }
    QCheckBox* caseBox() const { return case_; }
    void findNext();

private:
    SourceWindow& win_;
    QLineEdit* text_;
    QCheckBox* case_;
};

class SourceWindow : public appqt::ChildView {
    Q_OBJECT
public:
    SourceWindow(appqt::MainFrame& frame, QWidget* parent);
    ~SourceWindow() override;

    void loadFile(const std::string& path) override;
    bool handleCommand(int id) override;
    std::string currentFile() const override { return list_.path(); }

    const srcview::SourceList& list() const { return list_; }
    srcview::SourceView& view() { return view_; }
    const PaneColours& colours() const { return colours_; }
    const Selection& selection() const { return selection_; }
    void setSelection(const Selection& s);
    // The selected text (UTF-8); empty without a selection.
    std::string selectedText() const;
    void copySelection();

    QString statusText() const;
    void setStatusText(std::string_view text);
    TextPane* textPane() const { return text_; }
    LineNumberPane* numberPane() const { return numbers_; }
    QWidget* rebar() const { return rebar_; }
    QStatusBar* statusBar() const { return status_; }
    QAction* button(int id) const;
    SearchDialog* searchDialog() const { return search_; }
    // Redraws after the view moved: both panes, or the text pane alone for a
    // horizontal move; sets the scroll bars.
    void viewMoved(bool vertical);
    // Scroll steps of keys, bars, wheel and pan mode.
    void scrollVertical(int code, int pos = 0);
    void scrollHorizontal(int code, int pos = 0);
    void keyPressEvent(QKeyEvent* e) override;
    void clickAt(int y);

protected:
    void resizeEvent(QResizeEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    void layoutPanes();
    void updateScrollBars();
    void updateTitle();
    void startEditor();
    void openSearch();
    void searchAgain();

    appqt::MainFrame& frame_;
    srcview::SourceList list_;
    srcview::SourceView view_;
    PaneColours colours_;
    Selection selection_;
    int tabWidth_ = 8;
    bool loading_ = false;
    bool toolbarShown_ = true, statusShown_ = true;

    QWidget* rebar_;
    QToolBar* searchBar_;
    QToolBar* pageBar_;
    QWidget* container_;  // RVQSRCVIEW
    QWidget* separator_;  // RVQSRCSEP
    LineNumberPane* numbers_;
    TextPane* text_;
    QStatusBar* status_;
    std::array<QLabel*, 3> parts_{};
    std::string statusText_;
    // Owned by the frame so that it stays over it; deleted with this window.
    QPointer<SearchDialog> search_;
};

// Registers the source view as the frame's window for logs.
void registerSourceView(appqt::MainFrame& frame);

}  // namespace srcviewqt
