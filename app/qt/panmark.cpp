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

}  // namespace appqt
