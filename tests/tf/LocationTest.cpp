// Site locations matched to the reference sites by label.
#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "tf/LocationImport.h"

namespace tarvex::tf {
namespace {

using namespace tarvex::testing;

const std::vector<std::string> kLabels{"", "A", "B", "C"};

LocationOutcome Read(const std::string& text, const std::vector<std::string>& labels = kLabels)
{
    return ReadSiteLocations(WriteTemp("tf-location.csv", text), labels, 3, 100);
}

TEST(Locations, RowsAreMatchedByLabelInAnyOrder)
{
    const LocationOutcome o = Read(",Lat,Lon\nC,30,-5.5\nA,10,20\nB,-20,179\n");
    ASSERT_TRUE(o.ok) << o.reason;
    EXPECT_EQ(o.latitude, (std::vector<double>{0, 10, -20, 30}));
    EXPECT_EQ(o.longitude, (std::vector<double>{0, 20, 179, -5.5}));
}

TEST(Locations, ColumnsNamedLongitudeFirstAreTakenSo)
{
    const LocationOutcome o = Read("Site,Longitude,Latitude\nA,20,10\nB,179,-20\nC,-5.5,30\n");
    ASSERT_TRUE(o.ok) << o.reason;
    EXPECT_EQ(o.latitude, (std::vector<double>{0, 10, -20, 30}));
}

TEST(Locations, WhatDoesNotFitIsNamed)
{
    struct Case {
        std::string text;
        std::vector<std::string> labels;
        std::string message, reason;
    };
    const std::vector<Case> cases = {
        {",Lat\nA,1\nB,2\nC,3\n", kLabels, kLocationColumnsMessage,
         "The location table has 1 value columns."},
        {",Lat,Lon\nA,1,2\nB,2,3\n", kLabels, kLocationSiteMessage,
         "The location table has 2 data rows; the reference table has 3 sites."},
        {",Lat,Lon\nA,1,2\nB,-90.5,3\nC,1,180.25\n", kLabels, kLocationRangeMessage,
         "2 sites lie outside latitudes -90..90 or longitudes -180..180: \"B\" (-90.5, 3), \"C\" "
         "(1, 180.25)."},
        {",Lat,Lon\nA,1,2\nA,2,3\nC,1,1\n", kLabels, kLocationNameMessage,
         "The location table names \"A\" more than once."},
        {",Lat,Lon\nA,1,2\nD,2,3\nC,1,1\n", kLabels, kLocationNameMessage,
         "The location table has no row for the reference site \"B\"."},
        {",Lat,Lon\nA,1,2\nB,2,3\nC,1,1\n",
         {"", "A", "A", "C"},
         kLocationNameMessage,
         "The reference table names \"A\" more than once, so its sites cannot be matched to "
         "locations by label."},
    };
    for (const Case& c : cases) {
        const LocationOutcome o = Read(c.text, c.labels);
        EXPECT_FALSE(o.ok) << c.text;
        EXPECT_EQ(o.messages, std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(o.reason, c.reason) << c.text;
    }
    const LocationOutcome missing =
        ReadSiteLocations(TempPath("tf-no-such-file.csv"), kLabels, 3, 100);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.messages.back(), kFormatErrorMessage);
}

}  // namespace
}  // namespace tarvex::tf
