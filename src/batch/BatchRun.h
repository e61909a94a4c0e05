#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "app/Workspace.h"
#include "batch/TransferOptions.h"
#include "calib/CalibModel.h"
#include "data/InputFile.h"
#include "diagram/Coniss.h"
#include "eof/Pretreatment.h"
#include "mat/Analogues.h"

namespace tarvex {

// What a scripted run does, from the command line of tarvex-batch.
struct BatchOptions {
    std::string referencePath;
    std::string fossilPath;  // empty: no fossil stage
    std::string outDir;
    PretreatmentChoice choice;  // defaults: percentages, no enhancement, covariance
    bool acceptNameMismatches = false;
    // Fossil columns matched to the reference taxa by name when the table holds them in
    // another order (or a subset); by position otherwise, as the window's "No" does.
    bool matchTaxaByName = false;
    // The data checks of the pollen imports stop the run instead of only being listed.
    bool strict = false;
    // Zonation files of the fossil sequence; the transform is that of the classic clustering.
    bool zonation = false;
    ZonationTransform zonationTransform = ZonationTransform::SquareRoot;
    // The reconstruction: the climate table of the reference sites and the settings of the
    // reconstruction window, with its defaults.
    std::string climatePath;  // empty: no reconstruction
    AnalogueSettings analogue;
    std::vector<int> axes;  // EOFs of the EOF basis; empty: the program's default selection
    bool errorModel = false;
    bool acceptSiteNames = false;
    // The calibration: data set 0 from the error model of one parameter or from a pair file,
    // data set 1 from a pair file or the generated model, and the calibration window's
    // settings with its defaults.
    bool calibrate = false;
    std::string pairsPath;            // empty: the error model of calibrationParam
    int calibrationParam = 1;         // 1..climate parameters
    std::string modelPairsPath;       // empty: the generated model
    std::string rangeLow, rangeHigh;  // empty: the proposed range of the parameter
    calib::ChainSettings chain;       // generateModel follows modelPairsPath
    TransferOptions transfer;
    // The reference table holds more sites than the workspace: only the transfer functions
    // run, and only their files are written.
    bool transferOnly = false;
    bool help = false;
};

std::string BatchUsage();

// An input file as the run read it: the option that named it, its path, and the size and
// SHA-256 of the bytes imported from it, for the run record.
struct RecordedInput {
    std::string option;
    std::string path;
    InputDigest digest;
};
using RecordedInputs = std::vector<RecordedInput>;

// Reads the options; false with a message for anything it does not understand.
bool ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& options,
                       std::string& error);

// The stages of a run, each on the workspace. Each returns false after writing its messages
// to err. Those that read an input file add it to inputs when given.
bool BatchReferenceStage(Workspace& ws, const BatchOptions& options, std::ostream& err,
                         RecordedInputs* inputs = nullptr);
bool BatchEofStage(Workspace& ws, const BatchOptions& options, std::ostream& out);
bool BatchFossilStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                      std::ostream& err, RecordedInputs* inputs = nullptr);
// Without a reference table only the fossil table is read (with the fossil import's reading
// and percentage conversion), for the zonation.
bool BatchFossilOnlyStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                          std::ostream& err, RecordedInputs* inputs = nullptr);
// Checks that the fossil proportions can be zoned and prints a summary of both clusterings.
bool BatchZonationStage(const Workspace& ws, const BatchOptions& options, std::ostream& out,
                        std::ostream& err);
// zonation.csv and zonation-iss.csv of the fossil proportions; positions are sample numbers.
std::vector<std::pair<std::string, std::string>> ZonationFiles(const Workspace& ws,
                                                               const BatchOptions& options);
// Reads the climate table and checks it against the reference sites; differing site names
// stop the run unless acceptSiteNames.
bool BatchClimateStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                       std::ostream& err, RecordedInputs* inputs = nullptr);
// The fossil reconstruction (with --fossil) and the error model (with --error-model).
bool BatchReconstructionStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                              std::ostream& err);
// climate-curves.csv with --fossil; scatter-P.csv for every parameter and
// error-model-summary.csv with --error-model.
std::vector<std::pair<std::string, std::string>> ReconstructionFiles(const Workspace& ws,
                                                                     const BatchOptions& options,
                                                                     bool* allFinite);
// The calibration range of a run without --calibration-range: the proposed display range of
// the parameter's fossil reconstruction, or the range of its climate values when there is no
// fossil reconstruction of it. False when neither has a value.
bool DefaultCalibrationRange(const Workspace& ws, int param, std::string& low, std::string& high);
// Runs the calibration chain and leaves calibration.csv in files; with a fossil
// reconstruction also returns the calibration to it, builds the Strativ histogram along the
// parameter's curve and leaves meridan-matrix.csv and strativ-matrix.csv.
// rangeUsed, when given, receives the calibration range the chain ran over.
bool BatchCalibrationStage(Workspace& ws, const BatchOptions& options, const std::string& dateTime,
                           std::vector<std::pair<std::string, std::string>>& files,
                           std::ostream& out, std::ostream& err,
                           std::pair<std::string, std::string>* rangeUsed = nullptr,
                           RecordedInputs* inputs = nullptr);
// extraFiles are written together with the files of the other stages.
bool BatchWriteStage(const Workspace& ws, const BatchOptions& options, const std::string& dateTime,
                     std::ostream& out, std::ostream& err,
                     const std::vector<std::pair<std::string, std::string>>& extraFiles = {});

// The whole run: 0 on success, 1 when a stage fails, 2 for bad options.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvex
