#pragma once

#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "ui/FigureMenu.h"

namespace tarvex {

class App;

// The settings the windows hold, as the figures, the report and reconstruction.csv read them:
// the smoothing of the reconstruction window, the calibrated parameter and the coefficients
// of a returned calibration, whether the envelope ran. With chart, and a calibration whose
// regions are drawn, the calibration chart's data are prepared on the way.
FigureSettings WindowFigureSettings(App& app, bool chart = false);
// A figure of the windows' results.
WindowFigure MakeWindowFigure(App& app, fig::FigureJob job);

// The last run of the Transfer functions window, when it was made on the tables the workspace
// holds: its results with the model shown, and the batch options that repeat it.
bool WindowTransfer(App& app, TransferFigureData& figure, TransferOptions& options);

// The batch options that repeat what the windows did, and their command line.
BatchOptions WindowBatchOptions(App& app);
std::vector<std::string> EquivalentCommandLine(const BatchOptions& options);
// The run record of the windows' work: the batch's record of the equivalent command.
bool WindowRunRecord(App& app, const std::string& reportPath, std::string& text,
                     std::string& error);

}  // namespace tarvex
