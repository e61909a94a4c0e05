#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Workspace.h"
#include "diagram/Coniss.h"
#include "mat/ReconstructionTable.h"
#include "tf/ModelChoice.h"
#include "tf/TransferRun.h"

// What a run asks of the figures and the report, in plain values: the core decides what is
// drawn and from which results, the figure library (which needs Qt) only draws it. The
// batch reaches the figure library through FigureRenderer, which the program supplies; a
// build without the figure library has none and refuses --report and --figures.
namespace tarvex {

// The pollen diagram's choices.
struct DiagramFigureOptions {
    bool bars = false;          // bars instead of filled silhouettes
    bool exaggeration = false;  // a hollow x10 curve behind each silhouette
    double minPercent = 0;      // taxa whose largest value is below this are left out
    ZonationTransform transform = ZonationTransform::SquareRoot;  // of the classic CONISS
};

// The transfer functions of a run, for the figures that set a model beside the analogues.
// Shared, not copied: a window keeps drawing from the run it shows while the next one runs.
struct TransferFigureData {
    std::shared_ptr<const tf::Inputs> inputs;
    std::shared_ptr<const tf::Results> results;
    tf::ModelChoice model;  // the model drawn beside the analogue reconstruction
};

struct FigureSettings {
    ReconstructionTableSettings table;
    DiagramFigureOptions diagram;
    // The climate parameters of the reconstruction and error-model figures; all when empty.
    std::vector<int> parameters;
    // The calibration chart's data are prepared (a calibration has run); chartParam is its
    // climate parameter, 0 when its pairs came from a file.
    bool chart = false;
    int chartParam = 0;
    TransferFigureData transfer;  // no results: no transfer-function figures
};

struct FigureRequest {
    std::string reportPath;  // empty: no report
    std::string figuresDir;  // empty: no figure files
    // The run record's text, whose records the report's first pages list.
    std::string runRecord;
    FigureSettings settings;
};

// Draws what a request asks for into files (path, content); the paths are those of the
// request. False, with the reason, when a figure cannot be drawn.
class FigureRenderer {
public:
    virtual ~FigureRenderer() = default;
    virtual bool Render(const Workspace& ws, const FigureRequest& request,
                        std::vector<std::pair<std::string, std::string>>& files,
                        std::string& error) = 0;
};

// The parameters to draw: those chosen, or every parameter of the climate table.
std::vector<int> FigureParameters(const Workspace& ws, const FigureSettings& settings);

}  // namespace tarvex
