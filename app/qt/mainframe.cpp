#include "mainframe.h"
#ifdef CHRONAVA_HAVE_OUTPUT
#include "htmloutput.h"
#endif
#include "generatedialogs.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QRubberBand>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/catalogue.h"
#include "base/files.h"
#include "base/names.h"
#include "chartexport.h"
#ifdef CHRONAVA_HAVE_OUTPUT
#include "wordoutput.h"
#endif
#include "helpwindow.h"
#include "icons.h"
#include "logobox.h"
#include "messagepane.h"
#include "namlistdialog.h"
#include "optionsdialog.h"
#include "placement.h"
#include "qtservices.h"
#ifdef CHRONAVA_HAVE_SRCVIEW
#include "source_window.h"
#endif

namespace appqt {

namespace {
// The product page a click on the logo box opens: the program's own page in the
// help folder, so it works without a network.
const char kProductPage[] = "index.html";

bool isFrameCommand(int id) {
    switch (id & ~0xff) {
    case 0x1000: case 0x2000: case 0x2200: case 0x3000:
    case 0x5000: case 0x7000: case 0x8000: case 0x9000: return true;
    default: return false;
    }
}

const int kProjectCommands[] = {cmd::kGenerate, cmd::kEditProject, cmd::kMetafile, cmd::kGif, cmd::kWord, cmd::kHtml};
}  // namespace

// --- splitter bars ------------------------------------------------------------------

SplitBar::SplitBar(Qt::Orientation o, const char* name, QWidget* parent) : QWidget(parent), o_(o) {
    setObjectName(name);
    setCursor(o == Qt::Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
}

int SplitBar::posOf(QMouseEvent* e) const {
    QPoint p = mapToParent(e->position().toPoint());
    int v = o_ == Qt::Vertical ? p.x() : p.y();
    return clamp ? clamp(v) : v;
}

void SplitBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    grabMouse();
    if (!band_) band_ = new QRubberBand(QRubberBand::Line, parentWidget());
    mouseMoveEvent(e);
    band_->show();
}

void SplitBar::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !band_) return;
    int v = posOf(e);
    if (o_ == Qt::Vertical)
        band_->setGeometry(v, y(), width(), height());
    else
        band_->setGeometry(x(), v, width(), height());
}

void SplitBar::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    releaseMouse();
    if (band_) band_->hide();
    emit released(posOf(e));
}

// --- frame --------------------------------------------------------------------------

MainFrame::MainFrame(app::AppCore& core, QtServices& services, const QString& helpDir)
    : core_(core), services_(services), helpDir_(helpDir) {
    setObjectName("PXDMAIN");
    setWindowTitle("PXDMAIN");
    setWindowIcon(appIcon());
    setMainFrameWidget(this);
    services_.setFrame(this);
    // Below this the tree, the work area and the message pane crowd each other out.
    setMinimumSize(kMinWidth, kMinHeight);

    const app::ParamRecord& rec = core_.params().record();
    treeWidth_ = app::treePaneWidth(rec);
    messageHeight_ = app::messagePaneRect(rec, 0).height;

    buildMenus();
    buildClient();
    buildToolbar();

    auto* sb = statusBar();
    sb->setObjectName("STATUSBAR");
    sb->setSizeGripEnabled(true);
    status_ = new QLabel(sb);
    status_->setObjectName("STATUSTEXT");
    sb->addWidget(status_, 1);

    QFont ui("ＭＳ ゴシック");
    ui.setPixelSize(12);
    sb->setFont(ui);
    treeTabs_->setFont(ui);
    messages_->tabBar()->setFont(ui);

    // F1..F5 give the screen movement commands of the active child.
    const int keys[] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5};
    const int ids[] = {cmd::kScreen2, cmd::kScreen1, cmd::kScreen0, cmd::kScreen3, cmd::kScreen4};
    for (int i = 0; i < 5; ++i) {
        auto* sc = new QShortcut(QKeySequence(keys[i]), this);
        sc->setObjectName(QString("accel%1").arg(ids[i]));
        int id = ids[i];
        connect(sc, &QShortcut::activated, this, [this, id] { dispatch(id); });
    }

    messages_->setStatusSink([this](const QString& p) { setStatusText(p); });
    messages_->setOpener([this](const QString& p) {
        std::string path = p.toStdString();
        if (!base::services().openWithShell(path))
            base::services().messageBox(1, "Chronava", std::string(app::message(920)), path);
    });
    logo_->setClickAction([this] {
        std::string page = base::joinPath(helpDir_.toStdString(), kProductPage);
        if (!base::services().openWithShell(page))
            base::services().messageBox(1, "Chronava", std::string(app::message(920)), page);
    });

    registerChartExport(*this);  // metafile and GIF output commands
