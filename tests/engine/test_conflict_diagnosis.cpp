// The conflict diagnosis of large generated blends: a sound, minimal set found by filtering only
// the limits the engine's proof of infeasibility rests on, and a caller that can stop it.

#include "blend_generator.h"
#include "optimizer/engine/engine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lp {
namespace {

bool sameLimit(const LimitRef& a, const LimitRef& b) {
    return a.kind == b.kind && a.side == b.side && a.index == b.index;
}

// Blends of 200 ingredients on dry matter with 10 ratios and 5 groups, some limits pushed past
// the planted mix, that the checks before assembly let through and the engine finds infeasible.
std::vector<Blend> infeasibleBlends(int count) {
    generator::Rng rng(200030);
    generator::Shape s;
    s.ingredients = 200;
    s.nutrients = 30;
    s.secaIng = s.secaNut = true;
    s.ratios = 10;
    s.groups = 5;
    s.stretched = 0.1;
    s.withMaximum = 0.5;
    s.withMinimum = 0.2;
    std::vector<Blend> out;
    while (static_cast<int>(out.size()) < count) {
        Blend b = generator::randomBlend(rng, s);
        if (checkRatiosAndGroups(b).empty() && !probe(b).feasible)
            out.push_back(std::move(b));
    }
    return out;
}

TEST(ConflictDiagnosis, LargeBlendsFilterOnlyWhatTheProofRestsOn) {
    for (const Blend& b : infeasibleBlends(3)) {
        const std::vector<LimitRef> limits = userLimits(b);
        // Runs while the limits are filtered (the steps grow by the set's size after).
        int filterRuns = 0, calls = 0, lastDone = -1;
        const Diagnosis d = diagnoseConflict(b, [&](int done, int total) {
            ++calls;
            EXPECT_LE(done, total);
            EXPECT_GE(done, lastDone);
            lastDone = done;
            if (total == static_cast<int>(limits.size()))
                ++filterRuns;
            return true;
        });
        ASSERT_FALSE(d.cancelled);
        ASSERT_FALSE(d.conflicto.empty());
        // Dropping one limit after another took a run for each of the ~280 limits.
        EXPECT_LT(filterRuns, static_cast<int>(limits.size()) / 4);

        // Sound and minimal: the set alone has no mix, and without any one of its limits it has.
        Blend set = b;
        for (const LimitRef& l : limits)
            if (std::none_of(d.conflicto.begin(), d.conflicto.end(),
                             [&](const ConflictLimit& c) { return sameLimit(c.limit, l); }))
                set = withLimit(set, l, std::nullopt);
        EXPECT_FALSE(probe(set).feasible);
        for (const ConflictLimit& c : d.conflicto) {
            EXPECT_TRUE(probe(withLimit(set, c.limit, std::nullopt)).feasible) << c.nombre;
            if (c.relajacion) {
                EXPECT_TRUE(probe(withLimit(b, c.limit, *c.relajacion)).feasible) << c.nombre;
            }
        }
        // In the order the limits are listed, as the plain filter gave them.
        for (size_t k = 1; k < d.conflicto.size(); ++k) {
            auto at = [&](const LimitRef& l) {
                return std::find_if(limits.begin(), limits.end(),
                                    [&](const LimitRef& m) { return sameLimit(l, m); });
            };
            EXPECT_LT(at(d.conflicto[k - 1].limit), at(d.conflicto[k].limit));
        }
        // The overload without a caller gives the same set.
        EXPECT_EQ(diagnoseConflict(b).size(), d.conflicto.size());
    }
}

TEST(ConflictDiagnosis, TheCallerStopsIt) {
    const Blend b = infeasibleBlends(1).front();
    int all = 0;
    ASSERT_FALSE(diagnoseConflict(b, [&](int, int) { return ++all > 0; }).conflicto.empty());
    for (int stopAt : {1, all / 2, all}) {
        int calls = 0;
        const Diagnosis d = diagnoseConflict(b, [&](int, int) { return ++calls < stopAt; });
        EXPECT_TRUE(d.cancelled) << stopAt;
        EXPECT_TRUE(d.conflicto.empty()) << stopAt;
        EXPECT_EQ(calls, stopAt); // no run after the answer
    }
    // A feasible blend is no conflict, and not a cancelled one.
    Blend feasible = b;
    for (const LimitRef& l : userLimits(b))
        feasible = withLimit(feasible, l, std::nullopt);
    const Diagnosis none = diagnoseConflict(feasible, [](int, int) { return true; });
    EXPECT_FALSE(none.cancelled);
    EXPECT_TRUE(none.conflicto.empty());
}

} // namespace
} // namespace lp
