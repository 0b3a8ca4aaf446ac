// The main frame "PXDMAIN": menu bar, toolbar row with the logo box, the project tree
// pane with its two tabs, the MDI area, the message pane, two splitter bars and the
// status bar. Commands are QActions named "id<number>" and dispatched by number in
// dispatch().
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "app/shell.h"
#include "childwindows.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QRubberBand;
class QTabBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace appqt {

class HelpWindow;
class LogoBox;
class MessagePane;
class QtServices;

// Command numbers of the frame.
namespace cmd {
constexpr int kScreen0 = 300, kScreen1 = 301, kScreen2 = 302, kScreen3 = 303, kScreen4 = 304;
constexpr int kCancelRun = 306;
constexpr int kNew = 4097, kOpen = 4098, kExit = 4104, kRecentSeparator = 4105, kRecentFirst = 4106;
constexpr int kMenuFile = 4128;  // 4128..4133 pop up menus 0..5
constexpr int kOptions = 8195;
constexpr int kCascade = 8705, kTileVert = 8706, kTileHorz = 8707, kArrange = 8708;
constexpr int kToolbar = 12305, kStatusBar = 12306, kDocView = 12307, kMessages = 12308, kClearMessages = 12309;
constexpr int kEditProject = 20482, kGenerate = 20488;
constexpr int kHelpTopics = 28673, kHelpButton = 28676;
constexpr int kMetafile = 36868, kGif = 36869, kWord = 36870, kHtml = 36872;
constexpr int kWindowFirst = 5000;
}  // namespace cmd

// A splitter bar: dragging shows a band that follows the mouse; releasing reports the
// new position (clamped by the frame).
class SplitBar : public QWidget {
    Q_OBJECT
public:
    SplitBar(Qt::Orientation o, const char* name, QWidget* parent);
    std::function<int(int)> clamp;  // position in parent coordinates -> allowed position

signals:
    void released(int pos);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int posOf(QMouseEvent* e) const;
    Qt::Orientation o_;
    QRubberBand* band_ = nullptr;
    bool dragging_ = false;
};

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kToolbarRow = 30;  // rebar 28 + 2
    static constexpr int kSplit = 6;
    static constexpr int kMinWidth = 480, kMinHeight = 360;  // smallest frame

    MainFrame(app::AppCore& core, QtServices& services, const QString& helpDir);
    ~MainFrame() override;

    app::AppCore& core() { return core_; }
    QtServices& qtServices() { return services_; }
    MessagePane* messagePane() const { return messages_; }
    LogoBox* logoBox() const { return logo_; }
    QTreeWidget* tree() const { return tree_; }
    QTabBar* treeTabs() const { return treeTabs_; }
    QMdiArea* mdiArea() const { return mdi_; }
    QToolBar* toolBar() const { return toolbar_; }
    QWidget* treePane() const { return treePane_; }
    SplitBar* treeSplit() const { return split_; }
    SplitBar* workSplit() const { return workSplit_; }
    QAction* action(int id) const;
    QMenu* menu(int index) const { return menus_.at(index); }
    HelpWindow* helpWindow() const { return help_; }
    // The help context and control of the last help request.
    std::pair<int, int> lastHelp() const { return lastHelp_; }

    // Runs a command: frame commands go to their handler, others to the active child.
    void dispatch(int id);
    // Lets a later module take over a command (generation, outputs).
    void setCommandHandler(int id, std::function<void()> f);

    void setStatusText(const QString& text);
    QString statusText() const;
    void setBusy(bool on);
    bool busy() const { return busy_; }

    // Help context number of the open dialog or page (0 for the frame).
    void setHelpContext(int n) { helpContext_ = n; }
    int helpContext() const { return helpContext_; }
    void showHelp(int context, int controlId);

    // Opening a project (new, open, recent). `isNew` keeps the message lists.
    void openProject(const std::string& path, bool fromRecent, bool isNew = false, bool generate = false);
    void newProject();
    void editProject();
    void rebuildTree();
    void refreshRecentMenu();
    void updateTitle();
    void updateProjectCommands();
    bool hasProject() const { return core_.hasProject(); }

    ChildView* openChild(int kind, const std::string& name);
    ChildView* child(int kind) const;
    void closeAllChildren();
    void openTreeItem(QTreeWidgetItem* item);

    // The frame rectangle at start-up from layout entry (0, 0).
    static QRect initialRect(const app::AppCore& core);
    // Starts saving layout changes (after the frame is first shown).
    void setLayoutSaving(bool on) { saveLayout_ = on; }
    bool layoutSaving() const { return saveLayout_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildClient();
    void layoutClient();
    QAction* addCommand(QMenu* m, int id, const char* text, const char* tip = nullptr);
    void togglePane(int id);
    void saveFrameRect();
    void fillWindowMenu();
    void splitMoved(int x);
    void workSplitMoved(int y);
    int messageTop() const;

    app::AppCore& core_;
    void storeLayout(int entry, const QRect& r);
    QtServices& services_;
    QString helpDir_;
    std::map<int, QAction*> actions_;
    std::map<int, std::function<void()>> handlers_;
    std::array<QMenu*, 6> menus_{};
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<QAction*> windowActions_;
    QWidget* client_ = nullptr;
    QWidget* toolRow_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    LogoBox* logo_ = nullptr;
    QWidget* treePane_ = nullptr;
    QTabBar* treeTabs_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    SplitBar* split_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    SplitBar* workSplit_ = nullptr;
    MessagePane* messages_ = nullptr;
    QLabel* status_ = nullptr;
    HelpWindow* help_ = nullptr;
    std::pair<int, int> lastHelp_{0, 0};
    std::array<QPointer<QMdiSubWindow>, kChildKinds> slots_{};
    int treeWidth_ = 200;
    int messageHeight_ = 100;
    bool busy_ = false;
    bool saveLayout_ = false;
    int helpContext_ = 0;
    bool showToolbar_ = true, showStatus_ = true, showTree_ = true, showMessages_ = true;
};

}  // namespace appqt