#ifdef CHRONAVA_HAVE_OUTPUT
    registerHtmlOutput(*this);
    registerWordOutput(*this);  // Word output command
#endif
#ifdef CHRONAVA_HAVE_SRCVIEW
    srcviewqt::registerSourceView(*this);  // logs open in the source view
#endif

    updateProjectCommands();
    updateTitle();
}

MainFrame::~MainFrame() {
    services_.setFrame(nullptr);
    delete help_;
}

QAction* MainFrame::addCommand(QMenu* m, int id, const char* text, const char* tip) {
    auto* a = new QAction(QString::fromUtf8(text), this);
    a->setObjectName(QString("id%1").arg(id));
    a->setData(id);
    if (tip) a->setToolTip(QString::fromUtf8(tip));
    connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
    if (m) m->addAction(a);
    actions_[id] = a;
    return a;
}

QAction* MainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainFrame::buildMenus() {
    QMenuBar* mb = menuBar();
    mb->setObjectName("RMQ_pad_menu");
    const char* titles[] = {"ファイル(&F)", "表示(&V)", "生成(&C)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"};
    for (int i = 0; i < 6; ++i) {
        menus_[i] = mb->addMenu(QString::fromUtf8(titles[i]));
        menus_[i]->setObjectName(QString("menu%1").arg(i));
    }
    addCommand(menus_[0], cmd::kNew, "新規作成(&N)...", "新規作成");
    addCommand(menus_[0], cmd::kOpen, "開く(&O)...", "ファイルを開く");
    menus_[0]->addSeparator();
    addCommand(menus_[0], cmd::kExit, "Chronava の終了(&X)");

    for (auto [id, text, tip] : {std::tuple{cmd::kDocView, "ドキュメントビュー(&W)", "ドキュメントビュー表示"},
                                 std::tuple{cmd::kMessages, "メッセージ(&M)", "メッセージ表示"}}) {
        addCommand(menus_[1], id, text, tip)->setCheckable(true);
    }
    addCommand(menus_[1], cmd::kClearMessages, "メッセージ消去(&C)");
    menus_[1]->addSeparator();
    addCommand(menus_[1], cmd::kToolbar, "ツールバー(&T)")->setCheckable(true);
    addCommand(menus_[1], cmd::kStatusBar, "ステータスバー(&B)")->setCheckable(true);
    for (int id : {cmd::kDocView, cmd::kMessages, cmd::kToolbar, cmd::kStatusBar}) actions_[id]->setChecked(true);

    addCommand(menus_[2], cmd::kGenerate, "生成実行(&C)", "生成");

    addCommand(menus_[3], cmd::kEditProject, "プロジェクトファイル編集(&P)...");
    menus_[3]->addSeparator();
    addCommand(menus_[3], cmd::kMetafile, "メタファイル出力(&M)...", "メタファイル出力");
    addCommand(menus_[3], cmd::kGif, "GIF ファイル出力(&G)...", "GIF 出力");
    addCommand(menus_[3], cmd::kWord, "Word 出力(&W)...", "Word 出力");
    addCommand(menus_[3], cmd::kHtml, "HTML 出力(&H)...", "HTML 出力");
    menus_[3]->addSeparator();
    addCommand(menus_[3], cmd::kOptions, "オプション(&O)...", "オプション設定");

    addCommand(menus_[4], cmd::kCascade, "重ねて表示(&C)");
    addCommand(menus_[4], cmd::kTileVert, "上下に並べて表示(&T)");
    addCommand(menus_[4], cmd::kTileHorz, "左右に並べて表示(&H)");
    addCommand(menus_[4], cmd::kArrange, "アイコンの整列(&I)");
    connect(menus_[4], &QMenu::aboutToShow, this, &MainFrame::fillWindowMenu);

    addCommand(menus_[5], cmd::kHelpTopics, "トピックの検索(&H)", "ヘルプ");
    addCommand(nullptr, cmd::kHelpButton, "ヘルプ", "ヘルプ");

    // Command handlers of the frame.
    handlers_[cmd::kNew] = [this] { newProject(); };
    handlers_[cmd::kOpen] = [this] {
        // The dialog starts in the user's project folder.
        std::string path = core_.defaultDataDir();
        int filterIndex = 1;
        if (base::services().pickFile(base::kPickOpen, path, "プロジェクトファイル(*.nam)", filterIndex))
            openProject(path, false);
    };
    handlers_[cmd::kExit] = [] { QCoreApplication::exit(0); };
    for (int id : {cmd::kDocView, cmd::kMessages, cmd::kToolbar, cmd::kStatusBar})
        handlers_[id] = [this, id] { togglePane(id); };
    handlers_[cmd::kClearMessages] = [this] { messages_->clear(messages_->current()); };
    handlers_[cmd::kEditProject] = [this] { editProject(); };
    handlers_[cmd::kOptions] = [this] {
        OptionsDialog dlg(*this);
        dlg.exec();
    };
    handlers_[cmd::kCascade] = [this] { mdi_->cascadeSubWindows(); };
    // Tiling: one above the other, or side by side, over the whole area.
    auto tile = [this](bool stacked) {
        QList<QMdiSubWindow*> shown;
        for (QMdiSubWindow* w : mdi_->subWindowList())
            if (!w->isMinimized() && w->isVisible()) shown << w;
        if (shown.isEmpty()) return;
        QSize area = mdi_->viewport()->size();
        int n = static_cast<int>(shown.size());
        for (int i = 0; i < n; ++i) {
            shown[i]->showNormal();
            if (stacked) {
                int h = area.height() / n;
                shown[i]->setGeometry(0, i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
            } else {
                int w = area.width() / n;
                shown[i]->setGeometry(i * w, 0, i == n - 1 ? area.width() - i * w : w, area.height());
            }
        }
    };
    handlers_[cmd::kTileVert] = [tile] { tile(true); };
    handlers_[cmd::kTileHorz] = [tile] { tile(false); };
    handlers_[cmd::kArrange] = [this] {
        // Minimised children line up along the bottom of the area.
        int x = 0;
        for (QMdiSubWindow* w : mdi_->subWindowList()) {
            if (!w->isMinimized()) continue;
            w->move(x, mdi_->viewport()->height() - w->height());
            x += w->width();
        }
    };
    handlers_[cmd::kHelpTopics] = [this] { showHelp(HelpWindow::kFinderPage, 0); };
    handlers_[cmd::kHelpButton] = handlers_[cmd::kHelpTopics];
    for (int id : {cmd::kMetafile, cmd::kGif, cmd::kWord, cmd::kHtml})
        handlers_[id] = [this] { setStatusText("この機能はまだ組み込まれていません。"); };
    installGeneration(*this);
    for (int i = 0; i < 6; ++i)
        handlers_[cmd::kMenuFile + i] = [this, i] {
            menuBar()->setActiveAction(menus_[i]->menuAction());
        };
}

void MainFrame::buildToolbar() {
    toolbar_ = new QToolBar(toolRow_);
    toolbar_->setObjectName("TOOLS");
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    struct Button {
        int id;
        ToolIcon icon;
    };
    const Button buttons[] = {{cmd::kNew, ToolIcon::New},           {cmd::kOpen, ToolIcon::Open},    {0, {}},
                              {cmd::kDocView, ToolIcon::DocView},   {cmd::kMessages, ToolIcon::Message}, {0, {}},
                              {cmd::kGenerate, ToolIcon::Generate}, {0, {}},
                              {cmd::kMetafile, ToolIcon::Metafile}, {cmd::kGif, ToolIcon::Gif},      {0, {}},
                              {cmd::kWord, ToolIcon::Word},         {cmd::kHtml, ToolIcon::Html},    {0, {}},
                              {cmd::kOptions, ToolIcon::Options},   {0, {}},
                              {cmd::kHelpButton, ToolIcon::Help}};
    for (const Button& b : buttons) {
        if (b.id == 0) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* a = actions_.at(b.id);
        a->setIcon(toolIcon(b.icon));
        toolbar_->addAction(a);
        if (QWidget* w = toolbar_->widgetForAction(a)) w->setObjectName(QString("tb%1").arg(b.id));
    }
    // Menus show no icons; the toolbar does.
    for (auto& [id, a] : actions_) a->setIconVisibleInMenu(false);
    logo_ = new LogoBox(toolRow_);
}

void MainFrame::buildClient() {
    client_ = new QWidget(this);
    client_->setObjectName("PXDCLIENT");
    client_->installEventFilter(this);
    setCentralWidget(client_);

    toolRow_ = new QWidget(client_);
    toolRow_->setObjectName("REBAR");

    treePane_ = new QWidget(client_);
    treePane_->setObjectName("RMQTREETAB");
    treeTabs_ = new QTabBar(treePane_);
    treeTabs_->setObjectName("RMQTREETABBAR");
    treeTabs_->setExpanding(false);
    treeTabs_->addTab("ドキュメント");
    treeTabs_->addTab("ファイル");
    tree_ = new QTreeWidget(treePane_);
    tree_->setObjectName("RMQTREE");
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setIconSize(QSize(16, 16));
    auto* lay = new QVBoxLayout(treePane_);
    lay->setContentsMargins(4, 2, 4, 4);
    lay->setSpacing(0);
    lay->addWidget(treeTabs_);
    lay->addWidget(tree_);
    connect(treeTabs_, &QTabBar::currentChanged, this, [this] { rebuildTree(); });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* it) { openTreeItem(it); });

    split_ = new SplitBar(Qt::Vertical, "SPLIT", client_);
    split_->clamp = [this](int x) { return app::clampVerticalSplit(x, client_->width()); };
    connect(split_, &SplitBar::released, this, &MainFrame::splitMoved);

    mdi_ = new QMdiArea(client_);
    mdi_->setObjectName("MDICLIENT");
    mdi_->setBackground(QColor(128, 128, 128));
    // A child that reaches past the area stays reachable through scroll bars.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    workSplit_ = new SplitBar(Qt::Horizontal, "WORKSPLIT", client_);
    workSplit_->clamp = [this](int y) {
        // The central widget ends above the status bar; the rule counts the frame's
        // client height with it.
        int status = showStatus_ ? statusBar()->height() : 0;
        return app::clampHorizontalSplit(y, showToolbar_ ? kToolbarRow : 0, client_->height() + status, status);
    };
    connect(workSplit_, &SplitBar::released, this, &MainFrame::workSplitMoved);

    messages_ = new MessagePane(client_);
}

