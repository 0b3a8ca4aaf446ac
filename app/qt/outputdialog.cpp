#include "outputdialog.h"

#include "icons.h"
#include "mainframe.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace appqt {
namespace {
constexpr int kKindCount = 18;
constexpr int kChartTreeImage = 10;
}  // namespace

void layOutTargetList(QGroupBox* box, QWidget* list, std::function<void(Qt::CheckState)> setAll) {
    auto* all = new QPushButton("全てを選択(&A)", box);
    all->setObjectName("selectAll");
    auto* none = new QPushButton("選択を解除(&T)", box);
    none->setObjectName("clearAll");
    QObject::connect(all, &QPushButton::clicked, box, [setAll] { setAll(Qt::Checked); });
    QObject::connect(none, &QPushButton::clicked, box, [setAll] { setAll(Qt::Unchecked); });
    auto* side = new QVBoxLayout;
    side->addWidget(all);
    side->addWidget(none);
    side->addStretch(1);
    auto* inner = new QHBoxLayout(box);
    inner->addWidget(list, 1);
    inner->addLayout(side);
}

OutputTargetDialog::OutputTargetDialog(MainFrame& frame, bool metafile)
    : HelpDialog(&frame, metafile ? 816 : 818), metafile_(metafile) {
    setObjectName(metafile ? "OUTMTFDLG" : "OUTGIFDLG");
    setWindowTitle(metafile ? "メタファイル出力" : "GIF ファイル出力");
    auto* box = new QGroupBox(metafile ? "メタファイル出力対象" : "GIF ファイル出力対象", this);
    list_ = new QTreeWidget(box);
    list_->setObjectName("targets");
    list_->setColumnCount(1);
    list_->setHeaderLabels({"対象ファイル名"});
    list_->setRootIsDecorated(false);
    auto* item = new QTreeWidgetItem(list_, {"タイミングチャート"});
    item->setIcon(0, treeIcon(kChartTreeImage));
    item->setData(0, Qt::UserRole, app::kKindChart);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, chartTicked(frame.core().params().record(), metafile) ? Qt::Checked : Qt::Unchecked);

    layOutTargetList(box, list_, [this](Qt::CheckState s) {
        for (int i = 0; i < list_->topLevelItemCount(); ++i) list_->topLevelItem(i)->setCheckState(0, s);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(box, 1);
    outer->addWidget(buttons);
    resize(360, 220);
}

bool OutputTargetDialog::chartTicked(const app::ParamRecord& rec, bool metafile) {
    const int v = metafile ? rec.metafileTarget(app::kKindChart) : rec.gifTarget(app::kKindChart);
    return (v & 0xFF) != 0;
}

void OutputTargetDialog::storeTargets(app::ParamRecord& rec, bool metafile, bool ticked) {
    for (int kind = 0; kind < kKindCount; ++kind) {
        int v = (kind + 1) * 256;
        if (kind == app::kKindChart) v = (0 + 1) * 256 + (ticked ? 1 : 0);  // offered at row 0
        if (metafile) rec.setMetafileTarget(kind, v);
        else rec.setGifTarget(kind, v);
    }
}

void OutputTargetDialog::accept() {
    const QTreeWidgetItem* item = list_->topLevelItem(0);
    const bool ticked = item && item->checkState(0) == Qt::Checked;
    app::UserParams& params = frame_->core().params();
    storeTargets(params.record(), metafile_, ticked);
    QDialog::accept();
    params.write();  // shows its own message when the file cannot be written
}

}  // namespace appqt
