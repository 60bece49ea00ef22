#include "formulas/formula_header.h"

#include "app/format.h"
#include "app/number_text.h"
#include "formulas/formula_messages.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <cmath>
#include <limits>
#include <optional>

namespace formulas {

namespace {

QString versionText(double version) {
    return fmt::format(version, QString());
}

// The highest version stored for a code plus 1, 1 when it has none; nothing when the query
// returns no row.
std::optional<double> nextVersionOf(store::Database& db, const QString& code) {
    store::RecordSet rs = db.query(
        QStringLiteral("select max(version) from formulas where codigo=") + sql::text(code));
    if (rs.count() == 0)
        return std::nullopt;
    rs.moveFirst();
    const QVariant max = rs.value(0);
    return max.isValid() ? max.toDouble() + 1 : 1.0;
}

// The first version of a code stored in more than one row, as the refusal of a new version
// names it; nothing when every version is stored once.
std::optional<QString> repeatedVersion(store::Database& db, const QString& code) {
    store::RecordSet rs = db.query(
        QStringLiteral("select version,count(*) as filas from formulas where codigo=") +
        sql::text(code) + QStringLiteral(" group by version having count(*)>1 order by version"));
    if (rs.count() == 0)
        return std::nullopt;
    rs.moveFirst();
    return texts::repeatedVersion(code.trimmed(),
                                  versionText(rs.toDouble(QStringLiteral("version"))),
                                  int(rs.toDouble(QStringLiteral("filas"))));
}

bool codeTaken(store::Database& db, const QString& code) {
    return db.query(QStringLiteral("select id_formula from formulas where codigo=") +
                    sql::text(code))
               .count() > 0;
}

SaveOutcome refused(const QString& message, const QString& focus = QString()) {
    SaveOutcome out;
    out.message = message;
    out.focus = focus;
    return out;
}

// The boxes filled and a quantity the workspace can load back.
std::optional<SaveOutcome> checkBoxes(const HeaderInput& in) {
    if (in.code.trimmed().isEmpty())
        return refused(texts::kCodeMissing, kFocusCode);
    if (in.product.trimmed().isEmpty())
        return refused(texts::kProductMissing, kFocusProduct);
    if (!quantityFitsWorkspace(in.cantidad))
        return refused(texts::kQuantityOutOfRange);
    return std::nullopt;
}

} // namespace

HeaderOpening openHeader(store::Database& db, int formulaId) {
    HeaderOpening h;
    h.formulaId = formulaId;
    if (formulaId < 1) {
        store::RecordSet rs = db.query(QStringLiteral("select max(codigo) from formulas"));
        if (rs.count() > 0) {
            rs.moveFirst();
            h.lastCode = rs.value(0).toString();
        }
        h.isNew = true;
        h.versionLoaded = QStringLiteral("0");
        h.nextVersion = h.versionLoaded;
        return h;
    }
    store::RecordSet row = db.query(QStringLiteral("SELECT * FROM Formulas WHERE id_formula=") +
                                    QString::number(formulaId));
    if (row.count() == 0) {
        h.formulaId = -1;
        h.message = texts::kCannotSave;
        return h;
    }
    row.moveFirst();
    h.isNew = false;
    h.code = row.toString(QStringLiteral("codigo"));
    h.product = row.toString(QStringLiteral("producto"));
    if (!row.isNull(QStringLiteral("version")))
        h.versionLoaded = versionText(row.toDouble(QStringLiteral("version")));
    const std::optional<double> next = nextVersionOf(db, h.code);
    if (!next) {
        h.formulaId = -1;
        h.message = texts::kNoVersion;
        return h;
    }
    h.nextVersion = versionText(*next);
    return h;
}

bool quantityFitsWorkspace(double cantidad) {
    if (!std::isfinite(cantidad))
        return false;
    const double whole = numtext::roundHalfEven(cantidad);
    return whole >= std::numeric_limits<qint16>::min() &&
           whole <= std::numeric_limits<qint16>::max();
}

QString insertStatement(int id, const HeaderInput& in, double version) {
    const QString today = sql::date(in.today);
    return QStringLiteral("insert into formulas (id_formula,codigo,producto,cantidad,version,"
                          "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) "
                          "values (") +
           QString::number(id) + ',' + sql::text(in.code) + ',' + sql::text(in.product) + ',' +
           sql::number(in.cantidad) + ',' + sql::number(version) + ',' + today + ',' + today +
           (in.secaIng ? QStringLiteral(",0") : QStringLiteral(",1")) +
           (in.secaNut ? QStringLiteral(",0)") : QStringLiteral(",1)"));
}

QString updateStatement(int id, const HeaderInput& in) {
    return QStringLiteral("UPDATE formulas SET ") + QStringLiteral("producto=") +
           sql::text(in.product) + QStringLiteral(",cantidad=") + sql::number(in.cantidad) +
           QStringLiteral(",fecha_modificacion=") + sql::date(in.today) +
           (in.secaIng ? QStringLiteral(",tipoBase=0") : QStringLiteral(",tipoBase=1")) +
           (in.secaNut ? QStringLiteral(",tipoBaseNutrientes=0")
                       : QStringLiteral(",tipoBaseNutrientes=1")) +
           QStringLiteral(" WHERE id_formula=") + QString::number(id);
}

std::optional<SaveOutcome> checkHeader(store::Database& db, const HeaderOpening& opened,
                                       const HeaderInput& in) {
    if (std::optional<SaveOutcome> refusal = checkBoxes(in))
        return refusal;
    try {
        if (opened.isNew && codeTaken(db, in.code))
            return refused(texts::kCodeTaken, kFocusCode);
    } catch (const store::StoreError& e) {
        return refused(texts::cannotSave(e.message()));
    }
    return std::nullopt;
}

int writeHeader(store::Database& db, const HeaderOpening& opened, const HeaderInput& in) {
    const SaveOutcome out = saveHeader(db, opened, in);
    if (!out.saved)
        throw store::StoreError(out.message);
    return out.idFormula;
}

SaveOutcome saveHeader(store::Database& db, const HeaderOpening& opened, const HeaderInput& in) {
    if (std::optional<SaveOutcome> refusal = checkBoxes(in))
        return *refusal;

    try {
        // The code and the version are read inside the write that uses them, after the key is
        // taken: on a file the transaction keeps every other writer out from its start, and on a
        // server taking a key makes the other writers of formula rows wait until this write
        // ends. Two saves of one formula at once so get consecutive versions, and of two new
        // formulas of one code the later is refused.
        store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
        SaveOutcome out;
        if (opened.isNew || in.newVersion) {
            int key = 0;
            try {
                key = db.nextKey(QStringLiteral("formulas"), QStringLiteral("id_formula"));
            } catch (const store::KeyRangeError& e) {
                return refused(e.message());
            } catch (const store::StoreError&) {
                return refused(texts::kNoId);
            }
            if (opened.isNew && codeTaken(db, in.code))
                return refused(texts::kCodeTaken, kFocusCode);
            double version = 0;
            if (!opened.isNew) {
                if (const std::optional<QString> repeated = repeatedVersion(db, in.code))
                    return refused(*repeated);
                const std::optional<double> next = nextVersionOf(db, in.code);
                if (!next)
                    return refused(texts::kNoVersion);
                version = *next;
            }
            db.exec(insertStatement(key, in, version));
            out.idFormula = key;
        } else {
            // A row deleted meanwhile (another window) must not be reported as saved.
            if (db.exec(updateStatement(opened.formulaId, in)) != 1)
                return refused(texts::kCannotSave);
            out.idFormula = opened.formulaId;
        }
        tx.commit();
        out.saved = true;
        return out;
    } catch (const store::DamagedFileError& e) {
        return refused(e.message()); // says how to recover the file
    } catch (const store::StoreError& e) {
        return refused(texts::cannotSave(e.message())); // says why: a permission, the connection
    }
}

} // namespace formulas