bool MainFrame::eventFilter(QObject* o, QEvent* e) {
    if (o == client_ && e->type() == QEvent::Resize) layoutClient();
    return QMainWindow::eventFilter(o, e);
}

int MainFrame::messageTop() const {
    int row = showToolbar_ ? kToolbarRow : 0;
    return std::max(row + kSplit, client_->height() - messageHeight_);
}

void MainFrame::layoutClient() {
    int W = client_->width(), H = client_->height();
    int row = showToolbar_ ? kToolbarRow : 0;
    toolRow_->setVisible(showToolbar_);
    if (showToolbar_) {
        toolRow_->setGeometry(0, 0, W, kToolbarRow);
        toolbar_->setGeometry(0, 1, std::max(0, W - 82), kToolbarRow - 2);
        logo_->setGeometry(W - 82, 0, 82, kToolbarRow);
    }
    int bottom = H;  // bottom of the tree pane and the MDI area
    messages_->setVisible(showMessages_);
    workSplit_->setVisible(showMessages_);
    if (showMessages_) {
        int top = messageTop();
        messages_->setGeometry(0, top, W, H - top);
        workSplit_->setGeometry(0, top - kSplit, W, kSplit);
        bottom = top - kSplit;
    }
    int mdiX = 0;
    treePane_->setVisible(showTree_);
    split_->setVisible(showTree_);
    if (showTree_) {
        int tw = std::clamp(treeWidth_, 0, std::max(0, W - kSplit));
        treePane_->setGeometry(0, row, tw, std::max(0, bottom - row));
        split_->setGeometry(tw, row, kSplit, std::max(0, bottom - row));
        mdiX = tw + kSplit;
    }
    mdi_->setGeometry(mdiX, row, std::max(0, W - mdiX), std::max(0, bottom - row));
}

