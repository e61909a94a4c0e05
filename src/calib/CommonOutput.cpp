#include "calib/CommonOutput.h"

#include "data/AtomicFile.h"
#include "data/NumberText.h"
#include "data/RecordWriter.h"

namespace tarvex::calib {

void FillMatrixOut(Workspace& ws)
{
    if (ws.calibMatrices.size() != 9) return;
    const Matrix<float>& flags = ws.calibMatrices[7];
    const Matrix<float>& prob = ws.calibMatrices[6];
    ws.matrixOut.resize(200, 200);
    for (int x = 0; x <= 200; ++x)
        for (int y = 0; y <= 200; ++y)
            ws.matrixOut(x, y) = flags(x + 25, y + 25) + prob(x + 25, y + 25);
}

std::string CommonOutputText(const Workspace& ws, const CommonOutputInfo& info,
                             float smoothingLevel, float coefficient1, float coefficient2)
{
    const double low = Val(info.rangeLow);
    const double high = Val(info.rangeHigh);
    float axis[201];
    for (int i = 0; i < 200; ++i) axis[i] = static_cast<float>(low + (high - low) / 200 * i);
    axis[200] = static_cast<float>(high);

    RecordWriter w;
    w.Text("Meridan common output format").EndRecord();
    w.Text("Head note length (lines): ").Text("15").EndRecord();
    w.Text("Version: ").Text("2.5.0").EndRecord();
    w.Text("Original file1: ").Text(info.source[0]).EndRecord();
    w.Text("X: ").Text(info.xName[0]).EndRecord();
    w.Text("Y: ").Text(info.yName[0]).EndRecord();
    if (info.generateModel) {
        w.Text("Original file2: ").Text("N/A").EndRecord();
        w.Text("Alternative: ").Text("Model").EndRecord();
        w.Text("Std. Dev. (% of range): ").Integer(info.generatedSdPercent).EndRecord();
    } else {
        w.Text("Original file2: ").Text(info.source[1]).EndRecord();
        w.Text("X: ").Text(info.xName[1]).EndRecord();
        w.Text("Y: ").Text(info.yName[1]).EndRecord();
    }
    w.Text("Resolution (steps): ").Integer(200).EndRecord();
    w.Text("Smoothing level (% of range): ").Single(smoothingLevel).EndRecord();
    w.Text("Vertical threshold (samples):").Integer(info.verticalThreshold).EndRecord();
    w.Text("Horizontal threshold (samples):").Integer(info.horizontalThreshold).EndRecord();
    w.Text("Confidence coefficient1 (%):").Single(coefficient1).EndRecord();
    w.Text("Confidence coefficient2 (%):").Single(coefficient2).EndRecord();

    w.Empty();
    for (float v : axis) w.Single(v);
    w.EndRecord();
    for (int k = 0; k <= 200; ++k) {
        w.Single(axis[k]);
        for (int x = 0; x <= 200; ++x) w.Single(ws.matrixOut(x, k));
        w.EndRecord();
    }
    return w.AllFinite() ? w.str() : std::string();
}

bool WriteCommonOutput(const std::string& fileName, const Workspace& ws,
                       const CommonOutputInfo& info, float smoothingLevel, float coefficient1,
                       float coefficient2, std::string* reason)
{
    if (ws.matrixOut.rows() != 200 || ws.matrixOut.cols() != 200) {
        if (reason) *reason = "There is no calibrated result to save.";
        return false;
    }
    const std::string text = CommonOutputText(ws, info, smoothingLevel, coefficient1, coefficient2);
    if (text.empty()) {
        if (reason) *reason = "The result holds values that are not numbers; nothing was saved.";
        return false;
    }
    return WriteFileAtomically(fileName, text, reason);
}

}  // namespace tarvex::calib
