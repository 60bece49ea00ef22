#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// The history of each composition value and its deviation: one row of
// `producto_propiedad_historial` for every change made from laboratory analyses or a composition
// list, written in the transaction of the change itself, as the price history is.
namespace catalog {

inline const QString kOrigenAnalisis = QStringLiteral("análisis");
inline const QString kOrigenListaComposicion = QStringLiteral("lista de composición");
inline const QString kOrigenEdicionComposicion = QStringLiteral("edición");
// The value a composition held before its first recorded change.
inline const QString kOrigenValorAnterior = QStringLiteral("valor anterior");

// A composition value and its standard deviation as stored; either may be absent.
struct StoredComposition {
    std::optional<double> valor;
    std::optional<double> desvio;
    bool operator==(const StoredComposition&) const = default;
};

// The value of ingredient idProducto for nutrient idPropiedad and its deviation, as stored now.
StoredComposition storedComposition(store::Database& db, int idProducto, int idPropiedad);

// Inside the caller's transaction: one history row with the new values when they differ from
// those before; true when a row was written. The first change of a pair without history also
// keeps the values it replaces, as a row a millisecond before the change.
bool recordCompositionChange(store::Database& db, int idProducto, int idPropiedad,
                             const StoredComposition& before, const StoredComposition& after,
                             const QString& origen, const QDateTime& fecha);

struct CompositionEntry {
    QDateTime fecha;
    StoredComposition values;
    QString origen;
    QString usuario; // who changed it, on a server; empty on a file
};

// The pair's latest changes, newest first.
std::vector<CompositionEntry> lastCompositions(store::Database& db, int idProducto, int idPropiedad,
                                               int limit = 10);

} // namespace catalog
