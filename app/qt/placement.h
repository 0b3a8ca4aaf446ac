// Placement of dialogs: centred over the main frame (over the screen before the frame
// exists), then moved so that the whole dialog lies on the screen.
#pragma once

#include <QRect>

class QWidget;

namespace appqt {

// The rectangle at which a window of `size` appears: centred over `over` (or over
// `screen` when `over` is empty), then shifted inside `screen`, left and top edges
// last so they win when the window is larger than the screen.
QRect placeCentred(QSize size, const QRect& over, const QRect& screen);

// Moves `dialog` as above, over the main frame when one exists.
void centreDialog(QWidget* dialog);

// The main frame registers itself here so that dialogs can find it.
void setMainFrameWidget(QWidget* frame);
QWidget* mainFrameWidget();

}  // namespace appqt
