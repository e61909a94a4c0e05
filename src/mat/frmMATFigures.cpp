// The reconstruction window's figures and its table of the reconstruction with its errors.
#include <QAction>
#include <QMenu>

#include "app/App.h"
#include "app/frmMain.h"
#include "app/frmMainReport.h"
#include "mat/ReconstructionTable.h"
#include "mat/frmMAT.h"
#include "ui/Dialogs.h"

namespace tarvex {

void frmMAT::SaveReconstructionTable()
{
    const Workspace& ws = app_.ws();
    const ReconstructionTableSettings settings = WindowFigureSettings(app_).table;
    if (ReconstructionTableText(ws, settings).empty()) {
        app_.dialogs().Warn(this, "There is no reconstruction to save yet.", "Error");
        return;
    }
    app_.main().SaveText(
        this, "Save reconstruction table", ws.fossilSampleCount,
        [&ws, settings](const ProgressFn&, bool* allFinite) {
            return ReconstructionTableText(ws, settings, allFinite);
        },
        kReconstructionTableFileName);
}

void frmMAT::AddExportFigures()
{
    Dialogs& dialogs = app_.dialogs();
    auto figure = [this](fig::FigureKind kind) {
        return [this, kind] {
            return MakeWindowFigure(app_, {kind, app_.ws().currentClimateParam});
        };
    };
    AddExportFigure(*mnuRB1, *this, dialogs, figure(fig::FigureKind::Reconstruction));
    AddExportFigure(*mnuRB1, *this, dialogs, figure(fig::FigureKind::Quality),
                    "Export Analogue-Quality Figure...");
    AddExportFigure(*mnuRB2, *this, dialogs, figure(fig::FigureKind::ErrorModel));
    AddExportFigure(*mnuRB3, *this, dialogs, figure(fig::FigureKind::Strativ));
    AddExportFigure(*mnuRB4, *this, dialogs, figure(fig::FigureKind::Chart),
                    "Export Calibration-Chart Figure...");
}

}  // namespace tarvex
