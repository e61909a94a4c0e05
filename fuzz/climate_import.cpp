// The climate table import on arbitrary bytes, for a reference of five sites labelled as in
// the examples. Site-name questions and the importing window come from the input's last byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "mat/ClimateImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tarvex;
    fuzz::Answers answers(data, size);
    const ClimateImportStyle style =
        answers.Next() ? ClimateImportStyle::Correlation : ClimateImportStyle::Reconstruction;
    Workspace ws;
    ws.refSiteCount = 5;
    ws.refSiteLabels = {"", "S001", "S002", "S003", "S004", "S005"};
    const std::string path = fuzz::WriteScratch("climate", data, size);
    const ImportOutcome outcome =
        ImportClimateTable(ws, path, [&](const std::string&) { return answers.Next(); }, style);
    if (!outcome.ok) {
        TARVEX_FUZZ_CHECK(!ws.climateLoaded && ws.climateParamCount == 0);
        TARVEX_FUZZ_CHECK(ws.climateValues.empty() && ws.climateFileName.empty());
        return 0;
    }
    const int params = ws.climateParamCount;
    TARVEX_FUZZ_CHECK(ws.climateLoaded && params >= 1);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.climateParamNames.size()) == params + 1);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.climateSiteNames.size()) == 6);
    TARVEX_FUZZ_CHECK(ws.climateValues.rows() == 5 && ws.climateValues.cols() == params);
    return 0;
}
