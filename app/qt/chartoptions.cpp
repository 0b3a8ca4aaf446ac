#include "chartoptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/services.h"
#include "chartsupport.h"
#include "chartwindow.h"
#include "mainframe.h"

namespace appqt {

namespace {

constexpr char kPageCaption[] = "タイミングチャート";

QPixmap swatch(view::Rgb c) {
    QPixmap pm(24, 12);
    pm.fill(QColor(c.r, c.g, c.b));
    return pm;
}

}  // namespace

ChartOptionsPage::ChartOptionsPage(MainFrame& frame, QWidget* parent) : OptionPage(990, parent), frame_(frame) {
    setWindowTitle(kPageCaption);
    auto named = [](QWidget* w, int id) {
        w->setObjectName(QString("id%1").arg(id));
        return w;
    };
    // A numeric field with its up-down buttons, which step within the field's range.
    auto number = [this, named](int id, QWidget* owner) {
        auto* box = new QWidget(owner);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        auto* edit = static_cast<QLineEdit*>(named(new QLineEdit(box), id));
        edit->setMaximumWidth(id == 1039 || id == 1050 || id == 25893 || id == 25894 ? 48 : 34);
        row->addWidget(edit);
        const view::OptionField& f = view::kOptionFields[view::optionFieldIndex(id)];
        auto* col = new QVBoxLayout;
        col->setSpacing(0);
        for (int step : {1, -1}) {
            auto* b = new QToolButton(box);
            b->setObjectName(QString("updown%1%2").arg(id).arg(step > 0 ? "up" : "down"));
            b->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
            b->setFixedSize(14, 10);
            b->setAutoRepeat(true);
            connect(b, &QToolButton::clicked, edit, [edit, f, step] {
                bool ok = false;
                int v = edit->text().toInt(&ok);
                if (!ok) v = f.min;
                else v = std::clamp(v + step, f.min, f.max);
                edit->setText(QString::number(v));
            });
            col->addWidget(b);
        }
        row->addLayout(col);
        fields_[id] = edit;
        return box;
    };
    auto label = [](const char* text, QWidget* buddy, QWidget* owner) {
        auto* l = new QLabel(QString::fromUtf8(text), owner);
        if (buddy) l->setBuddy(buddy);
        return l;
    };

    // --- display ---
    auto* disp = new QGroupBox("表示", this);
    auto* dg = new QGridLayout(disp);
    preprocessor_ = static_cast<QLineEdit*>(named(new QLineEdit(disp), 1038));
    dg->addWidget(label("プリプロセッサ(&P):", preprocessor_, disp), 0, 0);
    dg->addWidget(preprocessor_, 0, 1, 1, 4);
    resolution_ = static_cast<QComboBox*>(named(new QComboBox(disp), 1073));
    resolution_->addItems({"自動", "秒", "ミリ秒", "マイクロ秒"});
    dg->addWidget(label("最小分解能(&U):", resolution_, disp), 1, 0);
    dg->addWidget(resolution_, 1, 1);
    comments_ = static_cast<QComboBox*>(named(new QComboBox(disp), 1068));
    comments_->addItems({"表示しない", "表示する", "全て表示する"});
    dg->addWidget(label("コメント(&D):", comments_, disp), 1, 2);
    dg->addWidget(comments_, 1, 3);
    QWidget* height = number(17927, disp);
    dg->addWidget(label("信号高さ(&H):", fields_[17927], disp), 2, 0);
    auto* hrow = new QHBoxLayout;
    hrow->addWidget(height);
    hrow->addWidget(new QLabel("ピクセル", disp));
    hrow->addStretch(1);
    dg->addLayout(hrow, 2, 1);
    sort_ = static_cast<QCheckBox*>(named(new QCheckBox("信号名でソート", disp), 1074));
    line100_ = static_cast<QCheckBox*>(named(new QCheckBox("100%ラインを表示", disp), 1075));
    dg->addWidget(sort_, 2, 2);
    dg->addWidget(line100_, 2, 3);
    colourList_ = static_cast<QComboBox*>(named(new QComboBox(disp), 17671));
    for (int i = 0; i < view::kParamColourCount; ++i)
        colourList_->addItem(QString::fromUtf8(view::chartColourName(i).data(), int(view::chartColourName(i).size())));
    colourList_->setIconSize(QSize(24, 12));
    auto* change = static_cast<QPushButton*>(named(new QPushButton("色の変更(&M)...", disp), 17672));
    auto* standard = static_cast<QPushButton*>(named(new QPushButton("標準色に戻す(&S)", disp), 17673));
    dg->addWidget(label("色(&C):", colourList_, disp), 3, 0);
    dg->addWidget(colourList_, 3, 1);
    dg->addWidget(change, 3, 2);
    dg->addWidget(standard, 3, 3);

    // --- file output ---
    auto* out = new QGroupBox("ファイル出力", this);
    auto* og = new QGridLayout(out);
    int r = 0;
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel("サイズ(mm)", out));
    for (auto [id, text] : {std::pair{25893, "幅(&W):"}, std::pair{25894, "高さ(&X):"}}) {
        QWidget* w = number(id, out);
        sizeRow->addWidget(label(text, fields_[id], out));
        sizeRow->addWidget(w);
    }
    sizeRow->addSpacing(12);
    sizeRow->addWidget(new QLabel("余白(mm)", out));
    for (auto [id, text] : {std::pair{25889, "上(&T):"}, std::pair{25892, "下(&B):"}, std::pair{25890, "左(&L):"},
                            std::pair{25891, "右(&R):"}}) {
        QWidget* w = number(id, out);
        sizeRow->addWidget(label(text, fields_[id], out));
        sizeRow->addWidget(w);
    }
    sizeRow->addStretch(1);
    og->addLayout(sizeRow, r++, 0, 1, 2);
    auto radio = [named](const char* text, int id, QButtonGroup* g, int value, QWidget* owner) {
        auto* b = static_cast<QRadioButton*>(named(new QRadioButton(QString::fromUtf8(text), owner), id));
        g->addButton(b, value);
        return b;
    };
    colourMode_ = new QButtonGroup(this);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel("出力色:", out));
    modeRow->addWidget(radio("画面と同じ", 1004, colourMode_, 0, out));
    modeRow->addWidget(radio("モノクロ", 1005, colourMode_, 1, out));
    modeRow->addStretch(1);
    og->addLayout(modeRow, r++, 0, 1, 2);

    rangeMode_ = new QButtonGroup(this);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel("出力範囲:", out));
    rangeRow->addWidget(radio("全体(&I)", 1002, rangeMode_, 0, out));
    rangeRow->addWidget(radio("範囲を指定(&J)", 1003, rangeMode_, 1, out));
    rangeRow->addStretch(1);
    og->addLayout(rangeRow, r++, 0, 1, 2);
    auto dateRow = [&](const char* text, std::initializer_list<int> ids, int fractionId, int fractionIndex) {
        auto* row = new QHBoxLayout;
        QWidget* first = nullptr;
        const char* seps[] = {"/", "/", " ", ":", ":", "."};
        int k = 0;
        for (int id : ids) {
            QWidget* w = number(id, out);
            if (!first) first = fields_[id];
            row->addWidget(w);
            row->addWidget(new QLabel(seps[k++], out));
        }
        fractions_[fractionIndex] = static_cast<QLineEdit*>(named(new QLineEdit(out), fractionId));
        fractions_[fractionIndex]->setMaximumWidth(110);
        row->addWidget(fractions_[fractionIndex]);
        row->addStretch(1);
        og->addWidget(label(text, first, out), r, 0);
        og->addLayout(row, r++, 1);
    };
    dateRow("開始(&F):", {1039, 1045, 1046, 1047, 1048, 1049}, 1069, 0);
    dateRow("終了(&E):", {1050, 1051, 1052, 1053, 1054, 1055}, 1070, 1);
    skip_ = static_cast<QCheckBox*>(named(new QCheckBox("変化の無いページは出力しない(&V)", out), 1056));
    scale_ = static_cast<QCheckBox*>(named(new QCheckBox("上部スケールを表示(&K)", out), 1040));
    og->addWidget(skip_, r, 0, 1, 2);
    og->addWidget(scale_, r++, 1, Qt::AlignRight);

    division_ = new QButtonGroup(this);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(radio("ページ分割数を指定(&Y)", 1000, division_, 1, out));
    countRow->addWidget(number(1059, out));
    countRow->addWidget(new QLabel("ページ", out));
    countRow->addStretch(1);
    og->addLayout(countRow, r++, 0, 1, 2);
    auto* perRow = new QHBoxLayout;
    perRow->addWidget(radio("１ページあたりの時間を指定(&Z)", 1001, division_, 0, out));
    const char* units[] = {"年", "月", "日", "時", "分", "秒"};
    int k = 0;
    for (int id : {1060, 1061, 1062, 1063, 1064, 1065}) {
        perRow->addWidget(number(id, out));
        perRow->addWidget(new QLabel(units[k++], out));
    }
    fractions_[2] = static_cast<QLineEdit*>(named(new QLineEdit(out), 1071));
    fractions_[2]->setMaximumWidth(110);
    perRow->addWidget(fractions_[2]);
    perRow->addStretch(1);
    og->addLayout(perRow, r++, 0, 1, 2);
    tell_ = static_cast<QCheckBox*>(named(new QCheckBox("実行時にページ数を知らせる(&N)", out), 1067));
    og->addWidget(tell_, r++, 0, 1, 2);

    apply_ = static_cast<QPushButton*>(named(new QPushButton("更新(&A)", this), 6));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(apply_);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(disp);
    lay->addWidget(out);
    lay->addLayout(bottom);
    lay->addStretch(1);

    chooseColour = [this](view::Rgb& c) {
        QColorDialog dlg(QColor(c.r, c.g, c.b), this);
        dlg.setOption(QColorDialog::DontUseNativeDialog, false);
        if (dlg.exec() != QDialog::Accepted) return false;
        QColor q = dlg.selectedColor();
        c = view::rgb(q.red(), q.green(), q.blue());
        return true;
    };
    connect(change, &QPushButton::clicked, this, [this] {
        int i = std::clamp(colourList_->currentIndex(), 0, view::kParamColourCount - 1);
        view::Rgb c = form_.colours[i];
        if (!chooseColour(c)) return;
        form_.colours[i] = c;
        form_.colourState = view::ChartOptionsForm::Changed;
        refreshSwatches();
    });
    connect(standard, &QPushButton::clicked, this, [this] { form_.colourState = view::ChartOptionsForm::Reset; });
    connect(apply_, &QPushButton::clicked, this, [this] { applyNow(); });

    before_ = chartParamsFrom(frame_.core().params().record());
    fill(before_);
    apply_->setEnabled(chartWindow() != nullptr);
}

