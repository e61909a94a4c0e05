// The command line of tarvex-batch: its usage text and the reading of every option, with
// the checks a script needs before anything is read or computed.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <map>
#include <ostream>

#include "batch/BatchRun.h"
#include "batch/BatchTransfer.h"
#include "calib/CalibData.h"
#include "calib/CommonOutput.h"
#include "data/AtomicFile.h"
#include "data/FossilImport.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "diagram/EofSequenceFiles.h"
#include "eof/EofAnalysis.h"
#include "eof/ScoreFiles.h"
#include "mat/ClimateImport.h"
#include "mat/ReconFiles.h"

namespace tarvex {

std::string BatchUsage()
{
    return "Usage: tarvex-batch --reference FILE [--fossil FILE [--zonation]] [--no-percent]\n"
           "                    [--enhance sqrt|log] [--correlation|--covariance]\n"
           "                    [--accept-name-mismatches] [--match-taxa-by-name]\n"
           "                    [--strict] [--zonation-transform sqrt|none]\n"
           "                    [--climate FILE [--error-model] [reconstruction options]]\n"
           "                    [--calibrate [calibration options]] --out DIR\n"
           "       tarvex-batch --calibrate --pairs FILE --calibration-range LOW,HIGH\n"
           "                    [calibration options] --out DIR\n"
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
           "With --climate it reconstructs the climate by modern analogues: with --fossil it\n"
           "writes DIR/climate-curves.csv (every parameter along the fossil sequence, as \"All\n"
           "Climate Curves\" writes it) and DIR/analogue-quality.csv (each sample's distance to\n"
           "its closest reference site, and the 2.5, 5 and 10 % cut-offs of the reference\n"
           "sites' distances to their closest other site) and DIR/reconstruction.csv (one row\n"
           "per sample and parameter: estimate, smoothed value, analogues, closest distance,\n"
           "envelope and analogue flags and, for a calibrated parameter, mode, median and the\n"
           "ends of both confidence regions; a plain table for R's read.csv); with --error-model\n"
           "it reconstructs every reference site from the others and writes DIR/scatter-P.csv\n"
           "for every parameter P = 1, 2, ... (as the scatter diagram's \"Save\" writes it) and\n"
           "DIR/error-model-summary.csv (sites, RMSEP, R2, mean and maximum bias per parameter;\n"
           "an empty field where a figure is undefined).\n"
           "Every run that succeeds also writes DIR/run-record.csv: the program version, the\n"
           "time of the run (UTC), the working folder, the command line one argument per field,\n"
           "every option below with the value the run used (defaults filled in), and the\n"
           "path, size in bytes and SHA-256 of every input file. A failed run writes nothing,\n"
           "not even the record.\n"
           "\n"
           "  --reference FILE          modern reference pollen table (sites x taxa); required\n"
           "                            except for a zonation alone or --calibrate --pairs\n"
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
           "  --match-taxa-by-name      when the fossil table holds the reference taxa in\n"
           "                            another order, or some of them, match its columns to\n"
           "                            the reference taxa by name (case and surrounding blanks\n"
           "                            ignored; a reference taxon it lacks counts as 0)\n"
           "                            instead of by position (default: by position)\n"
           "  --strict                  stop the run (status 1, nothing written) when the data\n"
           "                            checks of an imported table or pair file find anything:\n"
           "                            value cells that are not numbers, text site labels in a\n"
           "                            table labelled by numbers, pair lines left out for a\n"
           "                            value beyond single precision; in pollen tables also\n"
           "                            negative values, rows of zeros, repeated rows, row\n"
           "                            totals more than ten times apart (default: list the\n"
           "                            findings on standard error and go on)\n"
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
           "  --climate FILE            modern climate table (reference sites x climate\n"
           "                            parameters, one row per reference site in the same\n"
           "                            order); needs --reference, and --fossil or --error-model\n"
           "                            (default: none, no reconstruction)\n"
           "  --accept-site-names       accept climate site labels that differ from the\n"
           "                            reference site labels of the same row (the rows are\n"
           "                            matched by position); without it (the default) a\n"
           "                            difference stops the run and every one is listed\n"
           "  --error-model             reconstruct every reference site from the others\n"
           "                            (default: off)\n"
           "  --basis taxa|eof          distance between samples and sites: the sum of squared\n"
           "                            differences of the taxa proportions (squared Euclidean\n"
           "                            distance; squared chord distance with --analogue-enhance\n"
           "                            sqrt) or of the contribution-weighted EOF scores\n"
           "                            (default: taxa)\n"
           "  --axes E1,E2,...          EOFs of the eof basis (default: 1,2, the program's\n"
           "                            selection after the EOF analysis)\n"
           "  --analogue-enhance none|sqrt|log\n"
           "                            enhance minor taxa in the taxa distance and transform\n"
           "                            the threshold alike (default: none; not with --enhance,\n"
           "                            whose data are enhanced already)\n"
           "  --analogues KMIN-KMAX     minimum (0 to 20) and maximum (1 to 20) number of\n"
           "                            analogues, KMIN not above KMAX (default: 0-8)\n"
           "  --threshold T             distance threshold, 0 to 2 in steps of 0.01\n"
           "                            (default: 0.2)\n"
           "  --weighting none|squared|distance\n"
           "                            inverse weighting of the analogues by the squared\n"
           "                            distance, by the distance, or none (default: squared)\n"
           "  --smoothing W             smoothing level of the curve, 1 to 10 (default: 3); of\n"
           "                            the files it changes only DIR/strativ-matrix.csv and\n"
           "                            the smoothed column of DIR/reconstruction.csv\n"
           "  --calibrate               calibrate and write DIR/calibration.csv in the common\n"
           "                            output format of the calibration window; data set 0 is\n"
           "                            the error model of --calibration-param (needs --climate;\n"
           "                            implies --error-model) or the pairs of --pairs. With\n"
           "                            --fossil and --climate the result is also returned to\n"
           "                            the reconstruction: DIR/meridan-matrix.csv holds the\n"
           "                            calibration matrix and DIR/strativ-matrix.csv the\n"
           "                            histogram along the smoothed fossil curve of the\n"
           "                            parameter, as \"Meridan Matrix\" and \"Strativ Matrix\"\n"
           "                            write them (histogram panel at its opening size,\n"
           "                            137 x 549 pixels: 801 levels)\n"
           "  --calibration-param P     climate parameter of data set 0, from 1 (default: 1)\n"
           "  --pairs FILE              data set 0 from a pair file such as scatter-P.csv, read\n"
           "                            as \"Import Vrec-Vest file\" reads it (default: none)\n"
           "  --model-pairs FILE        data set 1 from a pair file, read as \"Import Vest-Vobs\n"
           "                            file\" reads it (default: the generated model)\n"
           "  --generated-model SD      standard deviation of the generated model in percent of\n"
           "                            the range, 1 to 20 (default: 5)\n"
           "  --calibration-range LOW,HIGH\n"
           "                            calibration range; required with --pairs (default: the\n"
           "                            range the reconstruction window proposes for the\n"
           "                            parameter's fossil reconstruction, or without one that\n"
           "                            rounding of the range of its climate values)\n"
           "  --smoothing-level N       smoothing level in percent of the range, 1 to 20\n"
           "                            (default: 10)\n"
           "  --vertical-threshold N    row normalisation threshold in samples, 0 to 10\n"
           "                            (default: 2)\n"
           "  --horizontal-threshold N  column normalisation threshold in samples, 0 to 10\n"
           "                            (default: 1)\n"
           "  --skip-row-normalisation  leave the rows unnormalised (default: normalised)\n"
           "  --coefficients C1,C2      confidence coefficients in percent, 0 to 100 in steps\n"
           "                            of 0.1 (default: 68.2,95.4)\n"
           "  --envelope                mark the fossil samples outside the envelope of the\n"
           "                            reference sites in the space of the selected EOFs, as\n"
           "                            \"Envelop\" does at its default tightness 0.1; the marks\n"
           "                            go into reconstruction.csv and the figures (needs\n"
           "                            --fossil; default: off)\n"
           "  --report FILE.pdf         write a report: the run record, the pollen diagram with\n"
           "                            its zones, the score plots, the reconstruction and\n"
           "                            error-model figures of the chosen parameters, the\n"
           "                            error-model table, the analogue quality and, with\n"
           "                            --calibrate, the Strativ picture and the calibration\n"
           "                            chart (default: none)\n"
           "  --report-parameters P1,P2,...\n"
           "                            climate parameters of the report and the figures, by\n"
           "                            name or number (default: all)\n"
           "  --figures DIR             write each figure of the report as SVG and PDF into DIR\n"
           "                            (created when missing; default: none)\n"
           "  --diagram-min-percent P   leave out of the pollen diagram the taxa whose largest\n"
           "                            value is below P % (default: 0, every taxon)\n"
           "  --diagram-bars            draw the diagram's taxa as bars instead of filled\n"
           "                            silhouettes (default: off)\n"
           "  --diagram-exaggeration    add a hollow x10 exaggeration curve to every taxon of\n"
           "                            the diagram (default: off)\n" +
           TransferUsage() +
           "  --out DIR                 folder for the result files (created when missing);\n"
           "                            runs into one folder at the same time put their sets\n"
           "                            of files in place one whole set after the other\n"
           "  --help                    this text\n"
           "\n"
           "Messages go to standard error; a failed run exits with status 1, bad options\n"
           "(an option given twice among them) with status 2. Each input file is read once\n"
           "from start to end, so a pipe or FIFO serves as well as a file, and may hold up to\n"
           "128 MB (134217728 bytes): the largest table the limits below allow, written with\n"
           "15 significant digits, stays under it. When a table cannot be read, the line\n"
           "after the message says why: the file is missing, unreadable, a folder, a device\n"
           "or pipe that gave no data, or holds too much; the table has more than 9999 data\n"
           "rows or more columns than fit (499 value columns with text row labels, 500 with\n"
           "number row labels); a cell is empty, not a number, or longer than 1 MB (1048576\n"
           "bytes). Values beyond 1E+15 in magnitude are refused: the analysis would\n"
           "overflow.\n";
}

namespace {

// A whole number written with digits only (no sign, no point).
bool ParseWhole(const std::string& text, int& out)
{
    if (text.empty() || text.size() > 6) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = std::stoi(text);
    return true;
}

bool ParseAnalogueRange(const std::string& text, AnalogueSettings& settings, std::string& error)
{
    const std::size_t dash = text.find('-');
    int kmin = 0, kmax = 0;
    if (dash == std::string::npos || !ParseWhole(text.substr(0, dash), kmin) ||
        !ParseWhole(text.substr(dash + 1), kmax)) {
        error = "--analogues takes KMIN-KMAX such as 0-8, not '" + text + "'.";
        return false;
    }
    if (kmin > 20 || kmax < 1 || kmax > 20) {
        error = "--analogues: the minimum runs from 0 to 20 and the maximum from 1 to 20, not '" +
                text + "'.";
        return false;
    }
    // The window raises one slider to meet the other; a script that asks for this range has
    // most likely swapped them, and would get a reconstruction it did not ask for.
    if (kmin > kmax) {
        error = "--analogues: the minimum " + std::to_string(kmin) + " is above the maximum " +
                std::to_string(kmax) + ".";
        return false;
    }
    settings.kmin = kmin;
    settings.kmax = kmax;
    return true;
}

bool ParseThreshold(const std::string& text, AnalogueSettings& settings, std::string& error)
{
    double value = 0;
    if (StrictVal(text, value)) {
        // The slider moves in hundredths; 0.29 * 100 is a hair below 29 in binary.
        const double hundredths = RoundHalfEven(value * 100);
        if (std::fabs(value * 100 - hundredths) < 1e-6 && hundredths >= 0 && hundredths <= 200) {
            settings.thresholdSlider = static_cast<int>(hundredths);
            return true;
        }
    }
    error = "--threshold takes a value from 0 to 2 in steps of 0.01, not '" + text + "'.";
    return false;
}

bool ParseAxes(const std::string& text, std::vector<int>& axes, std::string& error)
{
    axes.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        int eof = 0;
        if (!ParseWhole(text.substr(start, comma - start), eof) || eof < 1) {
            error = "--axes takes EOF numbers from 1 up separated by commas, such as 1,2,3, not '" +
                    text + "'.";
            return false;
        }
        if (std::find(axes.begin(), axes.end(), eof) != axes.end()) {
            error = "--axes names EOF " + std::to_string(eof) + " twice.";
            return false;
        }
        axes.push_back(eof);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

// Splits "A,B" into its two texts; false unless there is exactly one comma.
bool SplitPair(const std::string& text, std::string& first, std::string& second)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
    first = text.substr(0, comma);
    second = text.substr(comma + 1);
    return true;
}

// Both ends must be plain numbers here: the window's leading-number reading would take
// "5x" for 5, which a script most likely did not mean.
bool ParseCalibrationRange(const std::string& text, BatchOptions& options, std::string& error)
{
    std::string low, high;
    double lo = 0, hi = 0;
    if (!SplitPair(text, low, high) || !StrictVal(low, lo) || !StrictVal(high, hi) ||
        !std::isfinite(lo) || !std::isfinite(hi)) {
        error = "--calibration-range takes LOW,HIGH such as 0,20, not '" + text + "'.";
        return false;
    }
    if (static_cast<float>(lo) == static_cast<float>(hi) ||
        !std::isfinite(static_cast<float>(lo)) || !std::isfinite(static_cast<float>(hi))) {
        error = "--calibration-range '" + text + "': " + calib::kInvalidRangeMessage;
        return false;
    }
    options.rangeLow = low;
    options.rangeHigh = high;
    return true;
}

// A percentage with at most one decimal from 0 to 100, in tenths as the sliders hold it.
bool ParseTenths(const std::string& text, int& tenths)
{
    double value = 0;
    if (!StrictVal(text, value)) return false;
    const double scaled = RoundHalfEven(value * 10);
    if (std::fabs(value * 10 - scaled) >= 1e-6 || scaled < 0 || scaled > 1000) return false;
    tenths = static_cast<int>(scaled);
    return true;
}

bool ParseCoefficients(const std::string& text, calib::ChainSettings& chain, std::string& error)
{
    std::string first, second;
    int c1 = 0, c2 = 0;
    if (!SplitPair(text, first, second) || !ParseTenths(first, c1) || !ParseTenths(second, c2)) {
        error =
            "--coefficients takes two percentages from 0 to 100 in steps of 0.1 such as "
            "68.2,95.4, not '" +
            text + "'.";
        return false;
    }
    chain.coefficient1 = c1;
    chain.coefficient2 = c2;
    return true;
}

}  // namespace

bool ParseSetting(const std::string& option, const std::string& text, int lo, int hi, int& out,
                  std::string& error)
{
    int v = 0;
    if (!ParseWhole(text, v) || v < lo || v > hi) {
        error = option + " takes a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not '" + text + "'.";
        return false;
    }
    out = v;
    return true;
}

bool ParseBatchOptions(const std::vector<std::string>& args, BatchOptions& options,
                       std::string& error)
{
    // The last reconstruction setting given, to name it when --climate is missing.
    std::string reconstructionOption;
    // The last calibration setting given, to name it when --calibrate is missing.
    std::string calibrationOption;
    bool paramGiven = false, generatedGiven = false;
    // Every setting once: a second --out, or --covariance after --correlation, would quietly
    // overrule the first, which a script most likely did not mean.
    std::map<std::string, std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) == 0 && a != "--help") {
            const std::string setting = a == "--covariance" ? "--correlation" : a;
            const auto [first, fresh] = given.emplace(setting, a);
            if (!fresh) {
                error = first->second == a ? "Option " + a + " is given twice."
                                           : first->second + " and " + a +
                                                 " choose the same setting; give one of them.";
                return false;
            }
        }
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
        } else if (a == "--match-taxa-by-name") {
            options.matchTaxaByName = true;
        } else if (a == "--strict") {
            options.strict = true;
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
        } else if (a == "--climate") {
            if (!value(options.climatePath)) return false;
        } else if (a == "--accept-site-names") {
            options.acceptSiteNames = true;
            reconstructionOption = a;
        } else if (a == "--error-model") {
            options.errorModel = true;
            reconstructionOption = a;
        } else if (a == "--basis") {
            std::string basis;
            if (!value(basis)) return false;
            if (basis == "taxa") {
                options.analogue.basis = DistanceBasis::TaxaProportions;
            } else if (basis == "eof") {
                options.analogue.basis = DistanceBasis::EofValues;
            } else {
                error = "--basis takes taxa or eof, not '" + basis + "'.";
                return false;
            }
            reconstructionOption = a;
        } else if (a == "--axes") {
            std::string axes;
            if (!value(axes) || !ParseAxes(axes, options.axes, error)) return false;
            reconstructionOption = a;
        } else if (a == "--analogue-enhance") {
            std::string mode;
            if (!value(mode)) return false;
            if (mode == "none") {
                options.analogue.enhancement = MinorTaxaEnhancement::None;
            } else if (mode == "sqrt") {
                options.analogue.enhancement = MinorTaxaEnhancement::SquareRoot;
            } else if (mode == "log") {
                options.analogue.enhancement = MinorTaxaEnhancement::Log;
            } else {
                error = "--analogue-enhance takes none, sqrt or log, not '" + mode + "'.";
                return false;
            }
            reconstructionOption = a;
        } else if (a == "--analogues") {
            std::string range;
            if (!value(range) || !ParseAnalogueRange(range, options.analogue, error)) return false;
            reconstructionOption = a;
        } else if (a == "--threshold") {
            std::string threshold;
            if (!value(threshold) || !ParseThreshold(threshold, options.analogue, error))
                return false;
            reconstructionOption = a;
        } else if (a == "--weighting") {
            std::string weighting;
            if (!value(weighting)) return false;
            if (weighting == "none") {
                options.analogue.weighting = Weighting::None;
            } else if (weighting == "squared") {
                options.analogue.weighting = Weighting::SquaredDistance;
            } else if (weighting == "distance") {
                options.analogue.weighting = Weighting::Distance;
            } else {
                error = "--weighting takes none, squared or distance, not '" + weighting + "'.";
                return false;
            }
            reconstructionOption = a;
        } else if (a == "--smoothing") {
            std::string level;
            if (!value(level)) return false;
            int w = 0;
            if (!ParseWhole(level, w) || w < 1 || w > 10) {
                error = "--smoothing takes a whole number from 1 to 10, not '" + level + "'.";
                return false;
            }
            options.analogue.smoothing = w;
            reconstructionOption = a;
        } else if (a == "--calibrate") {
            options.calibrate = true;
        } else if (a == "--pairs") {
            if (!value(options.pairsPath)) return false;
            calibrationOption = a;
        } else if (a == "--model-pairs") {
            if (!value(options.modelPairsPath)) return false;
            calibrationOption = a;
        } else if (a == "--calibration-param") {
            std::string text;
            if (!value(text) || !ParseSetting(a, text, 1, 10000, options.calibrationParam, error))
                return false;
            paramGiven = true;
            calibrationOption = a;
        } else if (a == "--generated-model") {
            std::string text;
            if (!value(text) ||
                !ParseSetting(a, text, 1, 20, options.chain.generatedSdPercent, error))
                return false;
            generatedGiven = true;
            calibrationOption = a;
        } else if (a == "--calibration-range") {
            std::string text;
            if (!value(text) || !ParseCalibrationRange(text, options, error)) return false;
            calibrationOption = a;
        } else if (a == "--smoothing-level") {
            std::string text;
            if (!value(text) || !ParseSetting(a, text, 1, 20, options.chain.smoothingLevel, error))
                return false;
            calibrationOption = a;
        } else if (a == "--vertical-threshold") {
            std::string text;
            if (!value(text) ||
                !ParseSetting(a, text, 0, 10, options.chain.verticalThreshold, error))
                return false;
            calibrationOption = a;
        } else if (a == "--horizontal-threshold") {
            std::string text;
            if (!value(text) ||
                !ParseSetting(a, text, 0, 10, options.chain.horizontalThreshold, error))
                return false;
            calibrationOption = a;
        } else if (a == "--skip-row-normalisation") {
            options.chain.skipRowNormalisation = true;
            calibrationOption = a;
        } else if (a == "--coefficients") {
            std::string text;
            if (!value(text) || !ParseCoefficients(text, options.chain, error)) return false;
            calibrationOption = a;
        } else if (const int figure = ParseFigureOption(args, i, options, error); figure != 0) {
            if (figure < 0) return false;
        } else {
            bool handled = false;
            if (!ParseTransferOption(args, i, options.transfer, handled, error)) return false;
            if (!handled) {
                error = "Unknown option '" + a + "'.";
                return false;
            }
        }
    }
    if (options.help) return true;
    if (!CheckTransferOptions(options, error)) return false;
    if (!options.calibrate && !calibrationOption.empty()) {
        error = calibrationOption + " needs --calibrate.";
        return false;
    }
    if (options.calibrate) {
        if (generatedGiven && !options.modelPairsPath.empty()) {
            error = "--generated-model and --model-pairs both give data set 1; choose one.";
            return false;
        }
        options.chain.generateModel = options.modelPairsPath.empty();
        if (!options.pairsPath.empty()) {
            if (paramGiven) {
                error =
                    "--calibration-param chooses the error model of a parameter; --pairs "
                    "gives data set 0 already.";
                return false;
            }
            if (options.rangeLow.empty()) {
                error =
                    "--pairs needs --calibration-range LOW,HIGH: there is no reconstruction "
                    "to propose a range.";
                return false;
            }
        } else {
            if (options.climatePath.empty()) {
                error =
                    "--calibrate needs --climate FILE (its error model gives data set 0) or "
                    "--pairs FILE.";
                return false;
            }
            // Data set 0 is the error model of this run, so --calibrate brings it along.
            options.errorModel = true;
        }
    }
    if (options.climatePath.empty() && !reconstructionOption.empty()) {
        error = reconstructionOption + " needs --climate FILE.";
        return false;
    }
    if (!options.climatePath.empty()) {
        if (options.referencePath.empty()) {
            error = "--climate needs --reference FILE: the climate table belongs to its sites.";
            return false;
        }
        if (options.fossilPath.empty() && !options.errorModel && !options.transfer.On()) {
            error =
                "--climate alone has nothing to do: add --fossil FILE to reconstruct the "
                "fossil sequence, --error-model for the error model, or both.";
            return false;
        }
        if (!options.axes.empty() && options.analogue.basis != DistanceBasis::EofValues) {
            error = "--axes chooses the EOFs of --basis eof; the taxa basis uses none.";
            return false;
        }
        // The window offers the enhancement only while the pre-treatment has not enhanced
        // the data already.
        if (options.analogue.enhancement != MinorTaxaEnhancement::None &&
            options.choice.enhancement != Enhancement::None) {
            error =
                "--analogue-enhance cannot be combined with --enhance: the data are "
                "enhanced already.";
            return false;
        }
    }
    if (options.zonation && options.fossilPath.empty()) {
        error = "--zonation needs --fossil FILE.";
        return false;
    }
    if (options.referencePath.empty() && !options.zonation && options.pairsPath.empty()) {
        error =
            "--reference FILE is required (only --fossil FILE --zonation and --calibrate "
            "--pairs FILE run without it).";
        return false;
    }
    if (options.referencePath.empty() && !options.fossilPath.empty() && !options.zonation) {
        error = "--fossil FILE needs --reference FILE unless it is only zoned (--zonation).";
        return false;
    }
    if (!CheckFigureOptions(options, error)) return false;
    if (options.outDir.empty()) {
        error = "--out DIR is required.";
        return false;
    }
    return true;
}

}  // namespace tarvex
