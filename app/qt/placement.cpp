#include "placement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace appqt {
namespace {
QPointer<QWidget> g_frame;
}

void setMainFrameWidget(QWidget* frame) { g_frame = frame; }
QWidget* mainFrameWidget() { return g_frame.data(); }

QRect placeCentred(QSize size, const QRect& over, const QRect& screen) {
    QRect base = over.isEmpty() ? screen : over;
    QRect r(QPoint(0, 0), size);
    r.moveCenter(base.center());
    if (r.right() > screen.right()) r.moveRight(screen.right());
    if (r.bottom() > screen.bottom()) r.moveBottom(screen.bottom());
    if (r.left() < screen.left()) r.moveLeft(screen.left());
    if (r.top() < screen.top()) r.moveTop(screen.top());
    return r;
}

void centreDialog(QWidget* dialog) {
    if (!dialog) return;
    dialog->adjustSize();
    QWidget* frame = mainFrameWidget();
    QScreen* screen = frame ? frame->screen() : QGuiApplication::primaryScreen();
    QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QRect over = (frame && frame->isVisible()) ? frame->frameGeometry() : QRect();
    QRect r = placeCentred(dialog->frameGeometry().size(), over, avail);
    dialog->move(r.topLeft());
}

}  // namespace appqt
