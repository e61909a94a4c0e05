#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "mat/ReconFiles.h"
#include "support/Records.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// Three fossil samples and two parameters: the second sample found no analogue, the third is
// empty although its reconstruction is a number.
Workspace Reconstructed()
{
    Workspace ws;
    ws.climateParamCount = 2;
    ws.climateParamNames = {"", "Tjan", "P \"ann\""};
    ws.fossilSampleCount = 3;
    ws.fossilSampleLabels = {"", "10", "20.5", "30,a"};
    ws.fossilSampleEmpty = {false, false, false, true};
    ws.reconValues.resize(3, 2);
    ws.reconValues(1, 0) = 2;
    ws.reconValues(1, 1) = -3.25;
    ws.reconValues(1, 2) = 0.5;
    ws.reconValues(2, 1) = ws.reconValues(2, 2) = -9999;
    ws.reconValues(3, 0) = 1;
    ws.reconValues(3, 1) = 4;
    ws.reconValues(3, 2) = 812;
    return ws;
}

TEST(ReconFilesTest, CurveOfOneParameter)
{
    const Workspace ws = Reconstructed();
    std::vector<std::pair<int, int>> progress;
    bool allFinite = true;
    const std::string text = CurveFileText(
        ws, 1, [&](int done, int total) { progress.emplace_back(done, total); }, &allFinite);
    EXPECT_EQ(ReadRecords(text),
              (Records{{"Depth", "Tjan"}, {"10", "-3.25"}, {"20.5", ""}, {"30,a", ""}}));
    // A missing value is an empty text field, two quotes, not a field left out.
    EXPECT_EQ(text, "\"Depth\",\"Tjan\"\r\n\"10\",-3.25\r\n\"20.5\",\"\"\r\n\"30,a\",\"\"\r\n");
    EXPECT_TRUE(allFinite) << "-9999 and empty samples are missing values, not failures";
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));

    EXPECT_EQ(ReadRecords(CurveFileText(ws, 2)),
              (Records{{"Depth", "P \"ann\""}, {"10", "0.5"}, {"20.5", ""}, {"30,a", ""}}));
}

TEST(ReconFilesTest, CurvesOfAllParameters)
{
    const Workspace ws = Reconstructed();
    const std::string text = AllCurvesFileText(ws);
    EXPECT_EQ(ReadRecords(text), (Records{{"Depth", "Tjan", "P \"ann\""},
                                          {"10", "-3.25", "0.5"},
                                          {"20.5", "", ""},
                                          {"30,a", "", ""}}));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "\"Depth\",\"Tjan\",\"P \"\"ann\"\"\"");
}

TEST(ReconFilesTest, NumbersThatAreNotFiniteAreNeverWritten)
{
    Workspace ws = Reconstructed();
    ws.reconValues(1, 2) = std::numeric_limits<double>::infinity();
    bool one = true, all = true;
    EXPECT_EQ(ReadRecords(CurveFileText(ws, 2, {}, &one))[1], (std::vector<std::string>{"10", ""}));
    EXPECT_FALSE(one);
    const std::string text = AllCurvesFileText(ws, {}, &all);
    EXPECT_FALSE(all);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    bool first = true;
    CurveFileText(ws, 1, {}, &first);
    EXPECT_TRUE(first) << "only the parameter that holds the value is refused";
}

TEST(ReconFilesTest, MissingReconstructionGivesNoText)
{
    struct Case {
        const char* name;
        void (*spoil)(Workspace&);
        int p;
    };
    const Case cases[] = {
        {"parameter 0", [](Workspace&) {}, 0},
        {"parameter beyond the table", [](Workspace&) {}, 3},
        {"no reconstruction", [](Workspace& ws) { ws.reconValues.clear(); }, 1},
        {"reconstruction of one parameter only",
         [](Workspace& ws) { ws.reconValues.resizePreserve(3, 1); }, 2},
        {"reconstruction of fewer samples",
         [](Workspace& ws) { ws.reconValues.resizePreserve(2, 2); }, 1},
        {"labels of fewer samples", [](Workspace& ws) { ws.fossilSampleLabels.resize(3); }, 1},
        {"empty flags of fewer samples", [](Workspace& ws) { ws.fossilSampleEmpty.resize(3); }, 1},
        {"names of fewer parameters", [](Workspace& ws) { ws.climateParamNames.resize(2); }, 1},
        {"no fossil samples", [](Workspace& ws) { ws.fossilSampleCount = 0; }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace ws = Reconstructed();
        c.spoil(ws);
        EXPECT_EQ(CurveFileText(ws, c.p), "");
    }
    Workspace part = Reconstructed();
    part.reconValues.resizePreserve(3, 1);
    EXPECT_NE(CurveFileText(part, 1), "");
    EXPECT_EQ(AllCurvesFileText(part), "") << "the all-curves file needs every parameter";
}

// Three reference sites; the second has no leave-one-out reconstruction.
Workspace ErrorModel()
{
    Workspace ws = Reconstructed();
    ws.refSiteCount = 3;
    ws.siteReconValues.resize(3, 2);
    ws.climateValues.resize(3, 2);
    const double estimates[3][2] = {{1.5, 700}, {-9999, -9999}, {-0.125, 1E+20}};
    const double observed[3][2] = {{2, 650}, {-7, 0}, {0, 1e-7}};
    for (int s = 1; s <= 3; ++s)
        for (int p = 1; p <= 2; ++p) {
            ws.siteReconValues(s, p) = estimates[s - 1][p - 1];
            ws.climateValues(s, p) = observed[s - 1][p - 1];
        }
    return ws;
}

TEST(ReconFilesTest, ScatterHasOneRecordPerSiteAndAlwaysTheModernValue)
{
    const Workspace ws = ErrorModel();
    int calls = 0;
    bool allFinite = true;
    const std::string text = ScatterFileText(
        ws, 1,
        [&](int done, int total) {
            EXPECT_EQ(total, 3);
            calls = done;
        },
        &allFinite);
    EXPECT_EQ(ReadRecords(text), (Records{{"Tjan(Reconstructed)", "Tjan(Estimated)"},
                                          {"1.5", "2"},
                                          {"", "-7"},
                                          {"-0.125", "0"}}));
    EXPECT_NE(text.find("\r\n\"\",-7\r\n"), std::string::npos) << text;
    EXPECT_TRUE(allFinite);
    EXPECT_EQ(calls, 3);

    EXPECT_EQ(ReadRecords(ScatterFileText(ws, 2)),
              (Records{{"P \"ann\"(Reconstructed)", "P \"ann\"(Estimated)"},
                       {"700", "650"},
                       {"", "0"},
                       {"1E+20", "1E-07"}}));
}

TEST(ReconFilesTest, ScatterRefusesMissingOrNonFiniteValues)
{
    Workspace none = ErrorModel();
    none.siteReconValues.clear();
    EXPECT_EQ(ScatterFileText(none, 1), "");
    Workspace fewer = ErrorModel();
    fewer.climateValues.resizePreserve(2, 2);
    EXPECT_EQ(ScatterFileText(fewer, 1), "");
    EXPECT_EQ(ScatterFileText(ErrorModel(), 3), "");

    Workspace bad = ErrorModel();
    bad.siteReconValues(3, 1) = kNan;
    bool allFinite = true;
    EXPECT_EQ(ReadRecords(ScatterFileText(bad, 1, {}, &allFinite))[3],
              (std::vector<std::string>{"", "0"}));
    EXPECT_FALSE(allFinite);
}

}  // namespace
}  // namespace tarvex
