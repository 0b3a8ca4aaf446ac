#include "icons.h"

#include <QPainter>
#include <QPainterPath>

namespace appqt {
namespace {

QPixmap blank(int w = 16, int h = 16) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

// A sheet of paper with a folded corner.
void paper(QPainter& g, QColor fill = Qt::white) {
    QPolygon poly({QPoint(2, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(2, 14)});
    g.setPen(QColor(60, 60, 60));
    g.setBrush(fill);
    g.drawPolygon(poly);
    g.drawLine(10, 1, 10, 4);
    g.drawLine(10, 4, 13, 4);
}

// A pulse train, the motif of the program.
void pulses(QPainter& g, int x0, int y0, int w, QColor c) {
    g.setPen(c);
    int x = x0, hi = y0, lo = y0 + 4;
    bool up = false;
    while (x < x0 + w) {
        int next = std::min(x + 3, x0 + w);
        g.drawLine(x, up ? hi : lo, next, up ? hi : lo);
        if (next < x0 + w) g.drawLine(next, hi, next, lo);
        up = !up;
        x = next;
    }
}

void folder(QPainter& g, bool open) {
    g.setPen(QColor(120, 90, 20));
    g.setBrush(QColor(240, 200, 80));
    g.drawRect(1, 4, 13, 9);
    g.drawRect(1, 2, 5, 2);
    if (open) {
        g.setBrush(QColor(255, 225, 120));
        g.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
    }
}

void lines(QPainter& g, int from, int to, QColor c) {
    g.setPen(c);
    for (int y = from; y <= to; y += 2) g.drawLine(4, y, 11, y);
}

QPixmap paintTool(ToolIcon which) {
    QPixmap p = blank();
    QPainter g(&p);
    switch (which) {
    case ToolIcon::New:
        paper(g);
        g.setPen(QColor(230, 170, 0));
        g.drawLine(11, 9, 15, 13);
        g.drawLine(15, 9, 11, 13);
        g.drawLine(13, 8, 13, 14);
        break;
    case ToolIcon::Open: folder(g, true); break;
    case ToolIcon::DocView:
        g.setPen(QColor(40, 40, 40));
        g.setBrush(Qt::white);
        g.drawRect(1, 1, 14, 13);
        g.fillRect(2, 2, 4, 12, QColor(90, 140, 210));
        lines(g, 4, 12, QColor(120, 120, 120));
        break;
    case ToolIcon::Message:
        g.setPen(QColor(40, 40, 40));
        g.setBrush(Qt::white);
        g.drawRect(1, 1, 14, 13);
        g.fillRect(2, 9, 13, 5, QColor(90, 140, 210));
        g.setPen(Qt::white);
        g.drawLine(3, 11, 12, 11);
        break;
    case ToolIcon::Generate:
        g.setPen(QColor(20, 110, 20));
        g.setBrush(QColor(60, 190, 60));
        g.drawPolygon(QPolygon({QPoint(3, 2), QPoint(13, 8), QPoint(3, 14)}));
        break;
    case ToolIcon::Metafile:
        paper(g, QColor(235, 245, 255));
        pulses(g, 3, 6, 9, QColor(0, 0, 180));
        g.setPen(QColor(0, 0, 180));
        g.fillRect(3, 11, 9, 2, QColor(0, 0, 180));
        break;
    case ToolIcon::Gif:
        paper(g, QColor(255, 245, 230));
        pulses(g, 3, 6, 9, QColor(200, 80, 0));
        g.fillRect(3, 11, 9, 2, QColor(200, 80, 0));
        break;
    case ToolIcon::Word:
        paper(g);
        g.setPen(QColor(30, 60, 170));
        g.drawLine(4, 5, 5, 11);
        g.drawLine(5, 11, 7, 7);
        g.drawLine(7, 7, 9, 11);
        g.drawLine(9, 11, 11, 5);
        break;
    case ToolIcon::Html:
        g.setPen(QColor(0, 110, 140));
        g.setBrush(QColor(170, 225, 240));
        g.drawEllipse(1, 1, 13, 13);
        g.drawLine(1, 8, 14, 8);
        g.drawLine(8, 1, 8, 14);
        g.drawEllipse(4, 1, 7, 13);
        break;
    case ToolIcon::Options:
        g.setPen(QColor(60, 60, 60));
        g.setBrush(QColor(170, 170, 170));
        g.drawEllipse(2, 2, 11, 11);
        g.setBrush(Qt::white);
        g.drawEllipse(5, 5, 5, 5);
        g.fillRect(7, 0, 2, 3, QColor(60, 60, 60));
        g.fillRect(7, 13, 2, 3, QColor(60, 60, 60));
        g.fillRect(0, 7, 3, 2, QColor(60, 60, 60));
        g.fillRect(13, 7, 3, 2, QColor(60, 60, 60));
        break;
    case ToolIcon::Help: {
        g.setPen(QColor(0, 70, 160));
        g.setBrush(QColor(210, 230, 255));
        g.drawEllipse(1, 1, 13, 13);
        QFont f = g.font();
        f.setPixelSize(11);
        f.setBold(true);
        g.setFont(f);
        g.drawText(QRect(1, 1, 14, 14), Qt::AlignCenter, "?");
        break;
    }
    }
    return p;
}

QPixmap paintTree(int index) {
    QPixmap p = blank();
    QPainter g(&p);
    switch (index) {
    case 0:  // project
        folder(g, false);
        g.fillRect(6, 7, 6, 4, QColor(90, 140, 210));
        break;
    case 6:  // source (log file)
        paper(g);
        lines(g, 5, 12, QColor(90, 90, 90));
        break;
    case 7:  // list entry (log file name)
        paper(g, QColor(255, 255, 225));
        lines(g, 5, 11, QColor(150, 120, 40));
        break;
    case 10:  // timing chart
        g.setPen(QColor(40, 40, 40));
        g.setBrush(Qt::white);
        g.drawRect(0, 1, 15, 13);
        pulses(g, 2, 3, 12, QColor(0, 0, 200));
        pulses(g, 3, 9, 11, QColor(200, 0, 0));
        break;
    default: {
        // Kinds this edition does not open: a plain sheet with a tinted band.
        static const QColor tint[] = {QColor(), QColor(120, 80, 160), QColor(60, 160, 120), QColor(40, 130, 40),
                                      QColor(30, 60, 170), QColor(180, 120, 0), QColor(), QColor(),
                                      QColor(160, 60, 60), QColor(0, 130, 170)};
        paper(g);
        g.fillRect(3, 5, 9, 3, tint[index > 0 && index < 10 ? index : 1]);
        lines(g, 9, 12, QColor(120, 120, 120));
        break;
    }
    }
    return p;
}

}  // namespace

QIcon toolIcon(ToolIcon which) { return QIcon(paintTool(which)); }

QIcon windowToolIcon(WindowTool which) {
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    // The page and screen arrows: a dark blue triangle pointing left or right.
    auto tri = [&](int x, bool left) {
        QPolygon t;
        if (left) t << QPoint(x + 5, 3) << QPoint(x, 8) << QPoint(x + 5, 13);
        else t << QPoint(x, 3) << QPoint(x + 5, 8) << QPoint(x, 13);
        p.setBrush(QColor(0, 0, 128));
        p.drawPolygon(t);
    };
    switch (which) {
    case WindowTool::None: break;
    case WindowTool::Ruler:
        p.setBrush(QColor(255, 255, 224));
        p.drawRect(1, 5, 14, 6);
        for (int x = 3; x < 15; x += 3) p.drawLine(x, 5, x, x % 2 ? 8 : 7);
        break;
    case WindowTool::Generate:
        p.setBrush(QColor(255, 200, 0));
        p.drawEllipse(3, 3, 10, 10);
        p.drawLine(8, 0, 8, 3);
        break;
    case WindowTool::Editor:
        p.setBrush(Qt::white);
        p.drawRect(2, 1, 10, 13);
        for (int y = 4; y < 12; y += 2) p.drawLine(4, y, 10, y);
        break;
    case WindowTool::Options:
        p.setBrush(QColor(160, 160, 160));
        p.drawEllipse(3, 3, 10, 10);
        p.setBrush(Qt::white);
        p.drawEllipse(6, 6, 4, 4);
        break;
    case WindowTool::ZoomOut:
    case WindowTool::ZoomIn:
        p.setBrush(Qt::white);
        p.drawEllipse(1, 1, 10, 10);
        p.drawLine(4, 6, 8, 6);
        if (which == WindowTool::ZoomIn) p.drawLine(6, 4, 6, 8);
        p.setPen(QPen(QColor(0, 0, 0), 2));
        p.drawLine(11, 11, 15, 15);
        break;
    case WindowTool::Whole:
        p.setBrush(Qt::white);
        p.drawRect(1, 2, 14, 11);
        p.drawLine(3, 10, 6, 5);
        p.drawLine(6, 5, 9, 9);
        p.drawLine(9, 9, 13, 4);
        break;
    case WindowTool::Search:
        p.setBrush(QColor(224, 240, 255));
        p.drawEllipse(1, 1, 9, 9);
        p.setPen(QPen(QColor(0, 0, 0), 2));
        p.drawLine(10, 10, 14, 14);
        break;
    case WindowTool::First:
        p.drawLine(3, 3, 3, 13);
        tri(5, true);
        break;
    case WindowTool::Previous: tri(5, true); break;
    case WindowTool::Next: tri(6, false); break;
    case WindowTool::Last:
        tri(6, false);
        p.drawLine(12, 3, 12, 13);
        break;
    }
    p.end();
    return QIcon(pm);
}

QIcon treeIcon(int index) { return QIcon(paintTree(index)); }

QIcon appIcon() {
    QPixmap p = blank(32, 32);
    QPainter g(&p);
    g.setPen(QColor(20, 40, 90));
    g.setBrush(QColor(240, 246, 255));
    g.drawRoundedRect(1, 1, 29, 29, 4, 4);
    QPen pen(QColor(0, 60, 200));
    pen.setWidth(2);
    g.setPen(pen);
    g.drawPolyline(QPolygon({QPoint(4, 13), QPoint(9, 13), QPoint(9, 6), QPoint(16, 6), QPoint(16, 13), QPoint(27, 13)}));
    pen.setColor(QColor(210, 30, 30));
    g.setPen(pen);
    g.drawPolyline(QPolygon({QPoint(4, 25), QPoint(12, 25), QPoint(12, 18), QPoint(20, 18), QPoint(20, 25), QPoint(27, 25)}));
    return QIcon(p);
}

QPixmap logoFrame(int frame, int width, int height) {
    frame = ((frame % kLogoFrames) + kLogoFrames) % kLogoFrames;
    QPixmap p(width, height);
    p.fill(QColor(250, 250, 252));
    QPainter g(&p);
    // The name on top, a row of pulses below it: each frame lights the next pulse so
    // the box shows that a run is going on.
    QFont f("IPAPGothic");
    f.setPixelSize(11);
    f.setBold(true);
    g.setFont(f);
    g.setPen(QColor(20, 40, 110));
    g.drawText(QRect(0, 0, width, 14), Qt::AlignHCenter | Qt::AlignVCenter, "Chronava");
    int hi = 16, lo = std::max(hi + 3, height - 3);
    int pitch = std::max(4, (width - 4) / kLogoFrames);
    int x = 2 + (width - 4 - pitch * kLogoFrames) / 2;
    for (int i = 0; i < kLogoFrames; ++i, x += pitch) {
        int rise = x + pitch / 4, fall = x + pitch * 3 / 4;
        g.setPen(i == frame ? QColor(0, 80, 230) : QColor(160, 165, 180));
        g.drawLine(x, lo, rise, lo);
        g.drawLine(rise, lo, rise, hi);
        g.drawLine(rise, hi, fall, hi);
        g.drawLine(fall, hi, fall, lo);
        g.drawLine(fall, lo, x + pitch, lo);
    }
    return p;
}

}  // namespace appqt
