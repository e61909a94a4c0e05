#pragma once

#include "ui/Colour.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QObject;
class QToolButton;
class QWidget;

namespace tarvex {

// The box that follows a window's cursor line: the cursor check box with the current
// sample's label, the list of non-empty samples and the two arrows that step through them.
struct SampleSelector {
    QFrame* frame = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* list = nullptr;
    QWidget* arrows = nullptr;
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
};

// Builds the box in parent; eventFilter watches the frame and the arrows, whose mouse moves
// end a cursor drag.
SampleSelector BuildSampleSelector(QWidget* parent, QObject* eventFilter);

// A current sample outside the envelope shows its label in red and the list in listColour.
void MarkSampleOutside(QCheckBox* check, QComboBox* list, bool outside, Colour listColour);

}  // namespace tarvex
