#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "app/Workspace.h"
#include "batch/FigureRequest.h"
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
    // The envelope marks, the figures and the report.
    bool envelope = false;
    std::string reportPath;                     // empty: no report
    std::vector<std::string> reportParameters;  // names or numbers as given; empty: all
    std::string figuresDir;                     // empty: no figure files
    DiagramFigureOptions diagram;
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

// A whole-number option value from lo to hi, digits only; false with a message naming the
// option otherwise.
bool ParseSetting(const std::string& option, const std::string& text, int lo, int hi, int& out,
                  std::string& error);

// The data checks' findings on err, the lines the window's warning shows; with --strict they
// end the run before anything is written (false).
bool ReportChecks(const std::vector<std::string>& checks, const BatchOptions& options,
                  std::ostream& err);

// A file that could not be read: "WHAT PATH:", then its messages and the reason, a line each.
void PrintFailure(const std::string& what, const std::string& path,
                  const std::vector<std::string>& messages, const std::string& reason,
                  std::ostream& err);

// The climate table's site labels that differ from the reference sites' (rows `differing` of
// names and labels), as the window's questions: the first ten, how many more, and how to go
// on.
void PrintSiteNameQuestions(const std::string& path, const std::vector<int>& differing,
                            const std::vector<std::string>& names,
                            const std::vector<std::string>& labels, std::ostream& err);

// Adds an input file the run read to inputs, when given.
void RecordInput(RecordedInputs* inputs, const char* option, const std::string& path,
                 InputDigest digest);

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
// The same with the figure library's renderer; without one (nullptr) --report and --figures
// are refused.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             FigureRenderer* figures);

// ---- Envelope, figures and report ----

// Reads the figure or report option at args[i], moving i past its value: 1 when it was one,
// 0 when it is not such an option, -1 with error for a bad value.
int ParseFigureOption(const std::vector<std::string>& args, std::size_t& i, BatchOptions& options,
                      std::string& error);
// The checks of those options against the rest of the command line.
bool CheckFigureOptions(const BatchOptions& options, std::string& error);
// The envelope analysis of the fossil samples with --envelope, as "Envelop" runs it at its
// default tightness.
bool BatchEnvelopeStage(Workspace& ws, const BatchOptions& options, std::ostream& out);
// The parameters of --report-parameters by name or number; false with a message for one the
// climate table does not have.
bool ResolveReportParameters(const Workspace& ws, const BatchOptions& options,
                             std::vector<int>& params, std::string& error);
// What reconstruction.csv and the figures of a run hold beyond the workspace.
ReconstructionTableSettings TableSettingsOf(const Workspace& ws, const BatchOptions& options);
FigureSettings FigureSettingsOf(const Workspace& ws, const BatchOptions& options,
                                const std::vector<int>& params);
// Draws the report and the figure files when asked for and leaves them in files with their
// full paths.
bool BatchFigureStage(Workspace& ws, const BatchOptions& options, const std::vector<int>& params,
                      const std::string& runRecord, FigureRenderer* figures,
                      std::vector<std::pair<std::string, std::string>>& files, std::ostream& out,
                      std::ostream& err, const TransferFigureData& transfer = {});

}  // namespace tarvex
