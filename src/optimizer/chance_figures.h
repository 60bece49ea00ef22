#pragma once

#include "optimizer/engine/chance.h"
#include "optimizer/formulation_run.h"
#include "workspace/unsaved_changes.h"

#include <optional>
#include <vector>

namespace store {
class Database;
}

namespace optimizer {

// The chance limits of the workspace for a blend built from it by tableauBlend: each nutrient's
// probability and the deviations of today's compositions, taken per unit of dry matter as the
// values are. None when no nutrient has a probability.
std::optional<lp::ChanceLimits> chanceLimitsOf(const workspace::Workspace& ws,
                                               const lp::Blend& blend,
                                               const workspace::MixCompositions& compositions);

// Whether some probability meets a deviation above 0: otherwise every limit is the linear one
// and a formulation runs as it would without probabilities.
bool changesAnyLimit(const lp::ChanceLimits& chance);

// The mix the workspace holds as the engine's shares: on the blend's ingredient basis, in the
// blend's order (ascending id). None when no ingredient has a share above 0 (nothing
// formulated).
std::optional<std::vector<double>> mixShares(const workspace::Workspace& ws,
                                             const lp::Blend& blend);

// The mean content, its deviation and the margin z·σ of each nutrient whose limits hold with a
// probability, for the mix the workspace holds with today's compositions and deviations: what a
// formulation that found this mix reports, on the same basis and in the workspace's order. The
// prices are left empty, since only a formulation knows them. None when the workspace holds no
// mix, when no deviation meets a probability (the limits are the linear ones), or when a
// probability or deviation is one the engine refuses.
std::vector<ChanceFigureRow> chanceFiguresOfMix(const workspace::Workspace& ws,
                                                const workspace::MixCompositions& compositions);
std::vector<ChanceFigureRow> chanceFiguresOfMix(const workspace::Workspace& ws,
                                                store::Database& db);

// What the workspace window shows and prints of its limits held with a probability. A
// formulation's figures carry the limits' prices, which stay true only for the workspace it
// formulated: once anything a save would write has changed (a limit, a probability, a price,
// the mix), the figures are those of the mix as it stands, without prices.
class ChanceFigureSource {
public:
    void formulated(const workspace::Workspace& ws, std::vector<ChanceFigureRow> rows);
    void forget();
    std::vector<ChanceFigureRow> figures(const workspace::Workspace& ws, store::Database& db) const;

private:
    std::optional<workspace::SavedState> formulatedState_;
    std::vector<ChanceFigureRow> formulatedRows_;
};

} // namespace optimizer
