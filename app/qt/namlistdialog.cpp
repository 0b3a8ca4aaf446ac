#include "namlistdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/catalogue.h"
#include "app/project.h"
#include "base/files.h"
#include "base/names.h"
#include "base/text.h"
#include "icons.h"
#include "mainframe.h"
#include "optionsdialog.h"
#include "qtservices.h"

namespace appqt {
namespace {

const char kCaption[] = "プロジェクトファイル編集";
bool g_link = true;
bool g_absolute = false;

void warn(const std::string& l1, const std::string& l2 = {}) { base::services().warningBox(1, kCaption, l1, l2); }

QPushButton* folderButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(toolIcon(ToolIcon::Open), QString(), parent);
    b->setObjectName(name);
    b->setToolTip("フォルダの参照");
    b->setFixedWidth(28);
    return b;
}

std::string stripSlash(const QString& s) {
    std::string v = s.toStdString();
    return v.empty() ? v : base::stripTrailingSlash(v);
}

}  // namespace

void NamListDialog::resetRemembered() {
    g_link = true;
    g_absolute = false;
}

NamListDialog::NamListDialog(MainFrame& frame, bool editMode)
    : HelpDialog(&frame, editMode ? 811 : 810), edit_(editMode) {
    setObjectName("NAMLSTDLG");
    setWindowTitle(editMode ? kCaption : "新規作成");
    app::AppCore& core = frame.core();

    name_ = new QLineEdit(this);
    name_->setObjectName("id1000");
    folder_ = new QLineEdit(this);
    folder_->setObjectName("id1001");
    folderButton_ = folderButton(this, "id1002");
    link_ = new QCheckBox("プロジェクト名とプロジェクト位置をリンク(&L)", this);
    link_->setObjectName("id1003");
    base_ = new QLineEdit(this);
    base_->setObjectName("id1004");
    baseButton_ = folderButton(this, "id1005");
    absolute_ = new QCheckBox("ログファイル名を絶対パスで記録(&X)", this);
    absolute_->setObjectName("id1006");
    list_ = new QListWidget(this);
    list_->setObjectName("id1007");
    list_->setMinimumSize(360, 180);
    auto* add = new QPushButton("追加(&A)...", this);
    add->setObjectName("id1008");
    auto* remove = new QPushButton("削除(&R)", this);
    remove->setObjectName("id1009");
    auto* removeAll = new QPushButton("すべて削除(&M)", this);
    removeAll->setObjectName("id1010");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("id1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("キャンセル", this);
    cancel->setObjectName("id2");
    auto* gen = new QPushButton("生成実行(&G)", this);
    gen->setObjectName("id1011");
    auto* options = new QPushButton("オプション(&O)...", this);
    options->setObjectName("id1012");

    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label("プロジェクト名(&L):", name_), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(label("プロジェクト位置(&W):", folder_), 1, 0);
    grid->addWidget(folder_, 1, 1);
    grid->addWidget(folderButton_, 1, 2);
    grid->addWidget(link_, 2, 1, 1, 2);
    grid->addWidget(label("ログファイルベースフォルダ(&B):", base_), 3, 0);
    grid->addWidget(base_, 3, 1);
    grid->addWidget(baseButton_, 3, 2);
    grid->addWidget(absolute_, 4, 1, 1, 2);
    grid->addWidget(label("生成対象ログファイル一覧(&T):", list_), 5, 0, 1, 3);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(list_, 1);
    auto* listButtons = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(add), static_cast<QWidget*>(remove), static_cast<QWidget*>(removeAll)})
        listButtons->addWidget(w);
    listButtons->addStretch(1);
    listRow->addLayout(listButtons);
    auto* buttons = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel), static_cast<QWidget*>(gen),
                       static_cast<QWidget*>(options)})
        buttons->addWidget(w);
    buttons->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addLayout(listRow, 1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    link_->setChecked(g_link);
    absolute_->setChecked(g_absolute);
    if (!editMode) {
        std::string data = core.defaultDataDir();
        folder_->setText(QString::fromStdString(data + "/"));
        base_->setText(QString::fromStdString(data));
    } else {
        const app::Project& p = core.project();
        openedPath_ = p.path;
        name_->setText(QString::fromStdString(base::baseName(p.path)));
        folder_->setText(QString::fromStdString(p.dataDir + "/"));
        base_->setText(QString::fromStdString(p.baseDir.empty() ? p.dataDir : p.baseDir));
        app::SourceList list = app::readSources(p.path);
        if (list.result == -1) warn(std::string(app::message(100)), p.path);
        model_.setBaseDir(baseFolder());
        model_.load(list.entries);
        for (QWidget* w : {static_cast<QWidget*>(name_), static_cast<QWidget*>(folder_),
                           static_cast<QWidget*>(folderButton_), static_cast<QWidget*>(link_)})
            w->setEnabled(false);
    }
    lastName_ = name_->text();
    redrawList();

    connect(name_, &QLineEdit::textEdited, this, &NamListDialog::nameEdited);
    connect(folder_, &QLineEdit::textEdited, this, [this] {
        folderByHand_ = true;
        changed_ = true;
    });
    connect(base_, &QLineEdit::textChanged, this, [this] { redrawList(); });
    connect(base_, &QLineEdit::textEdited, this, [this] { changed_ = true; });
    connect(absolute_, &QCheckBox::toggled, this, [this] { redrawList(); });
    connect(folderButton_, &QPushButton::clicked, this, [this] {
        std::string p = folder_->text().toStdString();
        if (base::services().pickFolder("プロジェクト位置", p)) {
            folder_->setText(QString::fromStdString(p));
            folderByHand_ = true;
            changed_ = true;
        }
    });
    connect(baseButton_, &QPushButton::clicked, this, [this] {
        std::string p = baseFolder();
        if (base::services().pickFolder("ログファイルベースフォルダ", p)) {
            base_->setText(QString::fromStdString(p));
            changed_ = true;
        }
    });
    connect(add, &QPushButton::clicked, this, [this] {
        auto* qs = dynamic_cast<QtServices*>(&base::services());
        QStringList files = qs ? qs->pickFiles(QString::fromStdString(baseFolder()), "ログファイル(*.klg;*.log)")
                               : QStringList();
        std::vector<std::string> v;
        for (const QString& f : files) v.push_back(f.toStdString());
        addFiles(v);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        int row = list_->currentRow();
        if (row < 0 || row >= model_.size()) return;
        model_.remove(row);
        changed_ = true;
        redrawList();
        list_->setCurrentRow(std::min(row, list_->count() - 1));
    });
    connect(removeAll, &QPushButton::clicked, this, [this] {
        model_.clear();
        changed_ = true;
        redrawList();
    });
    connect(ok, &QPushButton::clicked, this, [this] { finish(false); });
    connect(gen, &QPushButton::clicked, this, [this] { finish(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(options, &QPushButton::clicked, this, [this] {
        OptionsDialog dlg(*frame_, this);
        if (dlg.exec() == QDialog::Accepted) changed_ = true;
    });
}

std::string NamListDialog::baseFolder() const { return stripSlash(base_->text()); }

void NamListDialog::redrawList() {
    model_.setBaseDir(baseFolder());
    int row = list_->currentRow();
    list_->clear();
    for (int i = 0; i < model_.size(); ++i) list_->addItem(QString::fromStdString(model_.shown(i, absolute_->isChecked())));
    if (row >= 0 && row < list_->count()) list_->setCurrentRow(row);
}

int NamListDialog::addFiles(const std::vector<std::string>& files) {
    model_.setBaseDir(baseFolder());
    int taken = 0;
    for (const std::string& f : files) {
        int at = -1;
        int check = model_.add(f, list_->currentRow(), &at);
        if (check == app::kAddListFull) break;
        if (check != app::kAddOk) continue;
        list_->insertItem(at, QString::fromStdString(model_.shown(at, absolute_->isChecked())));
        list_->setCurrentRow(at);
        changed_ = true;
        ++taken;
    }
    return taken;
}

void NamListDialog::nameEdited(const QString& textIn) {
    QString text = textIn;
    if (text.contains('/')) {
        // A separator cannot be part of a project name.
        int cursor = name_->cursorPosition();
        text.remove('/');
        name_->setText(text);
        name_->setCursorPosition(std::max(0, cursor - 1));
    }
    changed_ = true;
    bool differs = text.compare(lastName_, Qt::CaseInsensitive) != 0;
    lastName_ = text;
    if (edit_ || !link_->isChecked() || !differs || textIn.contains('/')) return;
    folder_->setText(QString::fromStdString(
        app::linkNameIntoFolder(folder_->text().toStdString(), text.toStdString(), folderByHand_)));
    // After the name has been appended once, that component follows the name.
    folderByHand_ = false;
}

bool NamListDialog::write() {
    app::AppCore& core = frame_->core();
    std::vector<std::string> lines = model_.stored(absolute_->isChecked());
    app::Project p = core.project();
    if (!edit_) {
        p.includePaths.clear();  // a new project starts without the include paths of another
        if (app::createProject(stripSlash(folder_->text()), name_->text().toStdString(), baseFolder(), lines, p) != 0)
            return false;
        written_ = p;
        return true;
    }
    std::string b = baseFolder();
    p.baseDir = b.empty() ? base::folderOf(p.path) : b;
    if (app::saveProject(p, lines) != 0) return false;
    written_ = p;
    return true;
}

void NamListDialog::finish(bool generate) {
    g_link = link_->isChecked();
    g_absolute = absolute_->isChecked();
    std::string name = name_->text().toStdString();
    std::string again = base::replaceExtension(base::joinPath(stripSlash(folder_->text()), name), ".nam");
    if (!changed_ && !openedPath_.empty() && again == openedPath_) {
        written_ = frame_->core().project();
        if (model_.size() == 0) {
            warn("生成対象ソースファイル名を入力してください。");
            return;
        }
        if (name.empty()) {
            warn("プロジェクトファイル名を入力してください。");
            return;
        }
    } else if (!write()) {
        return;
    }
    generate_ = generate;
    accept();
}

}  // namespace appqt
