#include "mat/MatrixFiles.h"

#include <cstddef>

#include "calib/CalibData.h"
#include "data/AtomicFile.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"
#include "eof/ScoreFiles.h"
#include "mat/Histogram.h"

namespace tarvex {

namespace {

constexpr int R = kMatrixResolution;

const char* WeightingText(Weighting w)
{
    switch (w) {
        case Weighting::SquaredDistance:
            return "Squared distance";
        case Weighting::Distance:
            return "Distance";
        case Weighting::None:
            break;
    }
    return "N/A";
}

const char* EnhancementText(MinorTaxaEnhancement e)
{
    switch (e) {
        case MinorTaxaEnhancement::SquareRoot:
            return "Square root";
        case MinorTaxaEnhancement::Log:
            return "Log";
        case MinorTaxaEnhancement::None:
            break;
    }
    return "N/A";
}

void Label(RecordWriter& w, const char* label, const std::string& text)
{
    w.Text(label).Text(text);
    w.EndRecord();
}

void LabelNumber(RecordWriter& w, const char* label, long value)
{
    w.Text(label).Integer(value);
    w.EndRecord();
}

// The records both headers share after the data files: the search and the calibration.
void SettingsRecords(RecordWriter& w, const MatrixFileSettings& s, const char* resolutionLabel)
{
    const AnalogueSettings& a = s.analogue;
    Label(w, "Similarity index: ", "Taxa-based");
    Label(w, "No. of analogues: ", std::to_string(a.kmin) + "-" + std::to_string(a.kmax));
    // The slider's own value: the square root or log the enhancement puts on the threshold
    // is not what the user set.
    w.Text("Threshold: ").Number(a.thresholdSlider / 100.0);
    w.EndRecord();
    Label(w, "Inversed weighting: ", WeightingText(a.weighting));
    Label(w, "Enhancing minor taxa: ", EnhancementText(a.enhancement));
    LabelNumber(w, resolutionLabel, R);
    LabelNumber(w, "X-smoothing (%): ", s.xSmoothing);
    LabelNumber(w, "Y-smoothing (%): ", s.ySmoothing);
    Label(w, "Confidence coefficient1 (%): ", "68.2");
    Label(w, "Confidence coefficient2 (%): ", "95.4");
}

void AxisRecord(RecordWriter& w, const Workspace& ws)
{
    w.Text("");
    for (int i = 0; i <= R; ++i) w.Single(MatrixAxisValue(ws, i));
    w.EndRecord();
}

bool ParameterNamed(const Workspace& ws, int p)
{
    return p >= 1 && static_cast<std::size_t>(p) < ws.climateParamNames.size();
}

bool CalibrationHeld(const Workspace& ws)
{
    return ws.calibReturned && ws.calibMatrices.size() == 9 &&
           ws.calibMatrices[calib::kProbability].rows() == calib::kGridLast && ws.gridStep != 0;
}

bool HistogramHeld(const Workspace& ws)
{
    const int v = ws.histLevels;
    const int n = ws.fossilSampleCount;
    return ws.histBuilt && v >= 1 && ws.histMatrix[1].rows() == R && ws.histMatrix[1].cols() == v &&
           n >= 1 && static_cast<int>(ws.fossilSampleLabels.size()) > n && ws.gridStep != 0;
}

void Finish(const RecordWriter& w, bool* allFinite)
{
    if (allFinite && !w.AllFinite()) *allFinite = false;
}

}  // namespace

float MatrixAxisValue(const Workspace& ws, int i)
{
    return static_cast<float>(RoundTo(ws.gridLow + i * ws.gridStep, 4));
}

float StrativLevelPosition(const Workspace& ws, int level)
{
    const int v = ws.histLevels;
    const int n = ws.fossilSampleCount;
    double top = 1, bottom = n;
    if (!ws.fossilTextLabels) {
        top = Val(ws.fossilSampleLabels[1]);
        bottom = Val(ws.fossilSampleLabels[n]);
    }
    return static_cast<float>(RoundTo(((v - level) * top + level * bottom) / v, 4));
}

std::string MeridanMatrixFileText(const Workspace& ws, const MatrixFileSettings& settings,
                                  const std::string& dateTime, const ProgressFn& progress,
                                  bool* allFinite)
{
    if (!CalibrationHeld(ws) || !ParameterNamed(ws, settings.param)) return {};
    RecordWriter w;
    w.Text("Tarvex 1.0 output file (Meridan Light)");
    w.EndRecord();
    Label(w, "Date/Time: ", dateTime);
    Label(w, "Reference data file: ", ws.refFileName);
    Label(w, "Climate data file: ", ws.climateFileName);
    SettingsRecords(w, settings, "Resolution (steps): ");
    Label(w, "Parameter", ws.climateParamNames[settings.param]);
    AxisRecord(w, ws);
    const Matrix<float>& probability = ws.calibMatrices[calib::kProbability];
    for (int b = 0; b <= R; ++b) {
        w.Single(MatrixAxisValue(ws, b));
        for (int a = 0; a <= R; ++a) w.Single(probability(a + 25, b + 25));
        w.EndRecord();
        if (progress) progress(b, R);
    }
    Finish(w, allFinite);
    return w.str();
}

std::string StrativMatrixFileText(const Workspace& ws, const MatrixFileSettings& settings,
                                  const std::string& dateTime, const ProgressFn& progress,
                                  bool* allFinite)
{
    if (!HistogramHeld(ws) || !ParameterNamed(ws, settings.param)) return {};
    RecordWriter w;
    w.Text("Tarvex 1.0 output file");
    w.EndRecord();
    Label(w, "Date/Time: ", dateTime);
    Label(w, "Reference data file: ", ws.refFileName);
    Label(w, "Fossil data file: ", ws.fossilFileName);
    Label(w, "Climate data file: ", ws.climateFileName);
    SettingsRecords(w, settings, "Horizontal resolution: ");
    LabelNumber(w, "Vertical resolution: ", ws.histLevels);
    LabelNumber(w, "Smoothed levels", settings.analogue.smoothing);
    Label(w, "Parameter", ws.climateParamNames[settings.param]);
    AxisRecord(w, ws);
    const Matrix<float>& layer1 = ws.histMatrix[1];
    const int v = ws.histLevels;
    for (int level = 0; level <= v; ++level) {
        w.Single(StrativLevelPosition(ws, level));
        for (int j = 0; j <= R; ++j) w.Single(layer1(j, level));
        w.EndRecord();
        if (progress) progress(level, v);
    }
    Finish(w, allFinite);
    return w.str();
}

bool WriteMatrixFile(const std::string& path, const std::string& text, bool allFinite,
                     std::string* reason)
{
    if (text.empty()) {
        if (reason) *reason = "There is no matrix to save yet.";
        return false;
    }
    if (!allFinite) {
        if (reason) *reason = kNonFiniteResultsMessage;
        return false;
    }
    return WriteFileAtomically(path, text, reason);
}

}  // namespace tarvex