void MainFrame::splitMoved(int x) {
    treeWidth_ = x;
    layoutClient();
    QRect r = treePane_->geometry();
    storeLayout(1, r);
}

void MainFrame::workSplitMoved(int y) {
    // The bar sits above the pane: the pane starts one bar height lower.
    messageHeight_ = std::max(0, client_->height() - (y + kSplit));
    layoutClient();
    QRect r = messages_->geometry();
    storeLayout(4, r);
}

void MainFrame::togglePane(int id) {
    bool* flag = id == cmd::kDocView ? &showTree_ : id == cmd::kMessages ? &showMessages_
                 : id == cmd::kToolbar ? &showToolbar_ : &showStatus_;
    *flag = !*flag;
    actions_[id]->setChecked(*flag);
    if (id == cmd::kStatusBar) statusBar()->setVisible(showStatus_);
    layoutClient();
}

void MainFrame::dispatch(int id) {
    if (id >= cmd::kRecentFirst && id < cmd::kRecentFirst + app::kRecentMax) {
        setStatusText({});
        auto list = core_.params().record().recentProjects();
        size_t i = static_cast<size_t>(id - cmd::kRecentFirst);
        if (i < list.size()) openProject(list[i], true);
        return;
    }
    if (id >= cmd::kWindowFirst && id < cmd::kWindowFirst + 100) {
        auto list = mdi_->subWindowList();
        int i = id - cmd::kWindowFirst;
        if (i < list.size()) mdi_->setActiveSubWindow(list[i]);
        return;
    }
    if (isFrameCommand(id) || (id >= cmd::kMenuFile && id <= cmd::kMenuFile + 5)) {
        if (QAction* a = action(id); a && !a->isEnabled()) return;
        setStatusText({});
        auto it = handlers_.find(id);
        if (it != handlers_.end() && it->second) it->second();
        return;
    }
    if (id == cmd::kCancelRun) {
        // Long runs test this flag before each target and each log file.
        base::services().requestCancel();
        return;
    }
    // Everything else belongs to the active child. F1 with no child that takes it
    // opens the help of the frame.
    bool handled = false;
    if (QMdiSubWindow* sw = mdi_->activeSubWindow())
        if (auto* cv = qobject_cast<ChildView*>(sw->widget())) handled = cv->handleCommand(id);
    if (!handled && id == cmd::kScreen2) {
        QWidget* f = QApplication::focusWidget();
        bool ok = false;
        int control = f ? f->objectName().mid(2).toInt(&ok) : 0;
        showHelp(helpContext_, ok && f->objectName().startsWith("id") ? control : 0);
    }
}

