#pragma once

#include "app/grid_style.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// The history of each ingredient's cost and dry matter: one row of `precio_historial` for every
// change, written in the transaction of the change itself, so that a change and its row are
// stored together or not at all.
namespace catalog {

// Where a change came from, as the history shows it.
inline const QString kOrigenEdicion = QStringLiteral("edición");
inline const QString kOrigenImportacion = QStringLiteral("importación");
inline const QString kOrigenListaPrecios = QStringLiteral("lista de precios");
inline const QString kOrigenFormula = QStringLiteral("fórmula"); // a mix saved as an ingredient
// The price an ingredient held before its first recorded change (it came before the history).
inline const QString kOrigenAnterior = QStringLiteral("precio anterior");

// Cost and dry matter as stored; either may be Null.
struct StoredPrice {
    std::optional<double> costo;
    std::optional<double> materiaSeca;
    bool operator==(const StoredPrice&) const = default;
};

// The moment of a change: now, to the millisecond, and always later than the previous moment
// this program gave, so that two changes within one millisecond keep their order.
QDateTime changeTime();

// Inside the caller's transaction: one history row with the new values.
void recordPrice(store::Database& db, int idProducto, const StoredPrice& price,
                 const QString& origen, const QDateTime& fecha = changeTime());

// The same when the values differ from those stored before; true when a row was written. The
// first change of an ingredient without history also keeps the price it replaces, as a row a
// millisecond before the change.
bool recordPriceChange(store::Database& db, int idProducto, const StoredPrice& before,
                       const StoredPrice& after, const QString& origen,
                       const QDateTime& fecha = changeTime());

// The ingredient's cost and dry matter as stored now; nothing when it is not there.
std::optional<StoredPrice> storedPrice(store::Database& db, int idProducto);

// Inside the caller's transaction, before the ingredient itself is deleted.
void deletePriceHistory(store::Database& db, int idProducto);

struct PriceEntry {
    QDateTime fecha;
    StoredPrice price;
    QString origen;
    QString usuario; // who changed it, on a server; empty on a file
};

inline constexpr int kLastPrices = 10;

// The ingredient's latest changes, newest first. A database that has no history yet (an older
// file opened read-only) has none to show.
std::vector<PriceEntry> lastPrices(store::Database& db, int idProducto, int limit = kLastPrices);

// The editor's grid of the latest prices: Fecha, Costo, Materia Seca, Origen, Usuario.
grid::GridContent priceHistoryGrid(const std::vector<PriceEntry>& entries);

} // namespace catalog
