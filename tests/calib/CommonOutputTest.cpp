#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "calib/CalibModel.h"
#include "calib/CalibTestData.h"
#include "calib/CommonOutput.h"
#include "data/NumberText.h"
#include "support/Records.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

CommonOutputInfo TransferredInfo()
{
    CommonOutputInfo info;
    info.rangeLow = "0";
    info.rangeHigh = "20";
    info.xName[0] = "Tjan(Reconstructed)";
    info.yName[0] = "Tjan(Estimated)";
    info.source[1] = "C:\\data\\\"obs\", 2020.csv";
    info.xName[1] = "Vest";
    info.yName[1] = "Vobs";
    return info;
}

Workspace CalibratedWorkspace()
{
    Workspace ws = CalibWorkspace();
    const PairSet set0 = ScatteredPairs(300, 0.9f, 1.5f, 0, 20, 2, 4);
    PairSet set1;
    ChainSettings settings;
    settings.generateModel = true;
    EXPECT_TRUE(RunChain(ws, set0, set1, settings, false).ok);
    FillMatrixOut(ws);
    return ws;
}

TEST(CommonOutput, HeadNoteAxisAndMatrixRecords)
{
    const Workspace ws = CalibratedWorkspace();
    const CommonOutputInfo info = TransferredInfo();
    const Records r = ReadRecords(CommonOutputText(ws, info, 10, 68.2f, 95.4f));
    ASSERT_EQ(r.size(), 217u);
    const Records head = {{"Meridan common output format"},
                          {"Head note length (lines): ", "15"},
                          {"Version: ", "2.5.0"},
                          {"Original file1: ", ""},
                          {"X: ", "Tjan(Reconstructed)"},
                          {"Y: ", "Tjan(Estimated)"},
                          {"Original file2: ", "C:\\data\\\"obs\", 2020.csv"},
                          {"X: ", "Vest"},
                          {"Y: ", "Vobs"},
                          {"Resolution (steps): ", "200"},
                          {"Smoothing level (% of range): ", "10"},
                          {"Vertical threshold (samples):", "2"},
                          {"Horizontal threshold (samples):", "1"},
                          {"Confidence coefficient1 (%):", "68.2"},
                          {"Confidence coefficient2 (%):", "95.4"}};
    for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(r[i], head[i]) << "record " << i + 1;

    ASSERT_EQ(r[15].size(), 202u);
    EXPECT_EQ(r[15][0], "");
    EXPECT_EQ(r[15][1], "0");
    EXPECT_EQ(r[15][2], "0.1");
    EXPECT_EQ(r[15][200], "19.9");
    EXPECT_EQ(r[15][201], "20");
    for (int k = 0; k <= 200; ++k) {
        const auto& rec = r[16 + k];
        ASSERT_EQ(rec.size(), 202u) << k;
        EXPECT_EQ(rec[0], r[15][k + 1]);
        // Each record is a row of constant y: field x + 1 holds cell (x + 25, k + 25).
        for (int x = 0; x <= 200; x += 40) {
            const float cell = ws.calibMatrices[kRegionFlags](x + 25, k + 25) +
                               ws.calibMatrices[kProbability](x + 25, k + 25);
            EXPECT_EQ(rec[x + 1], FormatSingle(cell)) << x << "," << k;
        }
    }
}

TEST(CommonOutput, MedianCellsReadBackNegative)
{
    const Workspace ws = CalibratedWorkspace();
    const Records r = ReadRecords(CommonOutputText(ws, TransferredInfo(), 10, 68.2f, 95.4f));
    const int a = 125;
    const int median = ws.medianIndex[a];
    ASSERT_GT(median, 25);
    ASSERT_LE(median, 225);
    const double v = Val(r[16 + median - 25][a - 25 + 1]);
    EXPECT_LT(v, -1.0);  // inside a region, so below -1 with the probability as fraction
    EXPECT_GT(Val(r[16 + median - 25 + 1][a - 25 + 1]), 0.0);
}

TEST(CommonOutput, GeneratedModelRecords)
{
    const Workspace ws = CalibratedWorkspace();
    CommonOutputInfo info = TransferredInfo();
    info.generateModel = true;
    info.generatedSdPercent = 5;
    const Records r = ReadRecords(CommonOutputText(ws, info, 10, 68.2f, 95.4f));
    ASSERT_EQ(r.size(), 217u);
    EXPECT_EQ(r[6], (std::vector<std::string>{"Original file2: ", "N/A"}));
    EXPECT_EQ(r[7], (std::vector<std::string>{"Alternative: ", "Model"}));
    EXPECT_EQ(r[8], (std::vector<std::string>{"Std. Dev. (% of range): ", "5"}));
    const std::string text = CommonOutputText(ws, info, 10, 68.2f, 95.4f);
    EXPECT_NE(text.find("\"Std. Dev. (% of range): \",5\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Head note length (lines): \",\"15\"\r\n"), std::string::npos);
}

TEST(CommonOutput, WritesTheFileAndRefusesWhatCannotBeWritten)
{
    Workspace ws = CalibratedWorkspace();
    const std::string path = std::string(TARVEX_BINARY_DIR) + "/calib-common-output.csv";
    std::string reason;
    ASSERT_TRUE(WriteCommonOutput(path, ws, TransferredInfo(), 10, 68.2f, 95.4f, &reason))
        << reason;
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), CommonOutputText(ws, TransferredInfo(), 10, 68.2f, 95.4f));
    std::remove(path.c_str());

    EXPECT_FALSE(WriteCommonOutput(std::string(TARVEX_BINARY_DIR) + "/no-such-dir/x.csv", ws,
                                   TransferredInfo(), 10, 68.2f, 95.4f, &reason));
    EXPECT_FALSE(reason.empty());

    ws.matrixOut(3, 4) = std::nanf("");
    reason.clear();
    EXPECT_FALSE(WriteCommonOutput(path, ws, TransferredInfo(), 10, 68.2f, 95.4f, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(std::ifstream(path).good());
}

}  // namespace
}  // namespace tarvex::calib
