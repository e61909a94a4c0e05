#include "data/RecordWriter.h"
#include "diagram/Coniss.h"

namespace tarvex {

std::string ZonationFileText(const ConissState& state)
{
    RecordWriter w;
    w.Text("Merge").Text("Cluster").Text("Size").Text("Level").EndRecord();
    for (std::size_t v = 1; v < state.merges.size(); ++v) {
        const ConissMerge& m = state.merges[v];
        w.Integer(static_cast<long>(v)).Integer(m.cluster).Integer(m.size).Single(m.level);
        w.EndRecord();
    }
    return w.str();
}

std::string ZonationIssFileText(const IssZonation& zonation)
{
    RecordWriter w;
    w.Text("Merge").Text("Upper").Text("Lower").Text("Increment").Text("Dispersion").EndRecord();
    for (std::size_t v = 1; v < zonation.merges.size(); ++v) {
        const IssMerge& m = zonation.merges[v];
        w.Integer(static_cast<long>(v)).Integer(m.upper).Integer(m.lower);
        w.Number(m.increment).Number(m.dispersion).EndRecord();
    }
    w.Text("Significant zones (broken stick)").Integer(zonation.significantZones).EndRecord();
    return w.str();
}

}  // namespace tarvex
