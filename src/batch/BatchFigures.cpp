// The batch's envelope marks, figures and report: the options, the stages that prepare what
// the figures show, and the hand-over to the figure library.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "batch/BatchRun.h"
#include "calib/ChartData.h"
#include "data/NumberText.h"
#include "plots/Envelope.h"
#include "settings/ColourScheme.h"

namespace tarvex {

namespace {

bool EndsWithPdf(const std::string& path)
{
    if (path.size() < 5) return false;
    std::string suffix = path.substr(path.size() - 4);
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".pdf" && path[path.size() - 5] != '/';
}

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

bool WholeNumber(const std::string& text, int& out)
{
    if (text.empty() || text.size() > 6) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = std::stoi(text);
    return true;
}

std::string Absolute(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

}  // namespace

int ParseFigureOption(const std::vector<std::string>& args, std::size_t& i, BatchOptions& options,
                      std::string& error)
{
    const std::string& a = args[i];
    auto value = [&](std::string& target) {
        if (i + 1 >= args.size()) {
            error = "Option " + a + " needs a value.";
            return false;
        }
        target = args[++i];
        return true;
    };
    if (a == "--envelope") {
        options.envelope = true;
    } else if (a == "--report") {
        if (!value(options.reportPath)) return -1;
        if (!EndsWithPdf(options.reportPath)) {
            error = "--report writes a PDF file; give a name ending in .pdf, not '" +
                    options.reportPath + "'.";
            return -1;
        }
    } else if (a == "--report-parameters") {
        std::string list;
        if (!value(list)) return -1;
        options.reportParameters = SplitList(list);
        for (const std::string& item : options.reportParameters)
            if (item.empty()) {
                error =
                    "--report-parameters takes climate parameter names or numbers separated "
                    "by commas, such as 1,3 or Tcold,Pann, not '" +
                    list + "'.";
                return -1;
            }
    } else if (a == "--figures") {
        if (!value(options.figuresDir)) return -1;
        if (options.figuresDir.empty()) {
            error = "--figures needs a folder.";
            return -1;
        }
    } else if (a == "--diagram-min-percent") {
        std::string text;
        if (!value(text)) return -1;
        double p = 0;
        if (!StrictVal(text, p) || !(p >= 0 && p <= 100)) {
            error = "--diagram-min-percent takes a percentage from 0 to 100, not '" + text + "'.";
            return -1;
        }
        options.diagram.minPercent = p;
    } else if (a == "--diagram-bars") {
        options.diagram.bars = true;
    } else if (a == "--diagram-exaggeration") {
        options.diagram.exaggeration = true;
    } else {
        return 0;
    }
    return 1;
}

bool CheckFigureOptions(const BatchOptions& options, std::string& error)
{
    if (options.envelope && (options.referencePath.empty() || options.fossilPath.empty())) {
        error =
            "--envelope needs --reference FILE and --fossil FILE: it marks fossil samples "
            "against the reference sites.";
        return false;
    }
    const bool drawing = !options.reportPath.empty() || !options.figuresDir.empty();
    const DiagramFigureOptions defaults;
    const char* diagramOption = options.diagram.bars           ? "--diagram-bars"
                                : options.diagram.exaggeration ? "--diagram-exaggeration"
                                : options.diagram.minPercent != defaults.minPercent
                                    ? "--diagram-min-percent"
                                    : nullptr;
    if (!drawing && diagramOption) {
        error = std::string(diagramOption) + " needs --report FILE.pdf or --figures DIR.";
        return false;
    }
    if (!options.reportParameters.empty()) {
        if (!drawing) {
            error = "--report-parameters needs --report FILE.pdf or --figures DIR.";
            return false;
        }
        if (options.climatePath.empty()) {
            error = "--report-parameters chooses climate parameters; it needs --climate FILE.";
            return false;
        }
    }
    return true;
}

bool BatchEnvelopeStage(Workspace& ws, const BatchOptions& options, std::ostream& out)
{
    if (!options.envelope) return true;
    RunEnvelopeAnalysis(ws, ws.envelopeRandom, ws.envelopeTightness, {});
    int outside = 0;
    for (int i = 1; i <= ws.fossilSampleCount; ++i)
        if (i < static_cast<int>(ws.fossilOutside.size()) && ws.fossilOutside[i]) ++outside;
    out << "Envelope: " << outside << " of " << ws.fossilSampleCount
        << " samples outside (tightness " << FormatSingle(ws.envelopeTightness) << ")\n";
    return true;
}

bool ResolveReportParameters(const Workspace& ws, const BatchOptions& options,
                             std::vector<int>& params, std::string& error)
{
    params.clear();
    for (const std::string& item : options.reportParameters) {
        int p = 0;
        // A name first: a climate table may well name a parameter "1".
        for (int k = 1; k <= ws.climateParamCount; ++k)
            if (k < static_cast<int>(ws.climateParamNames.size()) &&
                ws.climateParamNames[k] == item)
                p = k;
        if (p == 0 && WholeNumber(item, p) && (p < 1 || p > ws.climateParamCount)) p = 0;
        if (p == 0) {
            error = "--report-parameters: the climate table has no parameter '" + item +
                    "' (it has " + std::to_string(ws.climateParamCount) +
                    " parameters, named in its header).";
            return false;
        }
        if (std::find(params.begin(), params.end(), p) == params.end()) params.push_back(p);
    }
    return true;
}

std::vector<int> FigureParameters(const Workspace& ws, const FigureSettings& settings)
{
    std::vector<int> params;
    for (const int p : settings.parameters)
        if (p >= 1 && p <= ws.climateParamCount) params.push_back(p);
    if (params.empty() && settings.parameters.empty())
        for (int p = 1; p <= ws.climateParamCount; ++p) params.push_back(p);
    return params;
}

ReconstructionTableSettings TableSettingsOf(const Workspace& ws, const BatchOptions& options)
{
    ReconstructionTableSettings s;
    s.smoothing = options.analogue.smoothing;
    s.calibratedParam = options.calibrate && ws.calibReturned ? options.calibrationParam : 0;
    s.coefficient1 = options.chain.coefficient1;
    s.coefficient2 = options.chain.coefficient2;
    s.envelopeKnown = ws.envelopeDone;
    return s;
}

FigureSettings FigureSettingsOf(const Workspace& ws, const BatchOptions& options,
                                const std::vector<int>& params)
{
    FigureSettings s;
    s.table = TableSettingsOf(ws, options);
    s.diagram = options.diagram;
    s.diagram.transform = options.zonationTransform;
    s.parameters = params;
    return s;
}

bool BatchFigureStage(Workspace& ws, const BatchOptions& options, const std::vector<int>& params,
                      const std::string& runRecord, FigureRenderer* figures,
                      std::vector<std::pair<std::string, std::string>>& files, std::ostream& out,
                      std::ostream& err, const TransferFigureData& transfer)
{
    if (options.reportPath.empty() && options.figuresDir.empty()) return true;
    if (!figures) {
        err << "This build of tarvex-batch has no figure library: --report and --figures are "
               "not available.\n";
        return false;
    }
    // The colours a window starts with: the program applies its preset at start-up.
    ApplyColourPreset(ws.colours);
    FigureRequest request;
    request.settings = FigureSettingsOf(ws, options, params);
    request.settings.transfer = transfer;
    // The calibration chart draws the probabilities resampled at half steps.
    if (options.calibrate && ws.calibMatrices.size() == 9) {
        calib::PrepareChartData(ws, options.chain.coefficient1, options.chain.coefficient2);
        request.settings.chart = true;
        request.settings.chartParam = options.pairsPath.empty() ? options.calibrationParam : 0;
    }
    // Their folders are made as --out's is.
    auto makeFolder = [&err](const std::filesystem::path& folder) {
        std::error_code ec;
        if (folder.empty() || std::filesystem::create_directories(folder, ec) || !ec) return true;
        err << "The folder " << folder.string() << " could not be created: " << ec.message()
            << "\n";
        return false;
    };
    if (!options.reportPath.empty()) {
        request.reportPath = Absolute(options.reportPath);
        if (!makeFolder(std::filesystem::path(request.reportPath).parent_path())) return false;
    }
    if (!options.figuresDir.empty()) {
        request.figuresDir = Absolute(options.figuresDir);
        if (!makeFolder(request.figuresDir)) return false;
    }
    request.runRecord = runRecord;
    std::vector<std::pair<std::string, std::string>> drawn;
    std::string error;
    if (!figures->Render(ws, request, drawn, error)) {
        err << "The figures could not be drawn: " << error << "\n";
        return false;
    }
    out << "Figures: " << drawn.size() << (drawn.size() == 1 ? " file" : " files") << " drawn\n";
    for (auto& file : drawn) files.push_back(std::move(file));
    return true;
}

}  // namespace tarvex
