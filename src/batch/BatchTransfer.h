#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchRun.h"
#include "batch/FigureRequest.h"
#include "data/TableReader.h"

namespace tarvex {

// The usage lines of the transfer-function options, in the order the run record lists them.
std::string TransferUsage();

// Reads args[i] (and its value) when it is a transfer-function option: handled tells whether
// it was one; false with error for a bad value.
bool ParseTransferOption(const std::vector<std::string>& args, std::size_t& i,
                         TransferOptions& transfer, bool& handled, std::string& error);

// The checks once every option is read: what each option needs.
bool CheckTransferOptions(BatchOptions& options, std::string& error);

// The run settings of checked options, and the options that give a run's settings (with the
// location table it read for h-block); the model choice is left as it is.
tf::Settings SettingsOf(const TransferOptions& t);
TransferOptions OptionsOf(const tf::Settings& s, const std::string& locationsPath);

// The command-line options that give the checked options t, defaults left out: what a window
// report records for the transfer functions it holds. Empty when t runs none.
std::vector<std::string> TransferCommandLine(const TransferOptions& t);

// The options with the values a run used, as the run record lists them.
std::vector<std::pair<std::string, std::string>> EffectiveTransferOptions(
    const TransferOptions& transfer);

// The transfer functions on the workspace of a run (reference, climate and fossil tables as
// the other stages read them); adds their files to files and the location table to inputs,
// and keeps the run for the figures in figures.
bool BatchTransferStage(const Workspace& ws, const BatchOptions& options, std::ostream& out,
                        std::ostream& err, std::vector<std::pair<std::string, std::string>>& files,
                        RecordedInputs* inputs = nullptr, TransferFigureData* figures = nullptr);

// The reference stage of a run with --transfer: the table is read once, up to
// kTransferMaxSites rows. One within the workspace's limit goes into the workspace as the
// reference stage puts it there; a larger one is left in large (status Ok) for
// RunTransferOnly, the workspace untouched.
bool TransferReferenceStage(Workspace& ws, const BatchOptions& options, std::ostream& err,
                            RecordedInputs* inputs, TableReadResult& large);

// The run of a reference table larger than the workspace: reads the climate, fossil and
// location tables without the workspace, runs the transfer functions (the analogue method on
// taxa proportions) and writes their files and the run record. The exit status of the run.
int RunTransferOnly(const std::vector<std::string>& args, BatchOptions options,
                    TableReadResult reference, RecordedInputs inputs, std::ostream& out,
                    std::ostream& err);

}  // namespace tarvex
