#include "messagepane.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/messages.h"

namespace appqt {

MessageList::MessageList(QWidget* parent) : QListWidget(parent) {
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QFont f("ＭＳ ゴシック");
    f.setPixelSize(14);
    setFont(f);
}

QString MessageList::pathAt(const QPoint& pos) const {
    QListWidgetItem* it = itemAt(pos);
    if (!it) return {};
    return QString::fromStdString(app::clickablePath(it->text().toStdString()));
}

void MessageList::mouseMoveEvent(QMouseEvent* e) {
    QString p = pathAt(e->position().toPoint());
    viewport()->setCursor(p.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    // Only a change is reported, so moving over plain lines leaves other status texts.
    if (p != hovered_) {
        hovered_ = p;
        emit hoverPath(p);
    }
    QListWidget::mouseMoveEvent(e);
}

void MessageList::leaveEvent(QEvent* e) {
    viewport()->setCursor(Qt::ArrowCursor);
    if (!hovered_.isEmpty()) {
        hovered_.clear();
        emit hoverPath({});
    }
    QListWidget::leaveEvent(e);
}

void MessageList::mousePressEvent(QMouseEvent* e) {
    QListWidget::mousePressEvent(e);
    if (e->button() != Qt::LeftButton) return;
    QPoint pos = e->position().toPoint();
    // A click in the band next to the list's right edge (the scroll bar side) is no
    // request to open.
    if (viewport()->mapTo(this, pos).x() >= width() - 20) return;
    QString p = pathAt(pos);
    if (!p.isEmpty()) emit clickedPath(p);
}

MessagePane::MessagePane(QWidget* parent) : QWidget(parent) {
    setObjectName("RMQWORKTAB");
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("RMQWORKTABBAR");
    tabs_->setDrawBase(true);
    tabs_->setExpanding(false);
    for (const char* t : {"タイミングチャート", "Word", "HTML"}) tabs_->addTab(QString::fromUtf8(t));
    stack_ = new QStackedWidget(this);
    for (int i = 0; i < 3; ++i) {
        lists_[i] = new MessageList(stack_);
        lists_[i]->setObjectName(QString("RMQWORKLIST%1").arg(i));
        stack_->addWidget(lists_[i]);
        connect(lists_[i], &MessageList::hoverPath, this, [this](const QString& p) {
            if (status_) status_(p);
        });
        connect(lists_[i], &MessageList::clickedPath, this, [this](const QString& p) {
            pendingPath_ = p;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            openTimer_.start();
        });
    }
    openTimer_.setSingleShot(true);
    openTimer_.setInterval(kOpenDelayMs);
    connect(&openTimer_, &QTimer::timeout, this, [this] {
        QApplication::restoreOverrideCursor();
        if (opener_) opener_(pendingPath_);
    });
    connect(tabs_, &QTabBar::currentChanged, stack_, &QStackedWidget::setCurrentIndex);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 2, 4, 4);
    lay->setSpacing(0);
    lay->addWidget(tabs_);
    lay->addWidget(stack_);
}

void MessagePane::append(int list, const QString& text) {
    if (list < 0 || list > 2) return;
    QListWidget* w = lists_[list];
    // The same cap as the pane's model: above 1000 lines the 100 oldest go first.
    if (w->count() > static_cast<int>(app::MessageListModel::kCap)) {
        for (size_t i = 0; i < app::MessageListModel::kDrop; ++i) delete w->takeItem(0);
    }
    w->addItem(text);
    w->setCurrentRow(w->count() - 1);
    w->scrollToBottom();
    w->clearSelection();
}

void MessagePane::clear(int list) {
    if (list >= 0 && list <= 2) lists_[list]->clear();
}

void MessagePane::select(int list) {
    if (list < 0 || list > 2) return;
    tabs_->setCurrentIndex(list);
    stack_->setCurrentIndex(list);
}

int MessagePane::current() const { return tabs_->currentIndex(); }

}  // namespace appqt
