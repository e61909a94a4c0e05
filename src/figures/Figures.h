#pragma once

#include <string>
#include <vector>

#include "app/Workspace.h"
#include "batch/FigureRequest.h"
#include "figures/Canvas.h"

// The figures of the program: one routine per figure, drawing a complete figure (axes, ticks,
// titles, legend) on a Canvas, whatever the target. Each reads the workspace and the plain
// settings of FigureRequest.h only, so a window and the batch program draw the same figure
// from the same results.
namespace tarvex::fig {

struct FigureSize {
    double width = 180;  // mm
    double height = 120;
};

enum class FigureKind {
    Diagram,         // the pollen diagram with its zones and dendrogram
    ScorePlots,      // the taxa and site score plots of two EOFs
    Reconstruction,  // one climate parameter against depth, with its error band
    ErrorModel,      // estimated against observed, and the residuals
    Quality,         // the closest-analogue distance along the sequence
    Strativ,         // the probability of the climate value along the depth
    Chart,           // the calibration chart
    Transfer,        // one parameter by the analogues and by the chosen transfer function
    TransferTable,   // the figures of merit of every transfer-function model of a parameter
};

// One figure to draw: its kind, its climate parameter (Reconstruction, ErrorModel, Transfer,
// TransferTable) and the EOFs of the score plots.
struct FigureJob {
    FigureKind kind = FigureKind::Diagram;
    int param = 0;
    int eofX = 1, eofY = 2;
};

// Whether the workspace holds what the figure shows.
bool FigureAvailable(const Workspace& ws, const FigureSettings& settings, const FigureJob& job);
// The size a figure is drawn at when nothing else is asked; the diagram widens itself when
// its taxa need more room than `wanted` gives.
FigureSize DefaultFigureSize(FigureKind kind);
FigureSize FigureSizeFor(const Workspace& ws, const FigureSettings& settings, const FigureJob& job,
                         FigureSize wanted);
// A file name for the figure without suffix: "diagram", "reconstruction-2", ...
std::string FigureFileStem(const FigureJob& job);
// The title printed at the figure's top.
std::string FigureTitle(const Workspace& ws, const FigureSettings& settings, const FigureJob& job);

// Draws the figure over the whole canvas.
void DrawFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings,
                const FigureJob& job);

// The figures a run or a report holds, in the report's order.
std::vector<FigureJob> ReportFigures(const Workspace& ws, const FigureSettings& settings);

// ---- The figures one by one ----
void DrawDiagramFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings);
void DrawScorePlotFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings, int eofX,
                         int eofY);
void DrawReconstructionFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings,
                              int param);
void DrawErrorModelFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings,
                          int param);
void DrawQualityFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings);
void DrawStrativFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings);
void DrawChartFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings);
void DrawTransferFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings, int param);
void DrawTransferTableFigure(Canvas& c, const Workspace& ws, const FigureSettings& settings,
                             int param);

// The transfer functions' results of parameter param; null when the settings hold none for it,
// or (withFossil) when they were run on another fossil sequence than the workspace holds.
const tf::ParamResult* TransferResultOf(const Workspace& ws, const FigureSettings& settings,
                                        int param, bool withFossil);
// The name of the model the transfer figure draws ("WA-PLS 2"), or "a transfer function".
std::string TransferModelName(const Workspace& ws, const FigureSettings& settings, int param);
// Whether the transfer figure of a parameter has a model to draw along the workspace's
// fossil sequence.
bool TransferFigureAvailable(const Workspace& ws, const FigureSettings& settings, int param);
// The decimals of the table's errors and biases: three significant digits of its smallest
// RMSE, from 0 to 4 decimals. R2 and p have three decimals.
int TransferTableDecimals(const tf::Results& results, const tf::ParamResult& result);
// The width (mm) the table of a parameter needs, and the height it needs at the canvas's width.
FigureSize TransferTableSize(const Canvas& c, const Workspace& ws, const FigureSettings& settings,
                             int param);

// ---- Geometry the tests check ----

// Where the diagram's columns lie: mm per percentage point (the same for every column), and
// per drawn taxon its number and the x of its zero line.
struct DiagramColumnsLayout {
    double mmPerPercent = 0;
    std::vector<int> taxa;
    std::vector<double> zeroX;
    double top = 0, bottom = 0;  // the sample axis, mm
    double neededWidth = 0;      // the width the figure needs, mm
};
DiagramColumnsLayout LayOutDiagramColumns(const Canvas& c, const Workspace& ws,
                                          const FigureSettings& settings);

// The reconstruction panel's scales: x from the parameter's values, y from the depth axis.
struct ReconstructionPanel {
    Scale x, y;
    std::vector<double> sampleY;  // [0..samples], mm
};
ReconstructionPanel LayOutReconstruction(const Canvas& c, const Workspace& ws,
                                         const FigureSettings& settings, int param);

// The transfer figure's panels: the analogue method's (absent when the run had none) and the
// chosen model's, on one value scale and one depth axis.
struct TransferPanels {
    bool analogue = false;
    Scale matX, modelX;
    std::vector<double> sampleY;  // [0..samples], mm
    int column = -1;              // the chosen model's column of the results
    int matColumn = -1;
};
TransferPanels LayOutTransfer(const Canvas& c, const Workspace& ws, const FigureSettings& settings,
                              int param);

}  // namespace tarvex::fig
