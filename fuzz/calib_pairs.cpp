// The pair files of the calibration on arbitrary bytes, as data set 0 or 1 (last byte).
// A refused file leaves the set as it was; a loaded one holds only complete or missing
// values, no infinity or not-a-number.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "calib/CalibData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tarvex;
    using namespace tarvex::calib;
    fuzz::Answers answers(data, size);
    const int ds = answers.Next() ? 1 : 0;
    PairSet set;
    set.source = "before";
    const std::string content(reinterpret_cast<const char*>(data), size);
    const CalibStatus status = ImportPairText(content, "fuzz.csv", ds, set);
    if (!status.ok) {
        TARVEX_FUZZ_CHECK(!status.error.empty());
        TARVEX_FUZZ_CHECK(set.source == "before" && set.rows.size() == 1 && set.pairCount == 0);
        return 0;
    }
    TARVEX_FUZZ_CHECK(!set.rows.empty());
    TARVEX_FUZZ_CHECK(set.rows.size() <= 10001);
    int complete = 0;
    for (std::size_t i = 1; i < set.rows.size(); ++i) {
        const PairRow& r = set.rows[i];
        TARVEX_FUZZ_CHECK(std::isfinite(r.x) && std::isfinite(r.y));
        complete += r.Complete() ? 1 : 0;
    }
    TARVEX_FUZZ_CHECK(complete == set.pairCount);
    if (set.fit.valid) {
        TARVEX_FUZZ_CHECK(std::isfinite(set.fit.slope) && std::isfinite(set.fit.intercept));
    }
    if (ds == 1 && set.pairCount > 1)
        TARVEX_FUZZ_CHECK(std::isfinite(set.residualSd) && set.residualSd > 0);
    return 0;
}
