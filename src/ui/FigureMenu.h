#pragma once

#include <functional>
#include <string>

#include "app/Workspace.h"
#include "batch/FigureRequest.h"
#include "figures/Figures.h"

class QAction;
class QMenu;
class QWidget;

namespace tarvex {

class Dialogs;

// What a window's "Export Figure..." draws, as it stands when the command runs: the
// workspace, the settings the windows hold, and which figure.
struct WindowFigure {
    const Workspace* ws = nullptr;
    FigureSettings settings;
    fig::FigureJob job;
};

// The filter of the figure's save dialog; the suffix chooses the format.
inline constexpr const char* kFigureFilter =
    "PDF figure(*.pdf)|*.pdf|SVG figure(*.svg)|*.svg|PNG image(*.png)|*.png";

// The whole command: a message when the figure has nothing to show yet, the options dialog
// (size, PNG resolution, the diagram's choices), the save dialog, the file, and a message
// when it could not be written or the diagram needed more width than asked for.
// Its dialogs belong to the opener, the window whose menu it is.
void ExportWindowFigure(Dialogs& dialogs, QWidget* opener, const WindowFigure& figure);

// "Export Figure..." on a panel's pop-up menu, beside "Export Picture...".
QAction* AddExportFigure(QMenu& menu, QWidget& opener, Dialogs& dialogs,
                         std::function<WindowFigure()> figure,
                         const char* caption = "Export Figure...");

}  // namespace tarvex
