// The logo box at the right end of the toolbar row: a sunken frame showing one of nine
// animation frames. A timer (500 ms) advances the frame while a long run goes on; a
// click opens the product page with the shell.
#pragma once

#include <QFrame>
#include <QTimer>
#include <functional>

namespace appqt {

class LogoBox : public QFrame {
    Q_OBJECT
public:
    static constexpr int kTimerPeriodMs = 500;  // timer 101
    explicit LogoBox(QWidget* parent = nullptr);

    void start();
    void stop();
    void reset();
    int frame() const { return frame_; }
    bool running() const { return timer_.isActive(); }
    // What a click does (the frame opens the product page).
    void setClickAction(std::function<void()> f) { onClick_ = std::move(f); }
    // Advances one frame, wrapping from 8 to 0 (one timer tick).
    void advance();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QTimer timer_;
    int frame_ = 0;
    std::function<void()> onClick_;
};

}  // namespace appqt
