#include "logobox.h"

#include <QMouseEvent>
#include <QPainter>

#include "icons.h"

namespace appqt {

LogoBox::LogoBox(QWidget* parent) : QFrame(parent) {
    setObjectName("KOVLOGO");
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setToolTip("Chronava");
    setCursor(Qt::PointingHandCursor);
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &LogoBox::advance);
}

void LogoBox::start() {
    if (!timer_.isActive()) timer_.start();
}

void LogoBox::stop() { timer_.stop(); }

void LogoBox::reset() {
    frame_ = 0;
    update();
}

void LogoBox::advance() {
    frame_ = (frame_ + 1) % kLogoFrames;
    update();
}

void LogoBox::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter g(this);
    QRect r = contentsRect();
    g.drawPixmap(r.topLeft(), logoFrame(frame_, r.width(), r.height()));
}

void LogoBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick_) onClick_();
}

}  // namespace appqt
