#include "batch/BatchRun.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <ostream>

#include "data/AtomicFile.h"
#include "data/FossilImport.h"
#include "data/RecordWriter.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "diagram/EofSequenceFiles.h"
#include "eof/EofAnalysis.h"
#include "eof/ScoreFiles.h"

namespace tarvex {

std::string BatchUsage()
{
    return "Usage: tarvex-batch --reference FILE [--fossil FILE [--zonation]] [--no-percent]\n"
           "                    [--enhance sqrt|log] [--correlation|--covariance]\n"
           "                    [--accept-name-mismatches] [--zonation-transform sqrt|none]\n"
           "                    --out DIR\n"
           "       tarvex-batch --fossil FILE --zonation [--no-percent]\n"
           "                    [--zonation-transform sqrt|none] --out DIR\n"
           "\n"
           "Runs the reference import, pre-treatment, EOF analysis and (with --fossil) the\n"
           "fossil import and projection of the desktop program, and writes\n"
           "DIR/loading.csv, DIR/reference-scores.csv and, with --fossil, DIR/fossil-scores.csv\n"
           "and DIR/eof-sequence.csv (the EOF scores of every fossil sample, as \"Save All EOF\"\n"
           "of the diagram writes them).\n"
           "With --zonation it also zones the fossil sequence and writes DIR/zonation.csv and\n"
           "DIR/zonation-iss.csv. Without --reference only the fossil table is read (with the\n"
           "fossil import's conversion to proportions) and only these two files are written.\n"
           "\n"
           "  --reference FILE          modern reference pollen table (sites x taxa); required\n"
           "                            except for a zonation alone\n"
           "  --fossil FILE             fossil pollen table with the same taxa in the same order\n"
           "                            (default: none, no fossil stage)\n"
           "  --no-percent              analyse the values as they are, without converting each\n"
           "                            site or sample to proportions of its total (default:\n"
           "                            convert to proportions)\n"
           "  --enhance sqrt|log        enhance minor taxa by a square root or a logarithm of\n"
           "                            the proportions (default: no enhancement)\n"
           "  --correlation             EOFs of the correlation matrix between taxa\n"
           "  --covariance              EOFs of the variance/covariance matrix (default)\n"
           "  --accept-name-mismatches  accept fossil taxon names that differ from the\n"
           "                            reference names of the same column (the columns are\n"
           "                            matched by position); without it (the default) a\n"
           "                            mismatch stops the run\n"
           "  --zonation                zone the fossil sequence (needs --fossil; default: off):\n"
           "                            zonation.csv holds the merges of the CONISS window's\n"
           "                            clustering of the fossil proportions (merge, first sample\n"
           "                            of the upper cluster, its size, the level as a single-\n"
           "                            precision distance); zonation-iss.csv the merges of the\n"
           "                            classic incremental-sum-of-squares clustering (first\n"
           "                            samples of both clusters, increment, total dispersion)\n"
           "                            and the number of significant zones by the broken stick\n"
           "  --zonation-transform sqrt|none\n"
           "                            transform of the proportions for the classic clustering:\n"
           "                            square root (default) or none\n"
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
        } else if (a == "--zonation") {
            options.zonation = true;
        } else if (a == "--zonation-transform") {
            std::string mode;
            if (!value(mode)) return false;
            if (mode == "sqrt") {
                options.zonationTransform = ZonationTransform::SquareRoot;
            } else if (mode == "none") {
                options.zonationTransform = ZonationTransform::None;
            } else {
                error = "--zonation-transform takes sqrt or none, not '" + mode + "'.";
                return false;
            }
        } else {
            error = "Unknown option '" + a + "'.";
            return false;
        }
    }
    if (options.help) return true;
    if (options.zonation && options.fossilPath.empty()) {
        error = "--zonation needs --fossil FILE.";
        return false;
    }
    if (options.referencePath.empty() && !options.zonation) {
        error = "--reference FILE is required (only --fossil FILE --zonation runs without it).";
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

bool BatchFossilOnlyStage(Workspace& ws, const BatchOptions& options, std::ostream& out,
                          std::ostream& err)
{
    TableReadResult read = ReadDataTableFile(options.fossilPath);
    std::vector<std::string> messages;
    if (read.status != TableStatus::Ok)
        messages = TableFailureMessages(read.status);
    else if (!HasNonEmptySample(read.table))
        messages.push_back(kFormatErrorMessage);
    if (!messages.empty()) {
        err << "Fossil data " << options.fossilPath << ":\n";
        for (const std::string& m : messages) err << m << "\n";
        return false;
    }
    CommitFossilTable(ws, std::move(read.table), options.fossilPath, {}, options.choice);
    out << "Fossil data: " << ws.fossilSampleCount << " samples x " << ws.fossilTaxonCount
        << " taxa\n";
    return true;
}

namespace {

std::vector<float> SampleNumbers(int samples)
{
    std::vector<float> positions(static_cast<std::size_t>(std::max(samples, 0)) + 1, 0.0f);
    for (int i = 1; i <= samples; ++i) positions[i] = static_cast<float>(i);
    return positions;
}

}  // namespace

bool BatchZonationStage(const Workspace& ws, const BatchOptions& options, std::ostream& out,
                        std::ostream& err)
{
    const int n = ws.fossilSampleCount;
    const int t = ws.fossilTaxonCount;
    const std::string problem =
        ZonationDataProblem(ws.fossilProportions, n, t, options.zonationTransform);
    const int merges = std::max(n - 1, 0);
    std::string failure;
    if (!problem.empty()) {
        failure = problem;
    } else {
        // Finite values can still be too large for the single-precision distances of the
        // program's clustering, or for the squares of the classic one; both then stop early.
        const ConissState state = RunConiss(ws.fossilProportions, n, t, SampleNumbers(n));
        const IssZonation classic =
            ClassicConiss(ws.fossilProportions, n, t, options.zonationTransform, SampleNumbers(n));
        if (static_cast<int>(state.merges.size()) - 1 != merges ||
            static_cast<int>(classic.merges.size()) - 1 != merges)
            failure =
                "the distances between the samples exceed the range of the numbers the "
                "clustering computes with; convert the values to proportions.";
        else
            out << "Zonation: " << merges << " merges, " << classic.significantZones
                << (classic.significantZones == 1 ? " significant zone" : " significant zones")
                << " (broken stick, "
                << (options.zonationTransform == ZonationTransform::SquareRoot ? "square roots"
                                                                               : "untransformed")
                << ")\n";
    }
    if (failure.empty()) return true;
    err << "Zonation of " << options.fossilPath << ":\n" << failure << "\n";
    return false;
}

std::vector<std::pair<std::string, std::string>> ZonationFiles(const Workspace& ws,
                                                               const BatchOptions& options)
{
    const int n = ws.fossilSampleCount;
    const int t = ws.fossilTaxonCount;
    const std::vector<float> positions = SampleNumbers(n);
    return {{"zonation.csv", ZonationFileText(RunConiss(ws.fossilProportions, n, t, positions))},
            {"zonation-iss.csv",
             ZonationIssFileText(
                 ClassicConiss(ws.fossilProportions, n, t, options.zonationTransform, positions))}};
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
    std::vector<std::pair<std::string, std::string>> files;
    if (!options.referencePath.empty()) {
        files = {{"loading.csv", LoadingFileText(ws, dateTime, {}, &allFinite)},
                 {"reference-scores.csv",
                  ReferenceScoreFileText(ws, options.choice, dateTime, {}, &allFinite)}};
        if (!options.fossilPath.empty()) {
            files.emplace_back("fossil-scores.csv",
                               FossilScoreFileText(ws, options.choice, dateTime, {}, &allFinite));
            files.emplace_back("eof-sequence.csv", AllEofSequenceFileText(ws, {}, &allFinite));
        }
    }
    if (options.zonation)
        for (auto& file : ZonationFiles(ws, options)) files.push_back(std::move(file));
    for (const auto& [name, text] : files)
        if (text.empty()) {
            err << "Nothing to write into " << name << ": its results are missing.\n";
            return false;
        }
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
    if (options.referencePath.empty()) {
        if (!BatchFossilOnlyStage(ws, options, out, err)) return 1;
    } else {
        if (!BatchReferenceStage(ws, options, err)) return 1;
        if (!BatchEofStage(ws, options, out)) return 1;
        if (!BatchFossilStage(ws, options, out, err)) return 1;
    }
    if (options.zonation && !BatchZonationStage(ws, options, out, err)) return 1;
    if (!BatchWriteStage(ws, options, DateTimeText(std::time(nullptr)), out, err)) return 1;
    return 0;
}

}  // namespace tarvex
