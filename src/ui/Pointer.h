#pragma once

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

namespace tarvex {

// The mouse pointer shapes the program switches between.
enum class Pointer { Default, Hourglass, SizeNS, SizeWE };

inline Qt::CursorShape CursorShapeOf(Pointer pointer)
{
    switch (pointer) {
        case Pointer::Hourglass:
            return Qt::WaitCursor;
        case Pointer::SizeNS:
            return Qt::SizeVerCursor;
        case Pointer::SizeWE:
            return Qt::SizeHorCursor;
        case Pointer::Default:
            break;
    }
    return Qt::ArrowCursor;
}

inline Pointer PointerOf(Qt::CursorShape shape)
{
    switch (shape) {
        case Qt::WaitCursor:
            return Pointer::Hourglass;
        case Qt::SizeVerCursor:
            return Pointer::SizeNS;
        case Qt::SizeHorCursor:
            return Pointer::SizeWE;
        default:
            return Pointer::Default;
    }
}

// The pointer for the whole application, shown over every window (the hourglass during a
// long computation). Default removes the override so each widget shows its own again.
inline void SetScreenPointer(Pointer pointer)
{
    if (pointer == Pointer::Default) {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    } else if (QGuiApplication::overrideCursor()) {
        QGuiApplication::changeOverrideCursor(QCursor(CursorShapeOf(pointer)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(CursorShapeOf(pointer)));
    }
}

inline Pointer ScreenPointer()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? PointerOf(cursor->shape()) : Pointer::Default;
}

// The pointer shown while the mouse is over one widget.
inline void SetWidgetPointer(QWidget& widget, Pointer pointer)
{
    if (pointer == Pointer::Default) {
        widget.unsetCursor();
    } else {
        widget.setCursor(CursorShapeOf(pointer));
    }
}

inline Pointer WidgetPointer(const QWidget& widget)
{
    return widget.testAttribute(Qt::WA_SetCursor) ? PointerOf(widget.cursor().shape())
                                                  : Pointer::Default;
}

}  // namespace tarvex
