// The pan mode's origin mark and cursors.
#include "panmark.h"

#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include "view/view_state.h"

namespace appqt {

QLabel* newPanOriginMark(QWidget* parent, const char* objectName) {
    auto* mark = new QLabel(parent);
    mark->setObjectName(objectName);
    const int n = view::PanMode::kOriginSize;
    QPixmap pm(n, n);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setPen(QColor(64, 64, 64));
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(1, 1, n - 3, n - 3);
        p.setBrush(QColor(64, 64, 64));
        const int c = n / 2;
        p.drawPolygon(QPolygon({QPoint(c, 4), QPoint(c - 3, 8), QPoint(c + 3, 8)}));
        p.drawPolygon(QPolygon({QPoint(c, n - 5), QPoint(c - 3, n - 9), QPoint(c + 3, n - 9)}));
        p.drawPolygon(QPolygon({QPoint(4, c), QPoint(8, c - 3), QPoint(8, c + 3)}));
        p.drawPolygon(QPolygon({QPoint(n - 5, c), QPoint(n - 9, c - 3), QPoint(n - 9, c + 3)}));
        p.drawEllipse(c - 2, c - 2, 4, 4);
    }
    mark->setPixmap(pm);
    mark->resize(n, n);
    mark->setAttribute(Qt::WA_TransparentForMouseEvents);
    mark->hide();
    return mark;
}

QCursor panCursor(view::PanCursor which) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    auto arrow = [&](int dir) {  // 0 up, 1 down, 2 left, 3 right
        QPolygon t;
        switch (dir) {
        case 0: t << QPoint(16, 2) << QPoint(10, 10) << QPoint(22, 10); break;
        case 1: t << QPoint(16, 30) << QPoint(10, 22) << QPoint(22, 22); break;
        case 2: t << QPoint(2, 16) << QPoint(10, 10) << QPoint(10, 22); break;
        default: t << QPoint(30, 16) << QPoint(22, 10) << QPoint(22, 22); break;
        }
        p.drawPolygon(t);
    };
    switch (which) {
    case view::PanCursor::All:
        for (int d = 0; d < 4; ++d) arrow(d);
        p.drawEllipse(13, 13, 6, 6);
        break;
    case view::PanCursor::Up: arrow(0); break;
    case view::PanCursor::Down: arrow(1); break;
    case view::PanCursor::Left: arrow(2); break;
    case view::PanCursor::Right: arrow(3); break;
    }
    return QCursor(pm, 16, 16);
}

PanDriver::PanDriver(QWidget* pane, view::PanMode& mode, const char* markName, Step step)
    : pane_(pane), mode_(mode), mark_(newPanOriginMark(pane, markName)), step_(std::move(step)) {
    timer_.setInterval(view::PanMode::kTimerMs);
    QObject::connect(&timer_, &QTimer::timeout, pane, [this] { tick(); });
}

bool PanDriver::begin(bool ctrl) {
    QPoint g = QCursor::pos();
    int gx = g.x(), gy = g.y();
    if (!mode_.start(gx, gy, ctrl)) return false;
    QCursor::setPos(gx, gy);
    pane_->setCursor(panCursor(view::PanCursor::All));
    const int half = view::PanMode::kOriginSize / 2;
    mark_->move(pane_->mapFromGlobal(QPoint(gx, gy)) - QPoint(half, half));
    mark_->show();
    mark_->raise();
    pane_->grabMouse();
    timer_.start();
    return true;
}

void PanDriver::end() {
    QPoint g = QCursor::pos();
    int x = g.x(), y = g.y();
    mode_.end(x, y);
    timer_.stop();
    QCursor::setPos(x, y);
    mark_->hide();
    shown_ = view::PanCursor::All;
    pane_->releaseMouse();
}

void PanDriver::tick() {
    if (!mode_.active()) {
        timer_.stop();
        return;
    }
    QPoint g = QCursor::pos();
    view::PanStep s = mode_.tick(g.x(), g.y());
    if (s.cursor != shown_) {
        shown_ = s.cursor;
        pane_->setCursor(panCursor(s.cursor));
    }
    step_(s);
}

}  // namespace appqt