QLineEdit* ChartOptionsPage::field(int id) const {
    if (id == 1038) return preprocessor_;
    if (id == 1069) return fractions_[0];
    if (id == 1070) return fractions_[1];
    if (id == 1071) return fractions_[2];
    auto it = fields_.find(id);
    return it == fields_.end() ? nullptr : it->second;
}

ChartWindow* ChartOptionsPage::chartWindow() const { return qobject_cast<ChartWindow*>(frame_.child(kKindChart)); }

void ChartOptionsPage::refreshSwatches() {
    for (int i = 0; i < view::kParamColourCount; ++i) colourList_->setItemIcon(i, QIcon(swatch(form_.colours[i])));
}

void ChartOptionsPage::fill(const view::ChartParams& p) {
    form_ = view::fillOptionsForm(p);
    preprocessor_->setText(QString::fromStdString(form_.preprocessor));
    resolution_->setCurrentIndex(form_.minResolution);
    comments_->setCurrentIndex(form_.commentDisplay);
    sort_->setChecked(form_.sortByName);
    line100_->setChecked(form_.show100Line);
    for (int i = 0; i < view::kOptionFieldCount; ++i)
        fields_[view::kOptionFields[i].id]->setText(QString::fromStdString(form_.numbers[i]));
    fractions_[0]->setText(QString::fromStdString(form_.startFraction));
    fractions_[1]->setText(QString::fromStdString(form_.endFraction));
    fractions_[2]->setText(QString::fromStdString(form_.pageFraction));
    colourMode_->button(form_.outputColourMode == 1 ? 1 : 0)->setChecked(true);
    rangeMode_->button(form_.rangeGiven ? 1 : 0)->setChecked(true);
    division_->button(form_.divideByPageCount ? 1 : 0)->setChecked(true);
    skip_->setChecked(form_.skipUnchanged);
    scale_->setChecked(form_.showUpperScale);
    tell_->setChecked(form_.tellPageCount);
    form_.colourState = view::ChartOptionsForm::Unchanged;
    refreshSwatches();
}

