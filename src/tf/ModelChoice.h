#pragma once

#include <string>

#include "tf/TransferRun.h"

namespace tarvex {
namespace tf {

// A model's name with its components: "WA-PLS 2", "WA inverse".
std::string ModelName(const Column& column);

// The column of results.columns of a model; -1 when the run has none.
int ColumnOf(const Results& results, Method method, int components = 0);

// Which model of a run the figures draw beside the analogue reconstruction.
struct ModelChoice {
    // The suggested WA-PLS model; without a suggestion WA inverse, or WA-PLS with one
    // component (the same estimates) when WA was not run.
    bool suggested = true;
    Column column;  // otherwise this model
};

// "suggested", "wa-inverse", "wa-classical", "wa-inverse-tolerance", "wa-classical-tolerance"
// or "wapls:N" (N from 1 to 20); false for any other text.
bool ParseModelChoice(const std::string& text, ModelChoice& choice);
std::string ModelChoiceText(const ModelChoice& choice);

// The column of results.columns that the choice names for one parameter; -1 when the run has
// no such model.
int ChosenColumn(const Results& results, const ParamResult& result, const ModelChoice& choice);
// The choice that gives column for one parameter: the suggestion when it is that column, else
// the column's model itself.
ModelChoice ChoiceOfColumn(const Results& results, const ParamResult& result, int column);

// The error band around a model's fossil estimates: the bootstrap's sample-specific error
// sqrt(s1^2 + s2^2) when the run had a bootstrap, else the cross-validated RMSEP, else none.
// The analogue method's band is always its cross-validated RMSEP.
struct ErrorBand {
    enum class Kind { None, SampleSpecific, Rmsep };
    Kind kind = Kind::None;
    double rmsep = kNoEstimate;  // with Rmsep
    std::string validation;      // "leave-one-out", "bootstrap 1000": where the error comes from
};
ErrorBand BandOf(const Results& results, const ParamResult& result, int column);
// The half-width of the band at fossil sample f; NaN where there is none.
double BandHalfWidth(const ErrorBand& band, const ParamResult& result, int column, int f);

}  // namespace tf
}  // namespace tarvex
