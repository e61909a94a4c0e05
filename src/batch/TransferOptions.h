#pragma once

#include <cstdint>
#include <string>

#include "tf/ModelChoice.h"
#include "tf/Random.h"
#include "tf/TransferRun.h"

namespace tarvex {

// The transfer functions of a scripted run (--transfer and the options that go with it).
struct TransferOptions {
    bool wa = false;
    bool wapls = false;
    bool tolerance = false;
    int components = tf::kDefaultComponents;
    tf::Validation cv = tf::Validation::None;
    std::string locationsPath;
    double hblockKm = 200;
    // Resamples; 0 = none. -1 until the options are checked: not given, which means 1000
    // with --cv bootstrap and none otherwise.
    int bootstrap = -1;
    std::uint64_t seed = tf::Random::kDefaultSeed;
    int significance = 0;  // random variables; 0 = no test
    // The model the figures set beside the analogue reconstruction (--transfer-model).
    tf::ModelChoice model;

    bool On() const { return wa || wapls; }
};

// The most modern sites the transfer functions read. Beyond the 9999 of the prescribed
// tables, a set is held several times in memory during a run (the table as read, its
// proportions, the training rows: about 1.5 GB at 100,000 sites of 499 taxa), and the
// analogue method's cross-validation grows with the square of the sites.
inline constexpr int kTransferMaxSites = 100000;

}  // namespace tarvex
