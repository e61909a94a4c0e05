// The leave-one-out error model written the straightforward way, as the yardstick the whole
// batch run is timed against: read the pollen and climate tables, turn the counts into
// proportions, take square roots, compute the squared chord distance of every site to every
// other site, average the climate of the nearest analogues, for every parameter. One thread,
// no tiling, no vector code, nothing written but a short summary. With --print it prints
// every estimate; with --check DIR it compares them with the scatter files scatter-P.csv a
// batch run wrote into DIR, at their 15 significant digits, and fails when any differs.
//
//   PlainLeaveOneOut MODERN.csv CLIMATE.csv [ANALOGUES [THRESHOLD]] [--print | --check DIR]
//
// ANALOGUES (default 10) and THRESHOLD (default 2) are what tarvex-batch takes as
// --analogues 0-ANALOGUES and --threshold THRESHOLD with --analogue-enhance sqrt and
// --weighting none. The rules that decide which sites are analogues are the program's: a
// distance is compared in single precision, must lie below the square root of the threshold,
// and a distance of 0 (the site itself, or a copy of it) is no analogue; among equal
// distances the lower site number comes first.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Table {
    std::vector<std::string> columns;  // the header's names, the label column left out
    std::vector<std::vector<double>> rows;
};

std::vector<std::string> SplitLine(const std::string& line)
{
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, ',')) {
        if (!cell.empty() && cell.back() == '\r') cell.pop_back();
        cells.push_back(cell);
    }
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    return cells;
}

bool ReadTable(const char* path, Table& table)
{
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    if (!std::getline(in, line)) return false;
    std::vector<std::string> header = SplitLine(line);
    table.columns.assign(header.begin() + 1, header.end());
    while (std::getline(in, line)) {
        if (line.empty() || line == "\r") continue;
        const std::vector<std::string> cells = SplitLine(line);
        std::vector<double> row;
        for (std::size_t c = 1; c < cells.size(); ++c)
            row.push_back(std::strtod(cells[c].c_str(), nullptr));
        row.resize(table.columns.size(), 0.0);
        table.rows.push_back(row);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<const char*> positional;
    bool print = false;
    std::string checkFolder;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--print")
            print = true;
        else if (std::string(argv[i]) == "--check" && i + 1 < argc)
            checkFolder = argv[++i];
        else
            positional.push_back(argv[i]);
    }
    if (positional.size() < 2) {
        std::fprintf(stderr,
                     "usage: %s MODERN.csv CLIMATE.csv [ANALOGUES [THRESHOLD]] [--print | --check "
                     "DIR]\n",
                     argv[0]);
        return 2;
    }
    const int analogues = positional.size() > 2 ? std::atoi(positional[2]) : 10;
    const double threshold = std::sqrt(positional.size() > 3 ? std::atof(positional[3]) : 2.0);
    const auto start = std::chrono::steady_clock::now();

    Table pollen, climate;
    if (!ReadTable(positional[0], pollen) || !ReadTable(positional[1], climate)) {
        std::fprintf(stderr, "cannot read the tables\n");
        return 1;
    }
    const std::size_t sites = pollen.rows.size();
    const std::size_t taxa = pollen.columns.size();
    const std::size_t params = climate.columns.size();
    if (climate.rows.size() != sites) {
        std::fprintf(stderr, "the tables hold %zu and %zu sites\n", sites, climate.rows.size());
        return 1;
    }

    // Square roots of the proportions.
    std::vector<std::vector<double>> roots(sites, std::vector<double>(taxa, 0.0));
    for (std::size_t s = 0; s < sites; ++s) {
        double total = 0;
        for (std::size_t t = 0; t < taxa; ++t) total += pollen.rows[s][t];
        if (total == 0) continue;
        for (std::size_t t = 0; t < taxa; ++t) roots[s][t] = std::sqrt(pollen.rows[s][t] / total);
    }

    std::vector<std::vector<double>> estimates(sites, std::vector<double>(params, -9999));
    std::vector<std::pair<float, std::size_t>> candidates(sites);
    for (std::size_t i = 0; i < sites; ++i) {
        // Squared chord distance to every site.
        for (std::size_t j = 0; j < sites; ++j) {
            double d = 0;
            for (std::size_t t = 0; t < taxa; ++t) {
                const double diff = roots[j][t] - roots[i][t];
                d += diff * diff;
            }
            candidates[j] = {static_cast<float>(d), j};
        }
        // The nearest, in order of distance and then of site number.
        std::vector<std::pair<float, std::size_t>> nearest;
        for (const auto& c : candidates)
            if (c.first != 0) nearest.push_back(c);
        const std::size_t k = std::min<std::size_t>(analogues, nearest.size());
        std::partial_sort(nearest.begin(), nearest.begin() + k, nearest.end());
        std::size_t used = 0;
        while (used < k && nearest[used].first < static_cast<float>(threshold)) ++used;
        if (used == 0) continue;
        for (std::size_t p = 0; p < params; ++p) {
            double sum = 0;
            for (std::size_t a = 0; a < used; ++a) sum += climate.rows[nearest[a].second][p];
            estimates[i][p] = sum / static_cast<double>(used);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (!checkFolder.empty()) {
        // The first field of every data line of scatter-P.csv is the estimate of site s (empty
        // for none), as the batch program writes it.
        std::size_t compared = 0, differing = 0;
        for (std::size_t p = 0; p < params; ++p) {
            std::ifstream in(checkFolder + "/scatter-" + std::to_string(p + 1) + ".csv");
            std::string line;
            if (!in || !std::getline(in, line)) {
                std::fprintf(stderr, "cannot read scatter-%zu.csv in %s\n", p + 1,
                             checkFolder.c_str());
                return 1;
            }
            for (std::size_t s = 0; s < sites; ++s) {
                if (!std::getline(in, line)) {
                    std::fprintf(stderr, "scatter-%zu.csv ends at site %zu\n", p + 1, s + 1);
                    return 1;
                }
                const std::string field = line.substr(0, line.find(','));
                const double mine = estimates[s][p];
                char text[32];
                std::snprintf(text, sizeof text, "%.15g", mine);
                const bool same =
                    field.empty() || field == "\"\""
                        ? mine == -9999
                        : std::strtod(field.c_str(), nullptr) == std::strtod(text, nullptr);
                ++compared;
                if (!same && ++differing <= 5)
                    std::fprintf(stderr, "parameter %zu, site %zu: %s here, %s there\n", p + 1,
                                 s + 1, text, field.c_str());
            }
        }
        std::printf("%zu estimates compared, %zu differ\n", compared, differing);
        return differing == 0 ? 0 : 1;
    }
    if (print) {
        for (std::size_t p = 0; p < params; ++p)
            for (std::size_t s = 0; s < sites; ++s)
                std::printf("%zu,%zu,%.17g\n", p + 1, s + 1, estimates[s][p]);
        return 0;
    }
    double check = 0;
    for (const auto& row : estimates)
        for (const double v : row) check += v;
    std::printf("%zu sites x %zu taxa, %zu parameters: %.3f s, sum of the estimates %.10g\n", sites,
                taxa, params, seconds, check);
    return 0;
}
