#pragma once

#include "formulas/formula_header.h"
#include "workspace/formula_loader.h"

#include <QString>
#include <QStringList>

namespace store {
class Database;
}

namespace workspace {

struct Workspace;

// Makes the stored nutrient rows (formula_propiedad), ingredient rows (formula_producto), ratio
// limits (formula_relacion), group limits (formula_grupo), minimum-if-used rows
// (formula_uso_minimo) and weighing options (formula_opciones) of formula idFormula equal to the
// workspace's records, by a merge of both sides in ascending id:
// a row on both sides is updated in place (columns the program does not know are kept), a
// workspace row the formula lacks is inserted, a stored row the workspace no longer has is
// deleted.
//
// The workspace is only read: its rows and their order stay as they are, so a failed save
// leaves the user's edits on screen. The writes run under a store::Database::Transaction, which
// joins the caller's when there is one: open it before the header is written and commit it
// after this returns, so header and rows are all written or none. Throws store::StoreError
// from the failing statement; the caller's guard then rolls everything back.
void saveFormulaRows(const Workspace& ws, store::Database& db, int idFormula);

// Saves the workspace as a new version of stored formula idFormula, exactly as the workspace
// saves one (header with the next version number, then its rows), inside the caller's
// transaction; the workspace is left as it is, not read back. The book's worklist and the
// production plans save their mixes through it. Returns the new key and sets *version; throws
// store::StoreError on any failure.
int saveNewVersion(store::Database& db, const Workspace& ws, int idFormula, int* version);

// The limits the mix in the workspace does not meet, as the grids paint them red (the figures
// compared as shown, to two decimals), in the order of the tabs: nutrients, ingredients (their
// quantity on the active basis), ratios, groups. Each in a few words: "Calcio máximo 1.10, la
// mezcla 1.35". A limit whose figure is not computed yet is not judged, nor is a workspace with
// no mix yet (no ingredient has a quantity on the active basis).
QStringList brokenLimits(const Workspace& ws);

// The broken limits as one short text: the first three, then how many more ("y 2 más").
QString brokenLimitsSummary(const QStringList& broken);

// The question asked before saving a mix that breaks its limits (answered No by default).
QString saveBrokenQuestion(const QStringList& broken);

// The most the formulas row keeps of the summary (limites_incumplidos).
inline constexpr int kBrokenLimitsLength = 250;

// How a whole save ended.
struct SaveResult {
    enum Outcome { Saved, Failed };
    Outcome outcome = Failed;
    FormulaHeader header; // after Saved: the header boxes of the reloaded formula
    Notices notices;      // what the user is told, in order: why it failed, or the reload's
};

// The writing of "&Grabar", once the user has answered the header editor (opened on `opened`,
// answered with `header`): in one transaction the formulas row is written as the editor's
// formulas::writeHeader writes it, then the rows are merged. Nothing here asks the user anything
// while the transaction holds the database. Saved: committed, formulaId takes the id written,
// and the workspace is reloaded from what was stored. Failed: everything rolled back (a header
// the write refuses included), then a notice says so, and the workspace (formulaId included)
// is as it was so the user can try again. Shows nothing: the notices say it. A save over the
// formula it was loaded from fails with kFormulaChangedByOther when someone else saved that formula
// after it was loaded (its change counter, vRevision, moved on). The formulas row keeps, in
// limites_incumplidos, the summary of the limits the saved mix breaks (Null when it meets them
// all), for the formula list to mark.
SaveResult saveFormula(Workspace& ws, store::Database& db, const formulas::HeaderOpening& opened,
                       const formulas::HeaderInput& header);

// The refusal of a save over a formula that someone else saved after it was loaded.
inline const QString kFormulaChangedByOther =
    QStringLiteral("La fórmula fue modificada por otro usuario; vuelva a cargarla");

// The message shown when a save fails; detail is the database's own description.
QString saveFailedMessage(const QString& detail);

} // namespace workspace
