#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace store {
class Database;
}

// The header row of a formula as the save of the workspace writes it: a new formula (new key,
// new code, version 0), a new version (new key, same code, the next version number) or an
// update of the row in place.
namespace formulas {

// What the editor shows when it opens on formula `formulaId`.
struct HeaderOpening {
    int formulaId = 0; // the row edited; -1 when it cannot be edited (the editor closes at once)
    bool isNew = true; // never saved: the code is typed and must be unique
    QString lastCode;  // Text1: the highest code stored so far
    QString code;
    QString product;
    QString versionLoaded; // the version box as loaded
    QString nextVersion;   // the version box with Check1 checked
    QString message;       // shown (critical) when the row or its versions cannot be read
};
HeaderOpening openHeader(store::Database& db, int formulaId);

// What the editor writes.
struct HeaderInput {
    QString code;
    QString product;
    bool newVersion = false; // Check1
    double cantidad = 0;     // the workspace's batch quantity
    bool secaIng = true;     // tipoBase 0 when true
    bool secaNut = true;     // tipoBaseNutrientes 0 when true
    QDate today;
};

// The outcome of Grabar: the id written, or the message (critical) and the box that takes the
// focus back ("code", "product" or empty) with the editor left open.
struct SaveOutcome {
    bool saved = false;
    int idFormula = 0;
    QString message;
    QString focus;
};
inline const QString kFocusCode = QStringLiteral("code");
inline const QString kFocusProduct = QStringLiteral("product");

// The checks of Grabar that need no write, in order: code and product filled, a quantity the
// workspace can load back, and for a formula never saved a code not stored yet. The editor runs
// them before it closes; the refusal is returned, nothing when the header may be written.
std::optional<SaveOutcome> checkHeader(store::Database& db, const HeaderOpening& opened,
                                       const HeaderInput& in);

// Validates and writes. A new row takes its key and, for a new version, its version number at
// the moment it is written, in one transaction with the insert and while other writers of
// formula rows wait, so two saves of the same formula at once (two windows, two programs, two
// people on a server) get consecutive versions and never the same key. A new version of a code
// that already holds one version in two rows is refused with a message naming them. A failed
// write is refused with the store's reason (texts::cannotSave).
SaveOutcome saveHeader(store::Database& db, const HeaderOpening& opened, const HeaderInput& in);

// saveHeader for a caller that writes more in the same transaction (the save of the workspace):
// returns the id written; a refusal throws store::StoreError with the refusal's text, so the
// caller's transaction is undone before the user is told.
int writeHeader(store::Database& db, const HeaderOpening& opened, const HeaderInput& in);

// The statements, as written for a key and version.
QString insertStatement(int id, const HeaderInput& in, double version);
QString updateStatement(int id, const HeaderInput& in);

// Whether the workspace can load the quantity back as it was saved (a 16-bit whole number).
bool quantityFitsWorkspace(double cantidad);

} // namespace formulas
