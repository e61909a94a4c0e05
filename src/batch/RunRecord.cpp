#include "batch/RunRecord.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "batch/BatchTransfer.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"

#ifndef TARVEX_VERSION
#define TARVEX_VERSION "unknown"
#endif

namespace tarvex {

namespace {

std::string OnOff(bool on)
{
    return on ? "on" : "off";
}

std::string Tenths(int tenths)
{
    return FormatNumber(tenths / 10.0);
}

std::string ListText(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
    return text;
}

std::string AxesText(const BatchOptions& options, const Workspace& ws)
{
    std::vector<int> axes = options.axes;
    if (axes.empty())
        for (int k = 1; k <= ws.selectedAxisCount; ++k) axes.push_back(ws.selectedAxes[k]);
    std::string text;
    for (const int eof : axes) text += (text.empty() ? "" : ",") + std::to_string(eof);
    return text;
}

std::string EnhancementText(Enhancement e)
{
    switch (e) {
        case Enhancement::SquareRoot:
            return "sqrt";
        case Enhancement::Log:
            return "log";
        default:
            return "none";
    }
}

std::string MinorTaxaText(MinorTaxaEnhancement e)
{
    switch (e) {
        case MinorTaxaEnhancement::SquareRoot:
            return "sqrt";
        case MinorTaxaEnhancement::Log:
            return "log";
        default:
            return "none";
    }
}

std::string WeightingText(Weighting w)
{
    switch (w) {
        case Weighting::None:
            return "none";
        case Weighting::Distance:
            return "distance";
        default:
            return "squared";
    }
}

// An ISO 8601 time in UTC: unambiguous wherever the record is read, unlike the locale's date
// of the result files' headers.
std::string UtcText(std::time_t when)
{
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> EffectiveOptions(const BatchOptions& options,
                                                                  const Workspace& ws,
                                                                  const RunSettled& settled)
{
    const AnalogueSettings& a = options.analogue;
    const calib::ChainSettings& chain = options.chain;
    const bool rangeGiven = !options.rangeLow.empty();
    const std::string low = rangeGiven ? options.rangeLow : settled.rangeLow;
    const std::string high = rangeGiven ? options.rangeHigh : settled.rangeHigh;
    std::vector<std::pair<std::string, std::string>> list = {
        {"--reference", options.referencePath},
        {"--fossil", options.fossilPath},
        {"--no-percent", OnOff(!options.choice.convertToPercent)},
        {"--enhance", EnhancementText(options.choice.enhancement)},
        {"--correlation", OnOff(options.choice.useCorrelation)},
        {"--covariance", OnOff(!options.choice.useCorrelation)},
        {"--accept-name-mismatches", OnOff(options.acceptNameMismatches)},
        {"--match-taxa-by-name", OnOff(options.matchTaxaByName)},
        {"--strict", OnOff(options.strict)},
        {"--zonation", OnOff(options.zonation)},
        {"--zonation-transform",
         options.zonationTransform == ZonationTransform::SquareRoot ? "sqrt" : "none"},
        {"--climate", options.climatePath},
        {"--accept-site-names", OnOff(options.acceptSiteNames)},
        {"--error-model", OnOff(options.errorModel)},
        {"--basis", a.basis == DistanceBasis::EofValues ? "eof" : "taxa"},
        {"--axes", AxesText(options, ws)},
        {"--analogue-enhance", MinorTaxaText(a.enhancement)},
        {"--analogues", std::to_string(a.kmin) + "-" + std::to_string(a.kmax)},
        {"--threshold", FormatNumber(a.thresholdSlider / 100.0)},
        {"--weighting", WeightingText(a.weighting)},
        {"--smoothing", std::to_string(a.smoothing)},
        {"--calibrate", OnOff(options.calibrate)},
        {"--calibration-param", std::to_string(options.calibrationParam)},
        {"--pairs", options.pairsPath},
        {"--model-pairs", options.modelPairsPath},
        {"--generated-model", std::to_string(chain.generatedSdPercent)},
        {"--calibration-range", low.empty() ? "" : low + "," + high},
        {"--smoothing-level", std::to_string(chain.smoothingLevel)},
        {"--vertical-threshold", std::to_string(chain.verticalThreshold)},
        {"--horizontal-threshold", std::to_string(chain.horizontalThreshold)},
        {"--skip-row-normalisation", OnOff(chain.skipRowNormalisation)},
        {"--coefficients", Tenths(chain.coefficient1) + "," + Tenths(chain.coefficient2)},
        {"--envelope", OnOff(options.envelope)},
        {"--report", options.reportPath},
        {"--report-parameters", ListText(options.reportParameters)},
        {"--figures", options.figuresDir},
        {"--diagram-min-percent", FormatNumber(options.diagram.minPercent)},
        {"--diagram-bars", OnOff(options.diagram.bars)},
        {"--diagram-exaggeration", OnOff(options.diagram.exaggeration)},
    };
    for (auto& option : EffectiveTransferOptions(options.transfer))
        list.push_back(std::move(option));
    list.emplace_back("--out", options.outDir);
    return list;
}

bool RunRecordText(const std::vector<std::string>& args, const BatchOptions& options,
                   const Workspace& ws, const RunSettled& settled, std::time_t when,
                   const RecordedInputs& inputs, std::string& text, std::string& error)
{
    RecordWriter w;
    w.Text("Tarvex batch run record");
    w.EndRecord();
    w.Text("Version").Text(TARVEX_VERSION);
    w.EndRecord();
    w.Text("Date and time (UTC)").Text(UtcText(when));
    w.EndRecord();
    // Relative paths on the command line are relative to this.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    w.Text("Working folder").Text(ec ? std::string() : folder.string());
    w.EndRecord();
    w.Text("Command line").Text("tarvex-batch");
    for (const std::string& arg : args) w.Text(arg);
    w.EndRecord();

    w.Text("Option").Text("Value");
    w.EndRecord();
    for (const auto& [option, value] : EffectiveOptions(options, ws, settled)) {
        w.Text(option).Text(value);
        w.EndRecord();
    }

    w.Text("Input").Text("Path").Text("Size (bytes)").Text("SHA-256");
    w.EndRecord();
    // Opening an input a second time could give other bytes (a file changed meanwhile) or
    // none at all (a pipe, read once); the record holds what the run imported.
    const std::pair<const char*, const std::string*> given[] = {
        {"--reference", &options.referencePath},
        {"--fossil", &options.fossilPath},
        {"--climate", &options.climatePath},
        {"--pairs", &options.pairsPath},
        {"--model-pairs", &options.modelPairsPath},
        {"--locations", &options.transfer.locationsPath}};
    for (const auto& [option, path] : given) {
        if (path->empty()) continue;
        const RecordedInput* read = nullptr;
        for (const RecordedInput& input : inputs)
            if (input.option == option && input.path == *path) read = &input;
        if (!read || read->digest.sha256.empty()) {
            error =
                "The run record has no digest of the input file " + *path + " (" + option + ").";
            return false;
        }
        w.Text(option)
            .Text(*path)
            .Integer(static_cast<long>(read->digest.size))
            .Text(read->digest.sha256);
        w.EndRecord();
    }
    text = w.str();
    return true;
}

}  // namespace tarvex
