// The reference table import on arbitrary bytes: it either stores a consistent table or
// leaves the workspace as it was.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "data/ReferenceImport.h"
#include "data/TableChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tarvex;
    const std::string path = fuzz::WriteScratch("reference", data, size);
    Workspace ws;
    ws.refFileName = "before";
    const ImportOutcome outcome = ImportReferenceTable(ws, path);
    if (!outcome.ok) {
        TARVEX_FUZZ_CHECK(ws.refFileName == "before");
        TARVEX_FUZZ_CHECK(ws.refSiteCount == 0 && ws.refTaxonCount == 0);
        TARVEX_FUZZ_CHECK(ws.refData.empty());
        return 0;
    }
    const int sites = ws.refSiteCount, taxa = ws.refTaxonCount;
    TARVEX_FUZZ_CHECK(sites >= 1 && taxa >= 1);
    TARVEX_FUZZ_CHECK(ws.refFileName == path);
    TARVEX_FUZZ_CHECK(ws.refData.rows() == sites && ws.refData.cols() == taxa);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.refSiteLabels.size()) == sites + 1);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.refTaxonNames.size()) == taxa + 1);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.refSiteOnHull.size()) == sites + 1);
    TARVEX_FUZZ_CHECK(ws.refScores.rows() == sites && ws.refScores.cols() == taxa);
    // Every stored value is read from the file; touching each lets the sanitizers see it.
    double sum = 0;
    for (int r = 1; r <= sites; ++r)
        for (int c = 1; c <= taxa; ++c) sum += ws.refData(r, c) == 0 ? 0 : 1;
    TARVEX_FUZZ_CHECK(sum >= 0);
    return 0;
}
