#include "toolstrip.h"

#include <QAction>
#include <QHBoxLayout>

namespace appqt {

ToolStrip::ToolStrip(QWidget* window) : strip_(new QWidget(window)), row_(new QHBoxLayout(strip_)) {
    strip_->setObjectName("id5000");
    row_->setContentsMargins(2, 2, 2, 2);
    row_->setSpacing(4);
}

QToolBar* ToolStrip::addBar(int holderId, std::initializer_list<StripButton> buttons,
                            const std::function<void(int)>& command) {
    auto* tb = new QToolBar(strip_);
    tb->setObjectName(QString("id%1").arg(holderId));
    tb->setIconSize(QSize(16, 16));
    tb->setFloatable(false);
    tb->setMovable(false);
    row_->addWidget(tb);
    for (const StripButton& b : buttons) {
        if (!b.id) {
            tb->addSeparator();
            continue;
        }
        QAction* a = tb->addAction(windowToolIcon(b.icon), QString::fromUtf8(b.tip));
        a->setObjectName(QString("id%1").arg(b.id));
        a->setToolTip(QString::fromUtf8(b.tip));
        const int id = b.id;
        QObject::connect(a, &QAction::triggered, strip_, [command, id] { command(id); });
    }
    return tb;
}

void ToolStrip::addStretch() { row_->addStretch(1); }

}  // namespace appqt
