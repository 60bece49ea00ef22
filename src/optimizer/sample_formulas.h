#pragma once

namespace store {
class Database;
}

namespace optimizer {

// The batch every sample formula is formulated for.
inline constexpr double kSampleBatch = 1000;

// Formulates every stored formula at a batch of 1000 and stores its mix and nutrient values as
// the workspace's save does, so a new sample database opens on formulated diets. Runs inside the
// caller's transaction; a formula that does not reach an optimum is left as it was stored.
// Returns how many formulas were stored formulated.
int formulateSampleFormulas(store::Database& db);

} // namespace optimizer
