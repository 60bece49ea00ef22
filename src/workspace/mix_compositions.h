#pragma once

#include <QHash>
#include <optional>
#include <vector>

namespace store {
class Database;
}

namespace workspace {

struct Workspace;

// Today's catalogue composition of the workspace's ingredients, read once for a whole run or
// recount: only the rows of those ingredients (never the rest of the catalogue) and only for
// the nutrients asked for.
class MixCompositions {
public:
    // The catalogue's valor of the nutrient in the ingredient; nullopt when it has no row.
    std::optional<double> valor(int nutrient, int ingredient) const;
    // The standard deviation of that valor (producto_propiedad_desvio), in its unit and basis;
    // 0 when none is stored.
    double desvio(int nutrient, int ingredient) const;
    // The catalogue's materia_seca of an ingredient with at least one composition row read.
    std::optional<double> catalogueDryMatter(int ingredient) const;

    // The rows of these ingredients for these nutrients only, as reading just them would give
    // (an ingredient's dry matter only when one of its rows is among them).
    MixCompositions restrictedTo(const std::vector<int>& ingredients,
                                 const std::vector<int>& nutrients) const;

    // Records a row; false when the pair was already recorded.
    bool add(int nutrient, int ingredient, double valor, double catalogueDryMatter);
    // Records a deviation; false when the pair already has one.
    bool addDesvio(int nutrient, int ingredient, double desvio);

private:
    static qint64 key(int nutrient, int ingredient) {
        return (qint64(nutrient) << 32) | quint32(ingredient);
    }
    QHash<qint64, double> valor_;
    QHash<qint64, double> desvio_;
    QHash<int, double> dryMatter_;
};

// One prepared look-up per ingredient, and one reading of the deviations of all the pairs. A stored
// value the program cannot use (text, an infinite number) or a repeated composition row throws
// store::StoredValueError naming it.
MixCompositions readMixCompositions(store::Database& db, const std::vector<int>& ingredients,
                                    const std::vector<int>& nutrients);

// The same for the workspace's ingredient and nutrient rows.
MixCompositions readMixCompositions(store::Database& db, const Workspace& ws);

} // namespace workspace
