// The origin mark of the middle-button pan mode, shared by the chart window and the
// source view: a round mark with four arrows, drawn where the pan started.
#pragma once

#include <QLabel>

namespace appqt {

// A hidden label of the pan-origin size holding the mark, transparent to the mouse.
QLabel* newPanOriginMark(QWidget* parent, const char* objectName);

}  // namespace appqt
