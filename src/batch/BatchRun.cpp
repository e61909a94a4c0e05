#include "batch/BatchRun.h"

#include <ctime>
#include <filesystem>
#include <ostream>

#include "data/AtomicFile.h"
#include "data/FossilImport.h"
#include "data/RecordWriter.h"
#include "data/ReferenceImport.h"
#include "eof/EofAnalysis.h"
#include "eof/ScoreFiles.h"

namespace tarvex {

std::string BatchUsage()
{
    return "Usage: tarvex-batch --reference FILE [--fossil FILE] [--no-percent]\n"
           "                    [--enhance sqrt|log] [--correlation|--covariance]\n"
           "                    [--accept-name-mismatches] --out DIR\n"
           "\n"
           "Runs the reference import, pre-treatment, EOF analysis and (with --fossil) the\n"
           "fossil import and projection of the desktop program, and writes\n"
           "DIR/loading.csv, DIR/reference-scores.csv and DIR/fossil-scores.csv.\n"
           "\n"
           "  --reference FILE          modern reference pollen table (sites x taxa)\n"
           "  --fossil FILE             fossil pollen table with the same taxa in the same order\n"
           "  --no-percent              analyse the values as they are, without converting each\n"
           "                            site or sample to proportions of its total\n"
           "  --enhance sqrt|log        enhance minor taxa by a square root or a logarithm of\n"
           "                            the proportions\n"
           "  --correlation             EOFs of the correlation matrix between taxa\n"
           "  --covariance              EOFs of the variance/covariance matrix (default)\n"
           "  --accept-name-mismatches  accept fossil taxon names that differ from the\n"
           "                            reference names of the same column (the columns are\n"
           "                            matched by position); without it a mismatch stops the run\n"
           "  --out DIR                 folder for the result files (created when missing)\n"
           "  --help                    this text\n"
           "\n"
           "Messages go to standard error; a failed run exits with status 1, bad options\n"
           "with status 2.\n";
}

bool ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& options,
                       std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) {
                error = "Option " + a + " needs a value.";
                return false;
            }
            target = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--reference") {
            if (!value(options.referencePath)) return false;
        } else if (a == "--fossil") {
            if (!value(options.fossilPath)) return false;
        } else if (a == "--out") {
            if (!value(options.outDir)) return false;
        } else if (a == "--no-percent") {
            options.choice.convertToPercent = false;
        } else if (a == "--enhance") {
            std::string mode;
            if (!value(mode)) return false;
            if (mode == "sqrt") {
                options.choice.enhancement = Enhancement::SquareRoot;
            } else if (mode == "log") {
                options.choice.enhancement = Enhancement::Log;
            } else {
                error = "--enhance takes sqrt or log, not '" + mode + "'.";
                return false;
            }
        } else if (a == "--correlation") {
            options.choice.useCorrelation = true;
        } else if (a == "--covariance") {
            options.choice.useCorrelation = false;
        } else if (a == "--accept-name-mismatches") {
            options.acceptNameMismatches = true;
        } else {
            error = "Unknown option '" + a + "'.";
            return false;
        }
    }
    if (options.help) return true;
    if (options.referencePath.empty()) {
        error = "--reference FILE is required.";
        return false;
    }
    if (options.outDir.empty()) {
        error = "--out DIR is required.";
        return false;
    }
    return true;
}

bool BatchReferenceStage(Workspace& ws, const BatchOptions& options, std::ostream& err)
{
    const ImportOutcome outcome = ImportReferenceTable(ws, options.referencePath);
    if (outcome.ok) return true;
    err << "Reference data " << options.referencePath << ":\n";
    for (const std::string& m : outcome.messages) err << m << "\n";
    return false;
}

bool BatchEofStage(Workspace& ws, const BatchOptions& options, std::ostream& out)
{
    PretreatReference(ws, options.choice);
    ComputeEofResults(ws, {});
    out << "Reference data: " << ws.refSiteCount << " sites x " << ws.refTaxonCount << " taxa\n";
    for (int k = 1; k <= std::min<int>(ws.taxonCount, 3); ++k)
        out << "EOF " << k << ": " << ws.eofContribution[k] << " % (cumulative "
            << ws.eofCumulative[k] << " %)\n";
    return true;
}

bool BatchFossilStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                      std::ostream& err)
{
    if (options.fossilPath.empty()) return true;
    std::vector<std::string> refused;
    const ImportOutcome outcome =
        ImportFossilTable(ws, options.fossilPath, options.choice, [&](const std::string& question) {
            if (options.acceptNameMismatches) return true;
            refused.push_back(question);
            return false;
        });
    if (!outcome.ok) {
        err << "Fossil data " << options.fossilPath << ":\n";
        for (const std::string& m : outcome.messages) err << m << "\n";
        for (const std::string& q : refused)
            err << q
                << "\nTaxon names differ; run with --accept-name-mismatches to match the "
                   "columns by position anyway.\n";
        return false;
    }
    if (!ProjectFossil(ws, {})) {
        err << "Fossil data " << options.fossilPath << ": the projection failed.\n";
        return false;
    }
    out << "Fossil data: " << ws.fossilSampleCount << " samples, " << ws.taxonNameMatches[0]
        << " accepted name mismatches\n";
    return true;
}

bool BatchWriteStage(const Workspace& ws, const BatchOptions& options, const std::string& dateTime,
                     std::ostream& out, std::ostream& err)
{
    const std::filesystem::path dir(options.outDir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        err << "The folder " << options.outDir << " could not be created: " << ec.message() << "\n";
        return false;
    }

    // Every result file of the run as (name, text). They are put in place together, so a
    // failure never leaves new files beside old ones of an earlier run; allFinite collects
    // the check of every file, and one number that is not finite refuses them all.
    bool allFinite = true;
    std::vector<std::pair<std::string, std::string>> files{
        {"loading.csv", LoadingFileText(ws, dateTime, {}, &allFinite)},
        {"reference-scores.csv",
         ReferenceScoreFileText(ws, options.choice, dateTime, {}, &allFinite)}};
    if (!options.fossilPath.empty())
        files.emplace_back("fossil-scores.csv",
                           FossilScoreFileText(ws, options.choice, dateTime, {}, &allFinite));
    if (!allFinite) {
        err << kNonFiniteResultsMessage << " Folder: " << options.outDir << "\n";
        return false;
    }

    for (auto& file : files) file.first = (dir / file.first).string();
    std::string reason;
    if (!WriteFilesAtomically(files, &reason)) {
        err << "The result files could not be written. " << reason << "\n";
        return false;
    }
    for (const auto& file : files) out << "Wrote " << file.first << "\n";
    return true;
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    BatchOptions options;
    std::string error;
    if (!ParseBatchOptions(args, options, error)) {
        err << error << "\n\n" << BatchUsage();
        return 2;
    }
    if (options.help) {
        out << BatchUsage();
        return 0;
    }
    Workspace ws;
    if (!BatchReferenceStage(ws, options, err)) return 1;
    if (!BatchEofStage(ws, options, out)) return 1;
    if (!BatchFossilStage(ws, options, out, err)) return 1;
    if (!BatchWriteStage(ws, options, DateTimeText(std::time(nullptr)), out, err)) return 1;
    return 0;
}

}  // namespace tarvex
