#pragma once

#include "app/grid_style.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// What the main window shows when nothing else is open: the database in use, the formulas
// changed most recently, what changed in prices since the book was last formulated, and how much
// the catalogue and the book hold. Read in a few set-wise queries (never one per formula), the
// same for a file and a server.
namespace home {

// The database in use. A server is described by its address alone: the password never travels
// in it (the server's client library reads it from its own files).
struct DatabaseDescription {
    bool server = false;
    QString path; // the file
    QString host; // the server
    int port = 0;
    QString database;
    QString user;

    // "Dosivant — /home/ana/Dosivant.db", "Dosivant — piensos en servidor:5432 (ana)".
    QString windowTitle() const;
    // "Archivo: /home/ana/Dosivant.db"; "Servidor: servidor:5432 · Base: piensos · Usuario: ana".
    QString statusText() const;
};

DatabaseDescription describeDatabase(const store::Database& db);

// A formula as the recent list shows it: the highest version of its code.
struct RecentFormula {
    int idFormula = 0;
    QString codigo;
    QString producto;
    double version = 0;
    QDate fechaModificacion; // invalid when the formula has none
};

// An ingredient whose cost or dry matter in the catalogue is no longer the one stored in some
// formula of the book.
struct ChangedIngredient {
    int idProducto = 0;
    QString nombre;
    std::optional<double> costoHoy;
    int formulas = 0;                      // formulas of the book that hold another figure
    std::optional<QDateTime> ultimoCambio; // its latest entry in the price history
};

// The book is the set of formulas a re-formulation chooses by default: the highest version of
// every code.
struct PriceChanges {
    int formulasLibro = 0; // formulas in the book
    int formulas = 0;      // of them, those holding a cost or dry matter other than today's
    std::vector<ChangedIngredient> ingredientes; // most formulas first, then by name
    std::optional<QDateTime> ultimoCambio;       // the latest of theirs, when recorded
};

struct Counts {
    int ingredientes = 0;
    int nutrientes = 0;
    int formulas = 0;  // codes
    int versiones = 0; // stored versions of all codes
    int planes = 0;
};

struct StartPage {
    DatabaseDescription database;
    std::vector<RecentFormula> recent;
    PriceChanges prices;
    Counts counts;
};

inline constexpr int kRecentFormulas = 10;

// Reads everything the page shows. Throws store::StoreError when the database fails.
StartPage readStartPage(store::Database& db, int recentCount = kRecentFormulas);

// The texts and grids the page shows.
grid::GridContent recentGrid(const std::vector<RecentFormula>& recent);
inline constexpr int kRecentProductColumn = 1; // takes the width the others leave
// The ingredients that affect most formulas, at most kChangedShown of them (the summary counts
// them all).
inline constexpr int kChangedShown = 50;
grid::GridContent changedIngredientsGrid(const PriceChanges& changes);
inline constexpr int kChangedNameColumn = 0;
// "2 de 4 fórmulas tienen costos distintos de los de hoy (3 ingredientes). Último cambio de
// precio: 02/03/2026." or that the book is formulated at today's costs.
QString priceSummary(const PriceChanges& changes);
// "Ingredientes: 5000", one line per count.
QStringList countLines(const Counts& counts);
// What the recent list says when the book is empty.
QString noRecentText();

} // namespace home