view::ChartOptionsForm ChartOptionsPage::collect() const {
    view::ChartOptionsForm f = form_;
    f.preprocessor = preprocessor_->text().toStdString();
    f.minResolution = std::max(0, resolution_->currentIndex());
    f.commentDisplay = std::max(0, comments_->currentIndex());
    f.sortByName = sort_->isChecked();
    f.show100Line = line100_->isChecked();
    for (int i = 0; i < view::kOptionFieldCount; ++i)
        f.numbers[i] = fields_.at(view::kOptionFields[i].id)->text().trimmed().toStdString();
    f.startFraction = fractions_[0]->text().toStdString();
    f.endFraction = fractions_[1]->text().toStdString();
    f.pageFraction = fractions_[2]->text().toStdString();
    f.outputColourMode = colourMode_->checkedId() == 1 ? 1 : 0;
    f.rangeGiven = rangeMode_->checkedId() == 1;
    f.divideByPageCount = division_->checkedId() != 0;
    f.skipUnchanged = skip_->isChecked();
    f.showUpperScale = scale_->isChecked();
    f.tellPageCount = tell_->isChecked();
    return f;
}

bool ChartOptionsPage::apply() {
    view::ChartOptionsForm f = collect();
    view::OptionsCheck check = view::checkOptionsForm(f);
    if (!check.ok) {
        // The box beeps as it opens (the check asks for that beep).
        base::services().warningBox(base::kBoxInfo, kPageCaption, check.message);
        if (QLineEdit* e = field(check.fieldId)) {
            e->setFocus();
            e->selectAll();
        }
        return false;
    }
    app::UserParams& up = frame_.core().params();
    view::ChartParams p = chartParamsFrom(up.record());
    view::storeOptionsForm(f, p);
    storeChartParams(p, up.record());
    ChartWindow* win = chartWindow();
    if (up.write() == 0) {
        if (win) win->setStatusText({});
        else frame_.setStatusText({});
    } else {
        // The new values stay in memory.
        base::services().warningBox(base::kBoxInfo, "表示", "システムファイルが保存できません。");
    }
    if (win) {
        switch (view::refreshAfterOptions(before_, p, f.colourState)) {
        case view::ChartRefresh::Reread: win->reread(); break;
        case view::ChartRefresh::Redraw: win->redraw(); break;
        case view::ChartRefresh::None: break;
        }
    }
    form_.colourState = f.colourState;
    return true;
}

bool ChartOptionsPage::applyNow() {
    if (!apply()) return false;
    before_ = chartParamsFrom(frame_.core().params().record());
    fill(before_);
    return true;
}

}  // namespace appqt
