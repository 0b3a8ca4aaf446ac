#include "optionsdialog.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <map>

#include "app/project.h"
#include "app/settings.h"
#include "base/names.h"
#include "icons.h"
#include "mainframe.h"
#include "qtservices.h"

namespace appqt {
namespace {

std::map<int, OptionPageFactory>& pageFactories() {
    static std::map<int, OptionPageFactory> m;
    return m;
}

// Stands in for a page whose window is not part of the program yet.
class EmptyPage : public OptionPage {
public:
    EmptyPage(int number, QWidget* parent) : OptionPage(number, parent) {
        auto* l = new QLabel("このページの設定項目はありません。", this);
        l->setAlignment(Qt::AlignCenter);
        (new QVBoxLayout(this))->addWidget(l);
    }
    bool apply() override { return true; }
};

QRadioButton* radio(const char* text, const char* name, QButtonGroup* group, int id, QWidget* parent) {
    auto* r = new QRadioButton(QString::fromUtf8(text), parent);
    r->setObjectName(name);
    group->addButton(r, id);
    return r;
}

}  // namespace

void registerOptionPage(int templateNumber, OptionPageFactory f) { pageFactories()[templateNumber] = std::move(f); }

OptionsDialog::OptionsDialog(MainFrame& frame, QWidget* parent) : HelpDialog(&frame, 815, parent) {
    setObjectName("OPTIONDLG");
    setWindowTitle("オプション");
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("id900");
    struct Tab {
        int number;
        const char* title;
    };
    for (Tab t : {Tab{990, "タイミングチャート"}, Tab{904, "表示"}, Tab{987, "プロジェクト"}}) {
        OptionPage* p = nullptr;
        auto it = pageFactories().find(t.number);
        if (it != pageFactories().end()) p = it->second(frame, tabs_);
        else if (t.number == 904) p = new DisplayPage(frame, tabs_);
        else if (t.number == 987) p = new ProjectPage(frame, tabs_);
        else p = new EmptyPage(t.number, tabs_);
        p->setObjectName(QString("page%1").arg(t.number));
        pages_.push_back(p);
        tabs_->addTab(p, QString::fromUtf8(t.title));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
        if (i >= 0 && i < static_cast<int>(pages_.size())) setHelpContext(pages_[i]->templateNumber());
    });
    auto* box = new QDialogButtonBox(this);
    auto* ok = box->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("id1");
    auto* cancel = box->addButton("キャンセル", QDialogButtonBox::RejectRole);
    cancel->setObjectName("id2");
    connect(ok, &QPushButton::clicked, this, [this] { applyAll(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        for (OptionPage* p : pages_) p->cancel();
        reject();
    });
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(tabs_);
    lay->addWidget(box);
}

bool OptionsDialog::applyAll() {
    for (OptionPage* p : pages_)
        if (!p->apply()) return false;
    accept();
    return true;
}

// --- 表示 --------------------------------------------------------------------------

DisplayPage::DisplayPage(MainFrame& frame, QWidget* parent) : OptionPage(904, parent), frame_(frame) {
    app::DisplayOptions o = app::displayOptionsFrom(frame.core().params().record());
    colours_[0] = o.text;
    colours_[1] = o.back;

    auto* logGroup = new QGroupBox("ログファイルの表示", this);
    tabWidth_ = new QLineEdit(QString::fromStdString(o.tabWidthText), logGroup);
    tabWidth_->setObjectName("id1100");
    tabWidth_->setMaximumWidth(60);
    auto* tabLabel = new QLabel("タブ展開幅(&T):", logGroup);
    tabLabel->setBuddy(tabWidth_);
    auto* tabRow = new QHBoxLayout(logGroup);
    tabRow->addWidget(tabLabel);
    tabRow->addWidget(tabWidth_);
    tabRow->addWidget(new QLabel("(0～32 半角文字)", logGroup));
    tabRow->addStretch(1);

    auto* colourGroup = new QGroupBox("表示色", this);
    colourList_ = new QComboBox(colourGroup);
    colourList_->setObjectName("id1101");
    colourList_->addItems({"文字色", "背景色"});
    auto* colourLabel = new QLabel("色(&C):", colourGroup);
    colourLabel->setBuddy(colourList_);
    auto* change = new QPushButton("変更(&M)...", colourGroup);
    change->setObjectName("id1102");
    auto* standard = new QPushButton("標準色に戻す(&S)", colourGroup);
    standard->setObjectName("id1103");
    auto* colourRow = new QHBoxLayout(colourGroup);
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(colourList_);
    colourRow->addWidget(change);
    colourRow->addWidget(standard);
    colourRow->addStretch(1);

    auto* editGroup = new QGroupBox("ログファイル編集", this);
    editor_ = new QLineEdit(QString::fromStdString(o.editor), editGroup);
    editor_->setObjectName("id1104");
    auto* editorLabel = new QLabel("エディタ(&E):", editGroup);
    editorLabel->setBuddy(editor_);
    auto* browse = new QPushButton(toolIcon(ToolIcon::Open), QString(), editGroup);
    browse->setObjectName("id1105");
    auto* editRow = new QHBoxLayout(editGroup);
    editRow->addWidget(editorLabel);
    editRow->addWidget(editor_, 1);
    editRow->addWidget(browse);

    auto* nameGroup = new QGroupBox("ログファイル名の表示", this);
    names_ = new QButtonGroup(this);
    auto* nameCol = new QVBoxLayout(nameGroup);
    nameCol->addWidget(radio("フォルダ名を表示しない(&1)", "id1106", names_, 0, nameGroup));
    nameCol->addWidget(radio("相対パスを表示する(&2)", "id1107", names_, 1, nameGroup));
    nameCol->addWidget(radio("絶対パスを表示する(&3)", "id1108", names_, 2, nameGroup));
    if (QAbstractButton* r = names_->button(std::clamp(o.nameDisplay, 0, 2))) r->setChecked(true);

    auto* soundGroup = new QGroupBox("処理終了時の通知音", this);
    sound_ = new QButtonGroup(this);
    auto* soundCol = new QVBoxLayout(soundGroup);
    soundCol->addWidget(radio("通知音を鳴らさない(&4)", "id1109", sound_, 0, soundGroup));
    soundCol->addWidget(radio("通知音を鳴らす(&5)", "id1110", sound_, 1, soundGroup));
    sound_->button(o.sound ? 1 : 0)->setChecked(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(logGroup, 0, 0, 1, 2);
    grid->addWidget(colourGroup, 1, 0, 1, 2);
    grid->addWidget(editGroup, 2, 0, 1, 2);
    grid->addWidget(nameGroup, 3, 0);
    grid->addWidget(soundGroup, 3, 1);
    grid->setRowStretch(4, 1);

    connect(change, &QPushButton::clicked, this, [this] {
        int i = colourList_->currentIndex() == 1 ? 1 : 0;
        QColor c = QColorDialog::getColor(QColor(colours_[i].r, colours_[i].g, colours_[i].b), this);
        if (!c.isValid()) return;
        colours_[i] = {static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
        resetColours_ = false;
    });
    connect(standard, &QPushButton::clicked, this, [this] { resetColours_ = true; });
    connect(browse, &QPushButton::clicked, this, [this] {
        std::string p = editor_->text().toStdString();
        int index = 1;
        if (base::services().pickFile(base::kPickOpen, p, "エディタ(*)", index)) editor_->setText(QString::fromStdString(p));
    });
}

bool DisplayPage::apply() {
    app::DisplayOptions o;
    o.tabWidthText = tabWidth_->text().toStdString();
    o.editor = editor_->text().toStdString();
    o.nameDisplay = names_->checkedId() < 0 ? 0 : names_->checkedId();
    o.sound = sound_->checkedId() == 1 ? 1 : 0;
    o.text = colours_[0];
    o.back = colours_[1];
    o.resetColours = resetColours_;
    if (app::applyDisplayOptions(frame_.core().params(), o) == 1) return false;
    frame_.rebuildTree();
    return true;
}

// --- プロジェクト ----------------------------------------------------------------------

ProjectPage::ProjectPage(MainFrame& frame, QWidget* parent) : OptionPage(987, parent), frame_(frame) {
    app::AppCore& core = frame.core();
    system_ = new QLineEdit(this);
    system_->setObjectName("id1200");
    auto* sysLabel = new QLabel("システム名(&P):", this);
    sysLabel->setBuddy(system_);
    if (frame.hasProject()) {
        system_->setText(QString::fromStdString(app::readCssValue(core.project().path, "SYS")));
    } else {
        system_->setEnabled(false);
    }
    auto* codeGroup = new QGroupBox("ログファイルの漢字コード", this);
    code_ = new QButtonGroup(this);
    auto* col = new QVBoxLayout(codeGroup);
    col->addWidget(radio("シフト JIS(&S)", "id1201", code_, 0, codeGroup));
    col->addWidget(radio("JIS 漢字(&J)", "id1202", code_, 1, codeGroup));
    col->addWidget(radio("日本語 EUC(&E)", "id1203", code_, 2, codeGroup));
    col->addWidget(radio("UTF-8(&U)", "id1204", code_, 3, codeGroup));
    initialCode_ = std::clamp(core.project().inputCode, 0, 3);
    code_->button(initialCode_)->setChecked(true);
    auto* row = new QHBoxLayout;
    row->addWidget(sysLabel);
    row->addWidget(system_, 1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(row);
    lay->addWidget(codeGroup);
    lay->addStretch(1);
}

bool ProjectPage::apply() {
    return app::applyProjectOptions(frame_.core(), system_->text().toStdString(), code_->checkedId()) != 1;
}

}  // namespace appqt
