#include "tf/TransferFiles.h"

#include <cmath>

#include "data/RecordWriter.h"

namespace tarvex {
namespace tf {

namespace {

// A value that is not a number (no estimate, an undefined figure) leaves its field empty.
void Value(RecordWriter& w, double v)
{
    if (!std::isfinite(v))
        w.Empty();
    else
        w.Number(v);
}

void Model(RecordWriter& w, const Column& c)
{
    w.Text(MethodName(c.method));
    if (c.components > 0)
        w.Integer(c.components);
    else
        w.Empty();
}

void Header(RecordWriter& w, std::initializer_list<const char*> names)
{
    for (const char* n : names) w.Text(n);
    w.EndRecord();
}

// The analogue method's rows of validation tables only come with a validation.
bool Listed(const Results& r, const Column& c)
{
    return c.method != Method::Mat || r.settings.validation != Validation::None;
}

}  // namespace

std::string PerformanceText(const Inputs& in, const Results& r)
{
    RecordWriter w;
    Header(w, {"Parameter", "Method", "Components", "Validation", "RMSE", "R2", "Mean bias",
               "Max bias", "Suggested"});
    const std::string validation = ValidationText(r.settings);
    for (const ParamResult& p : r.params)
        for (std::size_t c = 0; c < r.columns.size(); ++c) {
            const Column& col = r.columns[c];
            if (!Listed(r, col)) continue;
            for (int validated = 0; validated <= (validation.empty() ? 0 : 1); ++validated) {
                const Figures& f = validated ? p.validatedFigures[c] : p.apparentFigures[c];
                w.Text(in.paramNames[static_cast<std::size_t>(p.param)]);
                Model(w, col);
                w.Text(validated ? validation : "apparent");
                Value(w, f.rmse);
                Value(w, f.r2);
                Value(w, f.meanBias);
                Value(w, f.maxBias);
                const bool suggested =
                    validated && col.method == Method::WaPls && col.components == p.suggested;
                w.Integer(suggested ? 1 : 0);
                w.EndRecord();
            }
        }
    return w.str();
}

std::string CrossValidationText(const Inputs& in, const Results& r)
{
    RecordWriter w;
    Header(w, {"Parameter", "Method", "Components", "Site", "Observed", "Apparent",
               "Cross-validated"});
    for (const ParamResult& p : r.params)
        for (std::size_t c = 0; c < r.columns.size(); ++c) {
            const Column& col = r.columns[c];
            if (!Listed(r, col)) continue;
            for (int s = 1; s <= in.sites; ++s) {
                w.Text(in.paramNames[static_cast<std::size_t>(p.param)]);
                Model(w, col);
                w.Text(in.siteLabels[static_cast<std::size_t>(s)]);
                Value(w, in.climate(s, p.param));
                Value(w, p.apparent(s, static_cast<int>(c)));
                Value(w, p.validated.empty() ? kNoEstimate : p.validated(s, static_cast<int>(c)));
                w.EndRecord();
            }
        }
    return w.str();
}

std::string CoefficientsText(const Inputs& in, const Results& r)
{
    RecordWriter w;
    Header(w,
           {"Taxon", "Parameter", "Method", "Components", "Optimum", "Tolerance", "Coefficient"});
    for (const ParamResult& p : r.params)
        for (const Column& col : r.columns) {
            if (col.method == Method::Mat) continue;
            const bool wa = col.method != Method::WaPls;
            const bool down = col.method == Method::WaInverseTolerance ||
                              col.method == Method::WaClassicalTolerance;
            for (int k = 1; k <= in.taxa; ++k) {
                w.Text(in.taxonNames[static_cast<std::size_t>(k)]);
                w.Text(in.paramNames[static_cast<std::size_t>(p.param)]);
                Model(w, col);
                if (wa) {
                    const bool known = k <= p.wa.taxa && p.wa.active[k];
                    Value(w, known ? p.wa.optimum[k] : kNoEstimate);
                    const std::vector<double>& t = down ? p.wa.usedTolerance : p.wa.tolerance;
                    Value(w, known && !t.empty() ? t[k] : kNoEstimate);
                    w.Empty();
                } else {
                    const bool known = k <= p.wapls.taxa && p.wapls.active[k] &&
                                       col.components <= p.wapls.components;
                    w.Empty().Empty();
                    Value(w, known ? p.wapls.beta(k, col.components) : kNoEstimate);
                }
                w.EndRecord();
            }
        }
    return w.str();
}

std::string ReconstructionText(const Inputs& in, const Results& r)
{
    RecordWriter w;
    Header(w, {"Sample", "Parameter", "Method", "Components", "Estimate", "Bootstrap estimate",
               "s1", "s2", "Error"});
    const bool bootstrap = r.settings.resamples > 0;
    for (const ParamResult& p : r.params)
        for (std::size_t c = 0; c < r.columns.size(); ++c) {
            const int col = static_cast<int>(c);
            for (int f = 1; f <= in.samples; ++f) {
                w.Text(in.sampleLabels[static_cast<std::size_t>(f)]);
                w.Text(in.paramNames[static_cast<std::size_t>(p.param)]);
                Model(w, r.columns[c]);
                Value(w, p.fossil(f, col));
                if (bootstrap && !p.bootstrapFossil.empty()) {
                    const double s1 = p.s1(f, col), s2 = p.s2[c];
                    Value(w, p.bootstrapFossil(f, col));
                    Value(w, s1);
                    // s2 belongs to the model; a sample without estimates has no error.
                    Value(w, std::isnan(p.bootstrapFossil(f, col)) ? kNoEstimate : s2);
                    Value(w, std::sqrt(s1 * s1 + s2 * s2));
                } else {
                    w.Empty().Empty().Empty().Empty();
                }
                w.EndRecord();
            }
        }
    return w.str();
}

std::string SignificanceText(const Inputs& in, const Results& r)
{
    RecordWriter w;
    Header(w, {"Parameter", "Method", "Components", "Explained", "First component", "p",
               "Random variables"});
    for (const ParamResult& p : r.params)
        for (std::size_t c = 0; c < r.columns.size(); ++c) {
            w.Text(in.paramNames[static_cast<std::size_t>(p.param)]);
            Model(w, r.columns[c]);
            Value(w, p.explained[c]);
            Value(w, p.firstComponent[c]);
            Value(w, p.pValue[c]);
            w.Integer(r.settings.randomVariables);
            w.EndRecord();
        }
    return w.str();
}

std::string ComponentsText(const Inputs& in, const Results& r)
{
    RecordWriter w;
    Header(w, {"Parameter", "Method", "Components", "Validation", "RMSE", "Change %", "p"});
    const std::string validation = ValidationText(r.settings);
    if (validation.empty()) return w.str();
    for (const ParamResult& p : r.params)
        for (std::size_t c = 0; c < r.columns.size(); ++c) {
            const Column& col = r.columns[c];
            if (col.method != Method::WaPls) continue;
            const std::size_t k = static_cast<std::size_t>(col.components);
            w.Text(in.paramNames[static_cast<std::size_t>(p.param)]);
            Model(w, col);
            w.Text(validation);
            Value(w, p.validatedFigures[c].rmse);
            Value(w, k < p.rmsepChange.size() ? p.rmsepChange[k] : kNoEstimate);
            Value(w, k < p.componentP.size() ? p.componentP[k] : kNoEstimate);
            w.EndRecord();
        }
    return w.str();
}

}  // namespace tf
}  // namespace tarvex
