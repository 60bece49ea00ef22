#pragma once

#include "book/formula_snapshot.h"
#include "formulas/formula_search.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
struct FormulaHeader;
} // namespace workspace

// Re-formulating the book of formulas after a price change: every chosen formula is loaded as
// the workspace loads it, takes over today's catalogue prices and dry matter, and is formulated
// at least cost on its own limits, quantity and bases. The worklist says what each one costs
// now, which ingredients entered and left the mix, and which can no longer be made; the chosen
// rows are then saved as new versions, all of them or none.
namespace book {

// Which formulas: those the formula list's filters find (empty filters: all), only the codes
// named (none named: every code), and by default only the highest stored version of each code.
struct Selection {
    formulas::FormulaFilter filter;
    QStringList codes;
    bool highestVersionOnly = true;
};

// A stored formula chosen for the run.
struct ChosenFormula {
    int idFormula = 0;
    QString codigo;
    QString producto;
    double version = 0;
};

// The formulas of the selection, by code and version. A named code that matches no formula is
// returned in `missing` (the caller says so). Throws store::StoreError when the database fails.
std::vector<ChosenFormula> chooseFormulas(store::Database& db, const Selection& selection,
                                          QStringList* missing = nullptr);

enum class Outcome {
    Optimum,        // "óptimo"
    NoLeavingRow,   // an optimum with the engine's warning
    IterationLimit, // stopped before the optimum
    Infeasible,     // "sin solución": the first conflicting limit is named
    NotStandard,
    PrecheckFailed, // a nutrient minimum out of reach
    Invalid,        // a validation refused the formula
    NotLoaded,      // a stored value the program cannot use: not formulated
};

QString outcomeText(Outcome outcome); // as the worklist shows it
QString outcomeKey(Outcome outcome);  // as the command line writes it ("optimum", ...)

// One line of the worklist.
// How far the search of a formula with weighing conditions went.
struct WorklistSearch {
    long nodos = 0;
    double brecha = 0;    // (cost - proven bound) / cost; 0 when proven
    bool probado = false; // the mix is the best there is, or there is none
};

// How long the re-formulation lets the search of each formula with weighing conditions run, as
// the workspace lets it run: then the best mix found is kept, marked as not proven.
constexpr double kBookSearchSeconds = 10;

// Where the search of each formula with weighing conditions stops; 0: no limit.
struct SearchLimits {
    long maxNodos = 0;
    double maxSegundos = kBookSearchSeconds;
};

struct WorklistRow {
    int idFormula = 0;
    QString codigo;
    QString producto;
    double version = 0;
    std::optional<double> costoAnterior;  // per unit as fed: the stored mix at its stored prices
    std::optional<double> costoMezclaHoy; // the stored mix at today's prices
    std::optional<double> costoNuevo;     // the re-formulated mix, when there is one
    Outcome outcome = Outcome::NotLoaded;
    QString mensaje;    // why it is not an optimum, or what the load noted
    QStringList entran; // ingredients in the new mix that the stored one lacked
    QStringList salen;  // ingredients of the stored mix that left it
    int idNuevo = 0;    // after the save: the new version's key
    std::optional<int> versionNueva;
    std::optional<WorklistSearch> entero; // set for a formula with weighing conditions

    // (new - old) / old × 100; none without both costs or with an old cost of 0.
    std::optional<double> cambioPorcentual() const;
    // An optimum not saved yet.
    bool savable() const;
};

// The row's result as the worklist shows it: outcomeText, and for a search stopped before its
// proof "óptimo (no probado, brecha 0.12 %)".
QString resultText(const WorklistRow& row);

// What one run found; the re-formulated mixes stay here until they are saved.
class Reformulation {
public:
    Reformulation();
    ~Reformulation();
    Reformulation(Reformulation&&) noexcept;
    Reformulation& operator=(Reformulation&&) noexcept;

    // progress(done, total) after each formula; cancelled() is asked before each one, and a
    // cancelled run keeps the rows it finished. Writes nothing. Returns false when cancelled.
    struct Control {
        std::function<void(int done, int total)> progress;
        std::function<bool()> cancelled;
        SearchLimits limits;
    };
    bool run(store::Database& db, const std::vector<ChosenFormula>& formulas,
             const Control& control = {});

    const std::vector<WorklistRow>& rows() const { return rows_; }
    // The stored version and its re-formulated mix (none when it could not be loaded).
    const std::optional<FormulaSnapshot>& before(int row) const;
    const std::optional<FormulaSnapshot>& after(int row) const;

    // The re-formulated mix of a row not saved yet, at today's prices, and its header with the
    // mix's figures, for the workspace to open unsaved; none once saved or without a mix.
    struct Unsaved {
        const workspace::Workspace& ws;
        const workspace::FormulaHeader& header;
    };
    std::optional<Unsaved> unsaved(int row) const;

    // Whether an ingredient of the catalogue (its price, its dry matter) was saved since the run
    // began: the rows may then have been formulated at two price levels.
    bool catalogueChanged(store::Database& db);

    // Saves the savable rows among `rowIndices` as new versions of their formulas, each as the
    // workspace saves one, all in one transaction: a failure anywhere leaves no new version and
    // throws store::StoreError with the reason. Every new version carries the prices the whole
    // run read: when the catalogue changed since the run began (catalogueChanged), nothing is
    // saved and store::StaleRowError (kCatalogueChanged) is thrown. Returns the rows saved; the
    // others (not an optimum, or saved already) are left as they were.
    std::vector<int> save(store::Database& db, const std::vector<int>& rowIndices);

    // Lines on the run as a whole: how many formulas got dearer, cheaper, or have no mix.
    QString summary() const;

private:
    struct Held;
    std::vector<WorklistRow> rows_;
    std::vector<Held> held_;
    std::optional<long long> catalogue_; // the catalogue's change counters when the run began
};

inline const QString kCatalogueChanged = QStringLiteral(
    "Los precios o la materia seca de los ingredientes cambiaron mientras se "
    "reformulaba (otra ventana, otro usuario o una lista de precios), y las fórmulas "
    "quedarían con precios distintos. Vuelva a reformular para grabarlas todas con "
    "los precios de ahora.");

} // namespace book
