// The example data through the whole chain (reference import, pre-treatment, EOF analysis,
// fossil import and projection, climate table): the fast runs give the plain order's bits on
// real EOF scores and proportions, and every value is a mean of modern climates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "data/FossilImport.h"
#include "data/ReferenceImport.h"
#include "data/TableReader.h"
#include "eof/EofAnalysis.h"
#include "eof/Pretreatment.h"
#include "mat/Analogues.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

Workspace ExampleWorkspace()
{
    Workspace ws;
    EXPECT_TRUE(ImportReferenceTable(ws, testing::kExamples + "reference.csv").ok);
    PretreatmentChoice choice;
    PretreatReference(ws, choice);
    EXPECT_TRUE(ComputeEofResults(ws, {}));
    EXPECT_TRUE(
        ImportFossilTable(ws, testing::kExamples + "fossil.csv", choice, [](const std::string&) {
            return true;
        }).ok);
    EXPECT_TRUE(ProjectFossil(ws, {}));
    TableReadResult climate = ReadDataTableFile(testing::kExamples + "climate.csv");
    EXPECT_EQ(climate.status, TableStatus::Ok);
    EXPECT_EQ(climate.table.rowCount, ws.refSiteCount);
    ws.climateParamCount = static_cast<int16_t>(climate.table.columnCount);
    ws.climateParamNames = climate.table.columnNames;
    ws.climateValues = std::move(climate.table.values);
    ws.climateLoaded = true;
    ws.selectedAxes = {0, 1, 3, 2};
    ws.selectedAxisCount = 3;
    return ws;
}

bool SameBits(const Matrix<double>& a, const Matrix<double>& b)
{
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (int r = 0; r <= a.rows(); ++r)
        if (std::memcmp(a.row(r), b.row(r), sizeof(double) * (a.cols() + 1)) != 0) return false;
    return true;
}

// Each value lies within the climate of the sites it could come from.
void ExpectMeansOfModernClimates(const Workspace& ws, const Matrix<double>& values, int targets,
                                 int kmax)
{
    for (int p = 1; p <= ws.climateParamCount; ++p) {
        double low = ws.climateValues(1, p), high = low;
        for (int s = 1; s <= ws.refSiteCount; ++s) {
            low = std::min(low, ws.climateValues(s, p));
            high = std::max(high, ws.climateValues(s, p));
        }
        for (int i = 1; i <= targets; ++i) {
            const double used = values(i, 0);
            EXPECT_TRUE(used >= 0 && used <= kmax) << i;
            if (used == 0) {
                EXPECT_EQ(values(i, p), -9999) << i;
            } else {
                EXPECT_GE(values(i, p), low - 1e-9) << i << " " << p;
                EXPECT_LE(values(i, p), high + 1e-9) << i << " " << p;
            }
        }
    }
}

TEST(ExampleReconstructionTest, FastRunsEqualPlainOrderOnTheExamples)
{
    const Workspace data = ExampleWorkspace();
    ASSERT_GT(data.fossilSampleCount, 0);
    struct Case {
        DistanceBasis basis;
        MinorTaxaEnhancement enhancement;
        int kmin, kmax, slider;
    };
    const Case cases[] = {
        {DistanceBasis::TaxaProportions, MinorTaxaEnhancement::SquareRoot, 0, 8, 20},
        {DistanceBasis::TaxaProportions, MinorTaxaEnhancement::Log, 2, 10, 50},
        {DistanceBasis::EofValues, MinorTaxaEnhancement::None, 3, 6, 5},
    };
    for (const Case& c : cases) {
        AnalogueSettings s;
        s.basis = c.basis;
        s.enhancement = c.enhancement;
        s.kmin = c.kmin;
        s.kmax = c.kmax;
        const double threshold = DefineThreshold(c.slider, c.enhancement);
        Workspace fast = data, plain = data;
        ReconstructClimate(fast, s, threshold);
        ReconstructClimateReference(plain, s, threshold);
        EXPECT_TRUE(SameBits(fast.reconValues, plain.reconValues));
        EXPECT_TRUE(SameBits(fast.distanceMatrix, plain.distanceMatrix));
        ExpectMeansOfModernClimates(fast, fast.reconValues, fast.fossilSampleCount, c.kmax);
        GenerateErrorModel(fast, s, threshold);
        GenerateErrorModelReference(plain, s, threshold);
        EXPECT_TRUE(SameBits(fast.siteReconValues, plain.siteReconValues));
        EXPECT_TRUE(SameBits(fast.distanceMatrix, plain.distanceMatrix));
        ExpectMeansOfModernClimates(fast, fast.siteReconValues, fast.refSiteCount, c.kmax);
        // Some sites and samples find analogues and the minimum applies only to the samples.
        const ReconRange range =
            ReconstructionRange(fast.reconValues, fast.fossilSampleCount, fast.climateParamCount);
        EXPECT_TRUE(range.hasValue[1]);
        if (c.kmin > 0) {
            for (int i = 1; i <= fast.fossilSampleCount; ++i)
                EXPECT_GE(fast.reconValues(i, 0), c.kmin) << i;
        }
    }
}

}  // namespace
}  // namespace tarvex
