// The pan mode's origin mark.
#include "panmark.h"

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

}  // namespace appqt
