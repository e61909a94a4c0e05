#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Matrix.h"
#include "plots/UniformRandom.h"
#include "plots/ViewGeometry.h"
#include "settings/ColourScheme.h"

namespace tarvex {

// The one record of shared state for a run of the program. Every window reads and writes
// it through the App that owns it. Arrays keep the program's numbering: element 0 exists
// and holds nothing unless stated (column 0 of a proportion table is the row total,
// element 0 of a name list is the table's corner cell).
struct Workspace {
    // Reference data set
    std::string refFileName;
    int16_t refSiteCount = 0;
    int16_t refTaxonCount = 0;
    bool refTextLabels = false;
    std::vector<std::string> refSiteLabels;  // [0..refSiteCount]
    std::vector<std::string> refTaxonNames;  // [0..refTaxonCount], [0] = corner cell
    Matrix<double> refData;                  // [0..refSiteCount, 0..refTaxonCount]
    Matrix<double> refProportions;           // column 0 = row total when normalised

    // Fossil data set
    std::string fossilFileName;
    int16_t fossilSampleCount = 0;
    int16_t fossilTaxonCount = 0;
    bool fossilTextLabels = false;
    std::vector<std::string> fossilSampleLabels;  // [0..fossilSampleCount]
    std::vector<std::string> fossilTaxonNames;    // [0..fossilTaxonCount]
    Matrix<double> fossilData;
    Matrix<double> fossilProportions;
    std::vector<bool> fossilSampleEmpty;        // [0..fossilSampleCount]
    std::vector<std::string> taxonNameMatches;  // [0] = count as text, [1..] entries
    // When the fossil columns were matched to the reference taxa by name: the column of the
    // fossil file that each reference taxon [1..refTaxonCount] came from, 0 for one the file
    // lacks. Empty when the columns were matched by position.
    std::vector<int> fossilColumnOfTaxon;
    Matrix<double> fossilStandardized;          // [0..fossilSampleCount, 0..taxonCount]

    // Pre-treatment and EOF results
    bool useCorrelation = true;
    bool enhancementApplied = false;
    int16_t taxonCount = 0;
    int16_t basisRowCount = 0;
    Matrix<double> dispersionMatrix;     // [0..n, 0..n]
    Matrix<double> eofVectors;           // [0..n+1, 0..n]; row n+1 = eigenvalue
    std::vector<float> eofContribution;  // [0..n] percent
    std::vector<float> eofCumulative;    // [0..n]; [0] = 0
    Matrix<double> taxonLoadings;        // (taxon, EOF)
    Matrix<double> basisMeans;           // [0..4, 0..n]
    Matrix<double> basisSDs;             // [0..4, 0..n]
    Matrix<double> refRawScores;         // [0..refSiteCount, 0..n]
    Matrix<double> refScores;
    Matrix<double> fossilRawScores;  // [0..fossilSampleCount, 0..n]
    Matrix<double> fossilScores;
    bool eofDone = false;
    bool projectionDone = false;

    // Axis, plot and envelope settings
    std::vector<int16_t> displayAxes{0, 1, 2, 3};
    std::vector<int16_t> selectedAxes{0, 1, 2, 3};
    int16_t selectedAxisCount = 2;
    bool moreAxes = false;
    int16_t currentTaxon = 1;
    int16_t currentRefSite = 1;
    int16_t currentFossilSample = 1;
    double zoomFactor = 4;
    std::vector<double> viewAngles{0, 0, 0};  // [1] rotation, [2] tilt, radians
    float rotationStep = 0.04f;
    float envelopeTightness = 0.1f;
    bool envelopeDone = false;
    std::vector<bool> refSiteOnHull;  // [0..refSiteCount]
    std::vector<bool> fossilOutside;  // [0..fossilSampleCount]
    // The envelope's directions come from one generator that starts from the same state at
    // every program start and is never reseeded, so the same actions give the same marks.
    UniformRandom envelopeRandom;

    // Score plot geometry as last drawn: scale of the taxa plot, tick steps, and the screen
    // positions of every item ([0] unused) with the right-eye x.
    double taxaScale = 1;
    int16_t taxaTickStep = 0;
    int16_t siteTickStep = 0;
    std::vector<ScreenPoint> taxonPositions, sitePositions, fossilPositions;
    std::vector<float> taxonRightX, siteRightX, fossilRightX;

