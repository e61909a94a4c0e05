#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Matrix.h"
#include "app/Workspace.h"
#include "mat/Analogues.h"
#include "tf/Analogue.h"
#include "tf/Figures.h"
#include "tf/Random.h"
#include "tf/Wa.h"
#include "tf/WaPls.h"

namespace tarvex {
namespace tf {

enum class Method { Mat, WaInverse, WaClassical, WaInverseTolerance, WaClassicalTolerance, WaPls };

// "MAT", "WA inverse", "WA classical", "WA inverse tolerance", "WA classical tolerance",
// "WA-PLS".
const char* MethodName(Method method);

// One model of a run: a method and, for WA-PLS, the number of components (0 for the others).
struct Column {
    Method method = Method::WaInverse;
    int components = 0;
};

enum class Validation { None, LeaveOneOut, HBlock, Bootstrap };

inline constexpr int kDefaultComponents = 5;
inline constexpr int kDefaultResamples = 1000;
inline constexpr int kDefaultRandomVariables = 99;

struct Settings {
    bool wa = false;           // WA with inverse and classical deshrinking
    bool waTolerance = false;  // and both with tolerance down-weighting
    bool wapls = false;
    int components = kDefaultComponents;
    Validation validation = Validation::None;
    double hblockKm = 200;
    // Resamples of the bootstrap: sample-specific errors of the fossil samples, and the
    // validation when it is Bootstrap. 0: no bootstrap.
    int resamples = 0;
    std::uint64_t seed = Random::kDefaultSeed;
    int randomVariables = 0;  // of the significance test; 0: no test
};

// "leave-one-out", "h-block 200 km", "bootstrap 1000"; "" without validation.
std::string ValidationText(const Settings& settings);

// What a run reads: the modern proportions and climate, the fossil proportions in the
// reference taxa, the site locations and the analogue method's terms. Arrays are numbered
// from 1 like the workspace's, but counts are not bound to 16 bits.
struct Inputs {
    int sites = 0;
    int taxa = 0;
    std::vector<std::string> siteLabels;  // [0..sites]
    std::vector<std::string> taxonNames;  // [0..taxa]
    Matrix<double> modern;                // (site, taxon)
    int params = 0;
    std::vector<std::string> paramNames;  // [0..params]
    Matrix<double> climate;               // (site, parameter)
    int samples = 0;
    std::vector<std::string> sampleLabels;    // [0..samples]
    Matrix<double> fossil;                    // (sample, taxon)
    std::vector<bool> sampleEmpty;            // [0..samples]
    std::vector<double> latitude, longitude;  // [0..sites]; empty without a location table
    AnalogueSetup analogue;                   // not Enabled(): no analogue method
};

// The inputs of the workspace: refProportions, the climate table, fossilProportions, and the
// analogue method with the window's settings (none when settings is null). Locations as
// matched to the sites (latitude, longitude [0..sites]) or empty.
Inputs InputsFromWorkspace(const Workspace& ws, const AnalogueSettings* settings,
                           const std::vector<double>& latitude = {},
                           const std::vector<double>& longitude = {});

// Whether inputs were made from the tables the workspace holds now (the labels of their sites,
// parameters and samples), and not from tables imported before them.
bool InputsOfWorkspace(const Inputs& inputs, const Workspace& ws);

// Why the inputs cannot be run with the settings, in a sentence; empty when they can.
std::string CheckInputs(const Inputs& inputs, const Settings& settings);

struct ParamResult {
    int param = 0;
    // (row, column of Results::columns); NaN where there is no estimate.
    Matrix<double> apparent;         // (site, column)
    Matrix<double> validated;        // (site, column); empty without validation
    Matrix<double> fossil;           // (sample, column)
    Matrix<double> bootstrapFossil;  // (sample, column); empty without bootstrap
    Matrix<double> s1;               // (sample, column)
    std::vector<double> s2;          // [column]
    std::vector<Figures> apparentFigures, validatedFigures;  // [column]
    int suggested = 0;  // WA-PLS components suggested by the validation; 0 without one
    // With a validation, per WA-PLS component c [1..components] (NaN for c = 1 and without a
    // validation): the change of the validated RMSE from c - 1 to c in per cent, and the p
    // value of the randomisation t-test of c against c - 1 (kComponentRandomisations, each
    // parameter and component on a stream of its own).
    std::vector<double> rmsepChange, componentP;
    WaModel wa;  // the fit to all sites (with tolerances when they were asked for)
    WaPlsModel wapls;
    std::vector<double> explained;       // [column] share of the fossil variance explained
    std::vector<double> pValue;          // [column]
    std::vector<double> firstComponent;  // [column] share of the fossil table's first component
};

struct Results {
    Settings settings;
    std::vector<Column> columns;
    std::vector<ParamResult> params;
    bool cancelled = false;
};

// How long work reports progress and is told to stop. Both are called on the calling thread.
struct Control {
    std::function<bool()> cancelled;
    std::function<void(int done, int total)> progress;
};

// Every estimate of every model for every parameter. Threads share the loops; the results
// do not depend on their number. A cancelled run returns with cancelled set and its results
// incomplete.
Results RunTransferFunctions(const Inputs& inputs, const Settings& settings,
                             const Control& control = {});

// The WA-PLS components suggested by cross-validated RMSEPs rmsep[1..P]: the smallest c
// whose next component lowers the RMSEP by less than 5 %. 0 when rmsep[1] is undefined.
int SuggestComponents(const std::vector<double>& rmsep);

}  // namespace tf
}  // namespace tarvex
