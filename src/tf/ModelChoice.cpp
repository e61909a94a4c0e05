#include "tf/ModelChoice.h"

#include <cmath>

namespace tarvex {
namespace tf {

namespace {

struct Named {
    const char* text;
    Method method;
};

constexpr Named kWaNames[] = {{"wa-inverse", Method::WaInverse},
                              {"wa-classical", Method::WaClassical},
                              {"wa-inverse-tolerance", Method::WaInverseTolerance},
                              {"wa-classical-tolerance", Method::WaClassicalTolerance}};
constexpr const char* kWaPlsPrefix = "wapls:";

}  // namespace

int ColumnOf(const Results& results, Method method, int components)
{
    for (std::size_t c = 0; c < results.columns.size(); ++c)
        if (results.columns[c].method == method && results.columns[c].components == components)
            return static_cast<int>(c);
    return -1;
}

std::string ModelName(const Column& column)
{
    std::string name = MethodName(column.method);
    if (column.components > 0) name += " " + std::to_string(column.components);
    return name;
}

bool ParseModelChoice(const std::string& text, ModelChoice& choice)
{
    if (text == "suggested") {
        choice = ModelChoice{};
        return true;
    }
    for (const Named& n : kWaNames)
        if (text == n.text) {
            choice.suggested = false;
            choice.column = {n.method, 0};
            return true;
        }
    const std::string prefix = kWaPlsPrefix;
    if (text.size() <= prefix.size() || text.size() > prefix.size() + 2 ||
        text.compare(0, prefix.size(), prefix) != 0)
        return false;
    int components = 0;
    for (std::size_t i = prefix.size(); i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        components = components * 10 + (text[i] - '0');
    }
    if (components < 1 || components > 20 || text[prefix.size()] == '0') return false;
    choice.suggested = false;
    choice.column = {Method::WaPls, components};
    return true;
}

std::string ModelChoiceText(const ModelChoice& choice)
{
    if (choice.suggested) return "suggested";
    if (choice.column.method == Method::WaPls)
        return kWaPlsPrefix + std::to_string(choice.column.components);
    for (const Named& n : kWaNames)
        if (n.method == choice.column.method) return n.text;
    return "suggested";
}

int ChosenColumn(const Results& results, const ParamResult& result, const ModelChoice& choice)
{
    if (!choice.suggested)
        return choice.column.method == Method::Mat
                   ? -1
                   : ColumnOf(results, choice.column.method, choice.column.components);
    if (result.suggested > 0) return ColumnOf(results, Method::WaPls, result.suggested);
    const int wa = ColumnOf(results, Method::WaInverse, 0);
    return wa >= 0 ? wa : ColumnOf(results, Method::WaPls, 1);
}

ModelChoice ChoiceOfColumn(const Results& results, const ParamResult& result, int column)
{
    ModelChoice choice;
    if (column >= 0 && column < static_cast<int>(results.columns.size()) &&
        ChosenColumn(results, result, choice) != column) {
        choice.suggested = false;
        choice.column = results.columns[static_cast<std::size_t>(column)];
    }
    return choice;
}

ErrorBand BandOf(const Results& results, const ParamResult& r, int column)
{
    ErrorBand band;
    if (column < 0 || column >= static_cast<int>(results.columns.size())) return band;
    const std::size_t c = static_cast<std::size_t>(column);
    const bool mat = results.columns[c].method == Method::Mat;
    if (!mat && results.settings.resamples > 0 && !r.s1.empty() && c < r.s2.size() &&
        std::isfinite(r.s2[c])) {
        band.kind = ErrorBand::Kind::SampleSpecific;
        band.validation = "bootstrap " + std::to_string(results.settings.resamples);
        return band;
    }
    if (results.settings.validation != Validation::None && c < r.validatedFigures.size() &&
        std::isfinite(r.validatedFigures[c].rmse)) {
        band.kind = ErrorBand::Kind::Rmsep;
        band.rmsep = r.validatedFigures[c].rmse;
        band.validation = ValidationText(results.settings);
    }
    return band;
}

double BandHalfWidth(const ErrorBand& band, const ParamResult& r, int column, int f)
{
    switch (band.kind) {
        case ErrorBand::Kind::SampleSpecific: {
            if (f < 1 || f > r.s1.rows()) return kNoEstimate;
            const double s1 = r.s1(f, column), s2 = r.s2[static_cast<std::size_t>(column)];
            return std::sqrt(s1 * s1 + s2 * s2);
        }
        case ErrorBand::Kind::Rmsep:
            return band.rmsep;
        case ErrorBand::Kind::None:
            break;
    }
    return kNoEstimate;
}

}  // namespace tf
}  // namespace tarvex
