#include <gtest/gtest.h>

#include "calib/CalibModel.h"
#include "calib/CalibStages.h"
#include "calib/CalibTestData.h"

namespace tarvex::calib {
namespace {

using namespace tarvex::testing;

CalibStages AllDrawn(Workspace& ws)
{
    CalibStages st;
    for (int n = 1; n <= 8; ++n) st.drawn[n] = true;
    ws.calibReturned = ws.histBuilt = true;
    return st;
}

TEST(CalibStages, EachResetTakesBackItsStagesAndTheReturnedResult)
{
    struct Case {
        const char* what;
        void (*reset)(CalibStages&, Workspace&);
        bool kept[9];  // [1..8]
    };
    const Case cases[] = {
        {"data set 0",
         [](CalibStages& s, Workspace& w) { s.ResetData(w, 0); },
         {false, false, true, false, false, false, false, false, false}},
        {"data set 1",
         [](CalibStages& s, Workspace& w) { s.ResetData(w, 1); },
         {false, true, false, false, false, false, false, false, false}},
        {"range",
         [](CalibStages& s, Workspace& w) { s.ResetRange(w); },
         {false, true, true, false, false, false, false, false, false}},
        {"coefficient",
         [](CalibStages& s, Workspace& w) { s.ResetCoefficient(w); },
         {false, true, true, true, true, true, true, true, false}},
        {"threshold",
         [](CalibStages& s, Workspace& w) { s.InvalidateFrom(w, 6); },
         {false, true, true, true, true, true, false, false, false}},
    };
    for (const Case& c : cases) {
        Workspace ws;
        CalibStages st = AllDrawn(ws);
        st.generateModel = true;
        c.reset(st, ws);
        for (int n = 1; n <= 8; ++n) EXPECT_EQ(st.drawn[n], c.kept[n]) << c.what << " " << n;
        EXPECT_FALSE(ws.calibReturned) << c.what;
        EXPECT_FALSE(ws.histBuilt) << c.what;
        EXPECT_FALSE(st.CanReturn());
    }
}

TEST(CalibStages, GeneratedModelModeAndStart)
{
    Workspace ws;
    CalibStages st;
    st.drawn[1] = true;
    EXPECT_FALSE(st.CanStart());
    st.generateModel = true;
    EXPECT_TRUE(st.CanStart());
    st.ResetData(ws, 0);  // new Vrec-Vest data leave the generated-model mode
    EXPECT_FALSE(st.generateModel);
    EXPECT_FALSE(st.CanStart());

    // A coefficient change without regions changes nothing.
    ws.calibReturned = true;
    st.ResetCoefficient(ws);
    EXPECT_TRUE(ws.calibReturned);
}

TEST(CalibStages, RerunFromALaterStageEqualsAWholeRun)
{
    // Changing a setting reruns the chain from its stage; the result must be that of a whole
    // run with the new setting, threshold units carried over from the earlier run included.
    const PairSet set0 = ScatteredPairs(300, 0.8f, 3.0f, 0, 20, 3, 17);
    struct Change {
        Stage from;
        void (*apply)(ChainSettings&);
    };
    const Change changes[] = {
        {Stage::Smoothing, [](ChainSettings& s) { s.smoothingLevel = 4; }},
        {Stage::RowNormalisation, [](ChainSettings& s) { s.verticalThreshold = 0; }},
        {Stage::RowNormalisation, [](ChainSettings& s) { s.skipRowNormalisation = true; }},
        {Stage::ColumnNormalisation, [](ChainSettings& s) { s.horizontalThreshold = 5; }},
        {Stage::Regions, [](ChainSettings& s) { s.coefficient1 = 500; }},
    };
    for (const Change& c : changes) {
        ChainSettings settings;
        settings.generateModel = true;
        Workspace rerun = CalibWorkspace();
        PairSet set1;
        ThresholdUnits units;
        ASSERT_TRUE(RunFrom(rerun, set0, set1, settings, Stage::ErrorModel, units).ok);
        c.apply(settings);
        ASSERT_TRUE(RunFrom(rerun, set0, set1, settings, c.from, units).ok);

        Workspace whole = CalibWorkspace();
        PairSet set1b;
        ASSERT_TRUE(RunChain(whole, set0, set1b, settings, false).ok);
        for (int s = 0; s <= 7; ++s)
            EXPECT_TRUE(SameBits(rerun.calibMatrices[s], whole.calibMatrices[s]))
                << static_cast<int>(c.from) << " slot " << s;
        EXPECT_EQ(rerun.modeIndex, whole.modeIndex);
        EXPECT_EQ(rerun.medianIndex, whole.medianIndex);
    }
}

}  // namespace
}  // namespace tarvex::calib