void MainFrame::setCommandHandler(int id, std::function<void()> f) { handlers_[id] = std::move(f); }

void MainFrame::setStatusText(const QString& text) { status_->setText(text); }
QString MainFrame::statusText() const { return status_->text(); }

void MainFrame::showHelp(int context, int controlId) {
    // The context and control numbers stay internal: the user sees the page.
    lastHelp_ = {context, controlId};
    if (!help_) help_ = new HelpWindow(helpDir_);
    help_->showContext(context);
}

void MainFrame::setBusy(bool on) {
    busy_ = on;
    for (QMenu* m : menus_) m->menuAction()->setEnabled(!on);
    mdi_->setEnabled(!on);
    treePane_->setEnabled(!on);
    toolbar_->setEnabled(!on);
    if (!on) updateProjectCommands();
}

void MainFrame::updateProjectCommands() {
    bool on = hasProject() && !busy_;
    for (int id : kProjectCommands) actions_[id]->setEnabled(on);
}

void MainFrame::updateTitle() { setWindowTitle(QString::fromStdString(core_.title())); }

void MainFrame::refreshRecentMenu() {
    auto list = core_.params().record().recentProjects();
    if (list.empty()) return;
    if (!recentSeparator_) {
        recentSeparator_ = menus_[0]->addSeparator();
        recentSeparator_->setObjectName(QString("id%1").arg(cmd::kRecentSeparator));
    }
    for (size_t i = 0; i < list.size(); ++i) {
        QString label = QString::fromStdString(app::recentMenuLabel(static_cast<int>(i), list[i]));
        if (i < recentActions_.size()) {
            recentActions_[i]->setText(label);  // relabelled in place
            continue;
        }
        int id = cmd::kRecentFirst + static_cast<int>(i);
        QAction* a = addCommand(menus_[0], id, "");
        a->setText(label);
        recentActions_.push_back(a);
    }
}