    // Fossil diagram
    float diagramScaleTop = 0;
    float diagramScaleHeight = 0;
    std::vector<float> diagramColumnLeft;  // [0..fossilTaxonCount + 1]
    float lastColumnMax = 0;
    int16_t diagramEof = 1;
    int16_t eofTickStep = 1;
    // First samples of the significant zones after the first, from the last run of the
    // incremental-sum-of-squares zonation; drawn on the diagram until the next run or until
    // the diagram window closes.
    std::vector<int> diagramZoneStarts;

    // Window-has-drawn flags: a change of shared state redraws only windows that have drawn.
    bool diagramDrawn = false;
    bool eofCurveDrawn = false;
    bool eccShown = false;
    bool reconShown = false;
    bool errorModelShown = false;
    bool calibReturned = false;
    bool histBuilt = false;

    // Reconstruction settings read at start-up
    int16_t matrixWidth = 200;

    // Climate data set: imported once per run, never replaced
    bool climateLoaded = false;
    int16_t climateParamCount = 0;
    std::vector<std::string> climateParamNames;  // [0..n], [0] = corner cell
    std::vector<std::string> climateSiteNames;   // [0..refSiteCount]
    Matrix<double> climateValues;                // [0..refSiteCount, 0..n]
    std::string climateFileName;

    // Reconstruction and error model, from their last runs
    int16_t currentClimateParam = 1;
    Matrix<double> reconValues;         // (fossil sample, parameter); column 0 = analogues used
    Matrix<double> siteReconValues;     // (reference site, parameter); column 0 = analogues used
    Matrix<double> distanceMatrix;      // of the last run: (sample, site) or (site, site)
    // Analogue quality of the last fossil reconstruction: each sample's distance to its
    // closest reference site (-9999 without one) and that site ([1..fossilSampleCount], 0
    // without one), and the cut-offs of the modern closest distances at 2.5, 5 and 10 %.
    std::vector<double> closestDistance;
    std::vector<int> closestSite;
    std::array<double, 3> analogueCutoffs{};
    std::vector<float> smoothPosition;  // [1..windows] of the curve last drawn
    std::vector<float> smoothValue;

    // Calibration: the nine 251 x 251 single-precision matrices (slot, a, b) with a the
    // reconstructed-value index and b the observed-value index; slots 0..8 are the discrete,
    // error, joint, kernel, smoothed, row-normalised, probability, region-flag and returned
    // matrices. Empty until the reconstruction window opens the calibration window.
    std::vector<Matrix<float>> calibMatrices;
    bool calibWindowOpen = false;
    double gridStep = 0;                // value of one grid step; negative for a reversed range
    float gridOrigin = 0;               // value of grid index 0
    float gridTop = 0;                  // value of grid index 250
    float rangeWidth = 0;               // |low - high|
    std::vector<int16_t> modeIndex;     // [0..250]; -9999 for an empty column
    std::vector<int16_t> medianIndex;   // [0..250]; -9999 for an empty column
    Matrix<float> regionLevel;          // (column 0..250, coefficient 0..1)
    uint32_t regionColour[2] = {0, 0};  // inner region, outer ring (0xBBGGRR)
    float zEnhancement = 1;
    Matrix<float> matrixOut;  // [0..200, 0..200] staging for the common output file

    // Colour scheme, colour scale and print settings
    ColourScheme colours;
    PrintSettings print;

    // Probability matrices of the reconstruction window and the calibration chart's data.
    // histMatrix[layer](column 0..R, level 0..histLevels): layer 0 is the raster of the
    // curve (0 or 1), layer 1 the probability row of each level (flag + probability, the
    // median carrying its sign). The chart fields are on the half-step grid, fine indexes
    // 0..501 in both directions.
    double gridLow = 0;      // value of grid index 25, the calibration range's lower end
    int16_t histLevels = 0;  // V
    Matrix<float> histMatrix[2];
    std::vector<int16_t> histModeColumn;    // [0..V]; -9999 for a level without one
    std::vector<int16_t> histMedianColumn;  // [0..V]; -9999 for a level without one
    Matrix<float> chartProbability;         // (u 0..501, w 0..501)
    Matrix<float> chartRegionFlags;         // (u 0..501, w 0..501); 0..3, no median sign
    std::vector<int16_t> chartModeIndex;    // [0..501]; -9999 for an empty column
    std::vector<int16_t> chartMedianIndex;  // [0..501]; -9999 for an empty column
    Matrix<float> chartRegionLevel;         // (u 0..501, coefficient 0..1)
    bool chartOpen = false;

    // Keeps the axis lists sized for taxonCount EOFs while keeping their entries.
    void ResizeAxisLists(int n);
};

}  // namespace tarvex
