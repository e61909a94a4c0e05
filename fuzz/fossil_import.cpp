// The fossil table import on arbitrary bytes, against a small reference of the example taxa
// whose EOF analysis has run. Every taxon-name question and the question about matching by
// name are answered from the bits of the input's last byte; so is the pre-treatment.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "data/FossilImport.h"
#include "data/ReferenceImport.h"
#include "eof/EofAnalysis.h"
#include "eof/Pretreatment.h"

namespace {

using namespace tarvex;

const char* const kTaxa[] = {"Pinus",     "Picea",     "Abies",     "Larix",   "Betula",
                             "Alnus",     "Salix",     "Corylus",   "Quercus", "Fagus",
                             "Carpinus",  "Ulmus",     "Tilia",     "Fraxinus", "Juniperus",
                             "Ericaceae", "Poaceae",   "Cyperaceae", "Artemisia",
                             "Chenopodiaceae", "Asteraceae", "Ephedra", "Plantago", "Rumex",
                             "Thalictrum"};

// Eight sites of made-up counts, every taxon present somewhere, analysed with choice.
Workspace AnalysedReference(const PretreatmentChoice& choice)
{
    std::string table;
    for (const char* t : kTaxa) table += std::string(",") + t;
    table += "\n";
    for (int s = 1; s <= 8; ++s) {
        table += "R" + std::to_string(s);
        int k = 0;
        for (const char* t : kTaxa) {
            (void)t;
            table += "," + std::to_string((s * 7 + k * 13) % 23 + (k == s ? 40 : 0));
            ++k;
        }
        table += "\n";
    }
    const std::string path = fuzz::WriteScratch(
        "fossil-reference", reinterpret_cast<const uint8_t*>(table.data()), table.size());
    Workspace ws;
    TARVEX_FUZZ_CHECK(ImportReferenceTable(ws, path).ok);
    PretreatReference(ws, choice);
    TARVEX_FUZZ_CHECK(ComputeEofResults(ws, {}));
    TARVEX_FUZZ_CHECK(CanProject(ws, ws.taxonCount));
    return ws;
}

const PretreatmentChoice kChoices[2] = {
    PretreatmentChoice{},
    PretreatmentChoice{true, Enhancement::SquareRoot, true},
};

const Workspace& Reference(int which)
{
    static const Workspace plain = AnalysedReference(kChoices[0]);
    static const Workspace enhanced = AnalysedReference(kChoices[1]);
    return which ? enhanced : plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Answers answers(data, size);
    const int which = answers.Next() ? 1 : 0;
    Workspace ws = Reference(which);
    const std::string path = fuzz::WriteScratch("fossil", data, size);
    const ImportOutcome outcome = ImportFossilTable(
        ws, path, kChoices[which], [&](const std::string&) { return answers.Next(); },
        [&](const std::string&) { return answers.Next(); });
    if (!outcome.ok) {
        TARVEX_FUZZ_CHECK(ws.fossilFileName.empty() && ws.fossilSampleCount == 0);
        return 0;
    }
    const int samples = ws.fossilSampleCount, taxa = ws.fossilTaxonCount;
    TARVEX_FUZZ_CHECK(samples >= 1 && taxa == ws.refTaxonCount);
    TARVEX_FUZZ_CHECK(ws.fossilData.rows() == samples && ws.fossilData.cols() >= taxa);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.fossilSampleLabels.size()) == samples + 1);
    TARVEX_FUZZ_CHECK(static_cast<int>(ws.fossilSampleEmpty.size()) == samples + 1);
    TARVEX_FUZZ_CHECK(ws.fossilProportions.rows() == samples);
    TARVEX_FUZZ_CHECK(ws.currentFossilSample >= 1 && ws.currentFossilSample <= samples);
    return 0;
}