void MainFrame::fillWindowMenu() {
    for (QAction* a : windowActions_) {
        menus_[4]->removeAction(a);
        delete a;  // rebuilt only when the menu opens, never from its own trigger
    }
    windowActions_.clear();
    auto list = mdi_->subWindowList();
    if (list.isEmpty()) return;
    windowActions_.push_back(menus_[4]->addSeparator());
    for (int i = 0; i < list.size(); ++i) {
        auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(list[i]->windowTitle()), menus_[4]);
        a->setObjectName(QString("id%1").arg(cmd::kWindowFirst + i));
        a->setCheckable(true);
        a->setChecked(list[i] == mdi_->activeSubWindow());
        int id = cmd::kWindowFirst + i;
        connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
        menus_[4]->addAction(a);
        windowActions_.push_back(a);
    }
}

// --- projects ----------------------------------------------------------------------

void MainFrame::openProject(const std::string& path, bool fromRecent, bool isNew, bool generate) {
    int r = core_.openProject(path, fromRecent, isNew);
    // The recent list changes even when the file turns out to be missing or unreadable.
    refreshRecentMenu();
    if (r != 0) return;
    closeAllChildren();
    rebuildTree();
    updateProjectCommands();
    updateTitle();
    if (generate) dispatch(cmd::kGenerate);
}

void MainFrame::newProject() {
    NamListDialog dlg(*this, false);
    if (dlg.exec() != QDialog::Accepted) return;
    openProject(dlg.projectPath(), false, true, dlg.generateRequested());
}

void MainFrame::editProject() {
    if (!hasProject()) return;
    NamListDialog dlg(*this, true);
    if (dlg.exec() != QDialog::Accepted) return;
    if (core_.takeEditedProject(dlg.writtenProject())) {
        closeAllChildren();
        refreshRecentMenu();
    }
    rebuildTree();
    updateTitle();
    if (dlg.generateRequested()) dispatch(cmd::kGenerate);
}

namespace {
void addTreeItems(QTreeWidgetItem* into, const app::TreeItem& t) {
    for (const app::TreeItem& c : t.children) {
        auto* it = new QTreeWidgetItem(into);
        it->setText(0, QString::fromStdString(c.text));
        it->setIcon(0, treeIcon(c.image));
        it->setData(0, Qt::UserRole, c.data);
        addTreeItems(it, c);
    }
}

app::TreeItem modelOf(const QTreeWidgetItem* it) {
    return {it->text(0).toStdString(), 0, it->data(0, Qt::UserRole).toInt(), {}};
}
}  // namespace

