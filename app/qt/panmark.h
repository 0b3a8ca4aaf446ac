// The origin mark and the cursors of the middle-button pan mode, shared by the chart
// window and the source view.
#pragma once

#include <QCursor>
#include <QLabel>

#include "view/view_state.h"

namespace appqt {

// A hidden label of the pan-origin size holding the mark, transparent to the mouse.
QLabel* newPanOriginMark(QWidget* parent, const char* objectName);

// The pan mode's cursors: four arrows round a dot while the pointer rests at the
// origin, one arrow for the direction in which the view moves.
QCursor panCursor(view::PanCursor which);

}  // namespace appqt
