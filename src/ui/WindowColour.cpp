#include <QPalette>
#include <QWidget>

#include "ui/Surface.h"

namespace tarvex {

Colour WindowColour(const QWidget& w)
{
    return FromQColor(w.palette().color(QPalette::Window));
}

}  // namespace tarvex
