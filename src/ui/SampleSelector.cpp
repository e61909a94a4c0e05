#include "ui/SampleSelector.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Surface.h"

namespace tarvex {

SampleSelector BuildSampleSelector(QWidget* parent, QObject* eventFilter)
{
    SampleSelector s;
    s.frame = new QFrame(parent);
    s.frame->setFrameShape(QFrame::StyledPanel);
    s.frame->setMouseTracking(true);
    s.frame->installEventFilter(eventFilter);
    auto* grid = new QGridLayout(s.frame);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setVerticalSpacing(2);
    s.check = new QCheckBox(s.frame);
    s.list = new QComboBox(s.frame);
    s.arrows = new QWidget(s.frame);
    s.arrows->setMouseTracking(true);
    s.arrows->installEventFilter(eventFilter);
    auto* column = new QVBoxLayout(s.arrows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    s.up = new QToolButton(s.arrows);
    s.up->setArrowType(Qt::UpArrow);
    s.down = new QToolButton(s.arrows);
    s.down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {s.up, s.down}) {
        b->setFixedSize(18, 13);
        column->addWidget(b);
    }
    grid->addWidget(s.check, 0, 0, 1, 2);
    grid->addWidget(s.list, 1, 0);
    grid->addWidget(s.arrows, 1, 1);
    return s;
}

void MarkSampleOutside(QCheckBox* check, QComboBox* list, bool outside, Colour listColour)
{
    QPalette checkPalette = check->palette();
    checkPalette.setColor(QPalette::WindowText, outside ? QColor(200, 0, 0) : QColor(Qt::black));
    check->setPalette(checkPalette);
    QPalette listPalette = list->palette();
    listPalette.setColor(QPalette::Text, outside ? ToQColor(listColour) : QColor(Qt::black));
    listPalette.setColor(QPalette::ButtonText, listPalette.color(QPalette::Text));
    list->setPalette(listPalette);
}

}  // namespace tarvex
