// The origin mark and the cursors of the middle-button pan mode, shared by the chart
// window and the source view.
#pragma once

#include <QCursor>
#include <QLabel>
#include <QTimer>

#include <functional>

#include "view/view_state.h"

namespace appqt {

// A hidden label of the pan-origin size holding the mark, transparent to the mouse.
QLabel* newPanOriginMark(QWidget* parent, const char* objectName);

// The pan mode's cursors: four arrows round a dot while the pointer rests at the
// origin, one arrow for the direction in which the view moves.
QCursor panCursor(view::PanCursor which);

// The middle-button pan mode of a pane: the origin mark, the timer that moves the view
// and the cursor shown while the mode lasts. The pane decides when the mode begins and
// ends and what a step of the timer does.
class PanDriver {
public:
    using Step = std::function<void(const view::PanStep&)>;
    PanDriver(QWidget* pane, view::PanMode& mode, const char* markName, Step step);
    PanDriver(const PanDriver&) = delete;
    PanDriver& operator=(const PanDriver&) = delete;

    QLabel* mark() const { return mark_; }
    // Starts the mode at the pointer, shows the mark there and takes the mouse; false
    // when the mode does not start.
    bool begin(bool ctrl);
    // Ends the mode where the pointer is, hides the mark and lets the mouse go; the
    // pane then shows its own cursor.
    void end();
    void stop() { timer_.stop(); }

private:
    void tick();

    QWidget* pane_;
    view::PanMode& mode_;
    QLabel* mark_;
    QTimer timer_;
    view::PanCursor shown_ = view::PanCursor::All;
    Step step_;
};

}  // namespace appqt