void MainFrame::rebuildTree() {
    tree_->clear();
    core_.setTreeMode(treeTabs_->currentIndex() == 1 ? app::kTreeFile : app::kTreeDocument);
    if (!hasProject()) return;
    app::TreeItem root = core_.tree();
    auto* top = new QTreeWidgetItem(tree_);
    top->setText(0, QString::fromStdString(root.text));
    top->setIcon(0, treeIcon(root.image));
    top->setData(0, Qt::UserRole, root.data);
    addTreeItems(top, root);
    top->setExpanded(true);
}

void MainFrame::openTreeItem(QTreeWidgetItem* item) {
    if (!item) return;
    app::TreeItem self = modelOf(item);
    app::TreeItem parent;
    if (item->parent()) parent = modelOf(item->parent());
    std::string name;
    int kind = app::childKindForItem(self, item->parent() ? &parent : nullptr, core_.treeMode(), name);
    if (kind == 0 || name.empty()) return;
    openChild(kind, name);
}

ChildView* MainFrame::child(int kind) const {
    if (kind < 0 || kind >= kChildKinds || !slots_[kind]) return nullptr;
    return qobject_cast<ChildView*>(slots_[kind]->widget());
}

ChildView* MainFrame::openChild(int kind, const std::string& name) {
    if (kind <= 0 || kind >= kChildKinds) return nullptr;
    setStatusText({});
    QMdiSubWindow* sw = slots_[kind];
    if (!sw) {
        ChildView* view = createChildView(kind, nullptr);
        sw = mdi_->addSubWindow(view);
        sw->setAttribute(Qt::WA_DeleteOnClose);
        sw->setObjectName(QString(app::childClassName(kind)) + "Frame");
        sw->setWindowIcon(treeIcon(kind == kKindChart ? 10 : 6));
        QSize area = mdi_->viewport()->size();
        sw->resize(std::max(100, area.width() - 50), std::max(80, area.height() - 50));
        slots_[kind] = sw;
        sw->show();
    }
    std::string path = app::resolveChildName(core_.project().baseDir, name);
    sw->setWindowTitle(QString::fromStdString(app::childTitle(kind, path)));
    auto* view = qobject_cast<ChildView*>(sw->widget());
    if (view) view->loadFile(path);
    mdi_->setActiveSubWindow(sw);
    if (view) view->setFocus();
    return view;
}

void MainFrame::closeAllChildren() {
    mdi_->closeAllSubWindows();
    for (auto& s : slots_) s.clear();
}

// --- frame events -------------------------------------------------------------------

QRect MainFrame::initialRect(const app::AppCore& core) {
    app::LayoutRect r = app::frameRect(core.params().record());
    return QRect(r.x, r.y, r.width, r.height);
}

// Layout entries of group 0: 0 the frame, 1 the tree pane (its width is kept in the x
// field as well), 4 the message pane. Each change rewrites the parameter file.
void MainFrame::storeLayout(int entry, const QRect& r) {
    if (!saveLayout_ || r.width() <= 0 || r.height() <= 0) return;
    app::LayoutRect l{r.x(), r.y(), r.width(), r.height()};
    if (entry == 1) l.x = r.width();
    app::LayoutRect old;
    if (core_.params().layout(0, entry, old) && old == l) return;
    core_.params().setLayout(0, entry, l);
}

void MainFrame::saveFrameRect() {
    if (!saveLayout_ || isMaximized() || isMinimized() || !isVisible()) return;
    QPoint p = pos();
    storeLayout(0, QRect(std::max(0, p.x()), std::max(0, p.y()), width(), height()));
}

void MainFrame::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    saveFrameRect();
}

void MainFrame::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    updateTitle();
    if (saveLayout_ && showTree_ && !isMaximized() && !isMinimized()) {
        storeLayout(1, treePane_->geometry());
    }
    // The size is kept as well, so a frame resized at its right edge reopens at that size.
    saveFrameRect();
}

void MainFrame::closeEvent(QCloseEvent* e) {
    if (busy_ || base::services().isBusy()) {
        e->ignore();
        return;
    }
    e->accept();
    QCoreApplication::exit(0);
}

}  // namespace appqt
