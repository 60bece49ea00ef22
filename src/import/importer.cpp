#include "import/importer.h"

#include "app/messages.h"
#include "catalog/price_history.h"
#include "import/import_checks.h"
#include "import/import_run.h"
#include "import/import_statements.h"
#include "import/remote_source.h"
#include "store/revisions.h"
#include "store/sql_text.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace import {

namespace {

namespace st = statements;

constexpr int kCodeLength = 20;

void bindNumber(store::PreparedStatement& statement, int index, const Number& n) {
    if (n.null)
        statement.bindNull(index);
    else
        statement.bind(index, n.value);
}

// Text is written trimmed, as the text literals of store's writers are.
void bindText(store::PreparedStatement& statement, int index, const QVariant& v) {
    if (v.isValid())
        statement.bind(index, v.toString().trimmed());
    else
        statement.bindNull(index);
}

QString trimmed(const QVariant& v) {
    return v.toString().trimmed();
}

// A stored text and the one bindText would write over it: the same, Null included.
bool sameText(const QVariant& stored, const QVariant& incoming) {
    if (!stored.isValid() || stored.isNull() || !incoming.isValid() || incoming.isNull())
        return (!stored.isValid() || stored.isNull()) == (!incoming.isValid() || incoming.isNull());
    return stored.toString() == trimmed(incoming);
}

std::optional<double> priceOf(const Number& n) {
    return n.null ? std::nullopt : std::optional<double>(n.value);
}

// A stored value that is not a number differs from every value (NaN equals nothing), so its
// rewrite is recorded.
std::optional<double> storedPriceOf(const QVariant& v) {
    const std::optional<Number> n = numberOf(v);
    return n ? priceOf(*n) : std::optional<double>(std::nan(""));
}

// The write statements of all three phases, prepared before anything is written: a working
// database that cannot take a row of one of the tables is refused whole.
struct Statements {
    store::PreparedStatement ingredientLookup, ingredientInsert, ingredientUpdate;
    store::PreparedStatement nutrientLookup, nutrientInsert, nutrientUpdate;
    store::PreparedStatement compositionInsert, compositionUpdate;
};

store::PreparedStatement prepareFor(store::Database& db, const QString& table, const QString& sql) {
    try {
        return db.prepare(sql);
    } catch (const store::StoreError& e) {
        throw store::StoreError(QStringLiteral("la tabla ") + table +
                                QStringLiteral(" no admite la importación (") + e.message() + u')');
    }
}

Statements prepareAll(store::Database& db) {
    const QString productos = QStringLiteral("productos"),
                  propiedades = QStringLiteral("propiedades"),
                  composiciones = QStringLiteral("producto_propiedad");
    return Statements{prepareFor(db, productos, st::kLocalIngredient),
                      prepareFor(db, productos, st::kInsertIngredient),
                      prepareFor(db, productos, st::kUpdateIngredient),
                      prepareFor(db, propiedades, st::kLocalNutrient),
                      prepareFor(db, propiedades, st::kInsertNutrient),
                      prepareFor(db, propiedades, st::kUpdateNutrient),
                      prepareFor(db, composiciones, st::kInsertComposition),
                      prepareFor(db, composiciones, st::kUpdateComposition)};
}

QString repeatedText(int key) {
    return QStringLiteral("la clave %1 se repite en el origen").arg(key);
}

// One remote composition row as read.
struct RemoteComposition {
    QVariant producto, propiedad, valor;
};

class Importer {
public:
    Importer(store::Database& db, RemoteSource& source, const ImportCallbacks& cb)
        : run_(db, cb), db_(db), source_(source) {}

    ImportResult run() {
        // The wait refers to this run: it must not outlive it on any way out.
        struct LockWait {
            store::Database& db;
            ~LockWait() { db.setLockWait({}); }
        } lockWait{db_};
        db_.setLockWait([this](int attempt) { return run_.waitForLock(attempt); });
        // A catalogue's compositions do not fit SQLite's default page cache; without a bigger
        // one every composition write rereads index pages from the file.
        const QVariant cacheSize = pragma(QStringLiteral("cache_size"));
        if (cacheSize.isValid())
            pragma(QStringLiteral("cache_size=-262144"));
        try {
            try {
                statements_.emplace(prepareAll(db_));
            } catch (const store::StoreError& e) {
                run_.failWith(QStringLiteral("No se puede importar en la base de datos de "
                                             "trabajo: ") +
                              run_.why(e) + u'.');
            }
            ingredients();
            nutrients();
            compositions();
        } catch (const ImportStop&) {
        }
        statements_.reset();
        if (cacheSize.isValid())
            pragma(QStringLiteral("cache_size=") + cacheSize.toString());
        return run_.result;
    }

    // Reads or sets a setting of the working connection; an invalid value when refused.
    QVariant pragma(const QString& setting) {
        try {
            store::RecordSet rs = db_.query(QStringLiteral("PRAGMA ") + setting);
            return rs.count() > 0 ? rs.value(0) : QVariant(0);
        } catch (const store::StoreError&) {
            return {};
        }
    }

private:
    void logConflict(const QString& line) {
        ++run_.result.conflicts;
        if (run_.cb.conflict)
            run_.cb.conflict(line);
    }

    RemoteSource::Rows remoteRows(const QString& sql, const QString& phase) {
        try {
            return source_.query(sql);
        } catch (const store::StoreError& e) {
            run_.failWith(QStringLiteral("No se pudieron leer ") + phase +
                          QStringLiteral(" de la base de datos remota: ") + e.message());
        }
    }

    // The next remote row; a source that fails while being read stops the phase as a failed
    // statement does.
    static bool nextRow(RemoteSource::Rows& remote, PhaseRun& phase) {
        try {
            return remote.next();
        } catch (const store::StoreError& e) {
            phase.failReading(QStringLiteral("la base de datos remota"), e);
        }
    }

    // The keys the source gives more than one row: none of those rows is taken.
    QSet<int> repeatedKeys(const QString& sql, const QString& phase) {
        QSet<int> keys;
        RemoteSource::Rows rows = remoteRows(sql, phase);
        try {
            while (rows.next())
                if (const auto key = checkKey(rows.value(0)).value)
                    keys.insert(*key);
        } catch (const store::StoreError& e) {
            run_.failWith(QStringLiteral("No se pudieron leer ") + phase +
                          QStringLiteral(" de la base de datos remota: ") + e.message());
        }
        return keys;
    }

    void ingredients() {
        const QSet<int> repeated =
            repeatedKeys(st::kRemoteRepeatedIngredients, QStringLiteral("los ingredientes"));
        RemoteSource::Rows remote =
            remoteRows(st::kRemoteIngredients, QStringLiteral("los ingredientes"));
        PhaseRun phase(run_, run_.ingredients, QStringLiteral("Ingrediente "), remote.count(),
                       run_.cb.batchRows);
        if (remote.count() == 0) {
            run_.ingredients.complete = true; // an empty table skips its phase quietly
            return;
        }
        // Codes are unique in the catalogue: a new key may not bring a code another ingredient
        // already has.
        QSet<QString> codes;
        try {
            store::RecordSet all = db_.query(QStringLiteral("select codigo from productos"));
            for (all.moveFirst(); !all.eof(); all.moveNext())
                codes.insert(all.toString(QStringLiteral("codigo")).trimmed());
        } catch (const store::StoreError& e) {
            phase.failReading(QStringLiteral("la base de datos de trabajo"), e);
        }
        for (int i = 1; nextRow(remote, phase); ++i) {
            phase.beginRow(i);
            try {
                ingredientRow(remote, i, repeated, codes, phase);
            } catch (const store::StoreError& e) {
                phase.fail(e);
            }
            phase.endRow();
        }
        phase.finish();
    }

    void ingredientRow(const RemoteSource::Rows& remote, int row, const QSet<int>& repeated,
                       QSet<QString>& codes, PhaseRun& phase) {
        const QVariant id = remote.value(0);
        const QString codigo = trimmed(remote.value(1));
        const Key key = checkKey(id);
        const auto conflict = [&](const QString& why) {
            logConflict(QStringLiteral("Ingrediente ") + printable(remote.value(1)).trimmed() +
                        QStringLiteral(" - ") + printable(remote.value(2)) +
                        (why.isEmpty() ? QString() : QStringLiteral(" (") + why + u')'));
            if (key.value)
                conflictingIngredients_ << *key.value;
        };
        if (!key.value)
            return conflict(cellText(QStringLiteral("productos"), row,
                                     QStringLiteral("id_producto"), key.problem));
        if (repeated.contains(*key.value))
            return conflict(repeatedText(*key.value));
        for (const auto& [column, what] :
             {std::pair{1, QStringLiteral("el código")}, std::pair{2, QStringLiteral("el nombre")},
              std::pair{3, QStringLiteral("la unidad")}}) {
            const QString problem = textProblem(remote.value(column), what);
            if (!problem.isEmpty())
                return conflict(problem);
        }
        const QString nombre = remote.value(2).toString();

        store::PreparedStatement& lookup = statements_->ingredientLookup;
        lookup.bind(1, *key.value);
        const bool exists = lookup.next();
        const bool sameIdentity = exists && trimmed(lookup.value(1)) == codigo &&
                                  trimmed(lookup.value(2)) == nombre.trimmed();
        const catalog::StoredPrice before{storedPriceOf(lookup.value(4)),
                                          storedPriceOf(lookup.value(5))};
        const QVariant unidadBefore = lookup.value(3);
        lookup.reset();
        if (exists && !sameIdentity)
            return conflict(QString());
        const NumberCheck costo = checkNumber(remote.value(4), QStringLiteral("el costo"),
                                              -kLargestNumber, kLargestNumber);
        if (!costo.number)
            return conflict(costo.problem);
        const NumberCheck materiaSeca =
            checkNumber(remote.value(5), QStringLiteral("la materia seca"), 0, 100);
        if (!materiaSeca.number)
            return conflict(materiaSeca.problem);
        const catalog::StoredPrice after{priceOf(*costo.number), priceOf(*materiaSeca.number)};
        if (exists) {
            store::PreparedStatement& update = statements_->ingredientUpdate;
            bindText(update, 1, remote.value(3));
            bindNumber(update, 2, *costo.number);
            bindNumber(update, 3, *materiaSeca.number);
            update.bind(4, *key.value);
            update.execute();
            catalog::recordPriceChange(db_, *key.value, before, after, catalog::kOrigenImportacion);
            if (!(before == after) || !sameText(unidadBefore, remote.value(3)))
                store::raiseRevision(db_, QStringLiteral("productos"), *key.value);
            phase.refreshed();
            return;
        }
        if (codigo.isEmpty())
            return conflict(QStringLiteral("sin código"));
        if (codigo.size() > kCodeLength)
            return conflict(QStringLiteral("código de más de 20 caracteres"));
        if (codes.contains(codigo))
            return conflict(QStringLiteral("el código ya existe con otra clave"));
        store::PreparedStatement& insert = statements_->ingredientInsert;
        insert.bind(1, *key.value);
        insert.bind(2, sql::paddedCode(codigo));
        bindText(insert, 3, remote.value(2));
        bindText(insert, 4, remote.value(3));
        bindNumber(insert, 5, *costo.number);
        bindNumber(insert, 6, *materiaSeca.number);
        insert.execute();
        catalog::recordPrice(db_, *key.value, after, catalog::kOrigenImportacion);
        codes.insert(codigo);
        phase.added();
    }

    void nutrients() {
        const QSet<int> repeated =
            repeatedKeys(st::kRemoteRepeatedNutrients, QStringLiteral("los nutrientes"));
        RemoteSource::Rows remote =
            remoteRows(st::kRemoteNutrients, QStringLiteral("los nutrientes"));
        PhaseRun phase(run_, run_.nutrients, QStringLiteral("Nutrientes "), remote.count(),
                       run_.cb.batchRows);
        if (remote.count() == 0) {
            run_.nutrients.complete = true; // an empty table skips its phase quietly
            return;
        }
        for (int i = 1; nextRow(remote, phase); ++i) {
            phase.beginRow(i);
            try {
                nutrientRow(remote, i, repeated, phase);
            } catch (const store::StoreError& e) {
                phase.fail(e);
            }
            phase.endRow();
        }
        phase.finish();
    }

    void nutrientRow(const RemoteSource::Rows& remote, int row, const QSet<int>& repeated,
                     PhaseRun& phase) {
        const Key key = checkKey(remote.value(0));
        const auto conflict = [&](const QString& why) {
            logConflict(QStringLiteral("Nutriente ") + printable(remote.value(1)) +
                        (why.isEmpty() ? QString() : QStringLiteral(" (") + why + u')'));
            if (key.value)
                conflictingNutrients_ << *key.value;
        };
        if (!key.value)
            return conflict(cellText(QStringLiteral("propiedades"), row,
                                     QStringLiteral("id_propiedad"), key.problem));
        if (repeated.contains(*key.value))
            return conflict(repeatedText(*key.value));
        for (const auto& [column, what] : {std::pair{1, QStringLiteral("el nombre")},
                                           std::pair{2, QStringLiteral("la unidad")}}) {
            const QString problem = textProblem(remote.value(column), what);
            if (!problem.isEmpty())
                return conflict(problem);
        }
        const QString nombre = remote.value(1).toString();
        store::PreparedStatement& lookup = statements_->nutrientLookup;
        lookup.bind(1, *key.value);
        const bool exists = lookup.next();
        const bool sameName = exists && trimmed(lookup.value(1)) == nombre.trimmed();
        const QVariant unidadBefore = lookup.value(2);
        lookup.reset();
        if (!exists) {
            store::PreparedStatement& insert = statements_->nutrientInsert;
            insert.bind(1, *key.value);
            bindText(insert, 2, remote.value(1));
            bindText(insert, 3, remote.value(2));
            insert.execute();
            phase.added();
        } else if (sameName) {
            store::PreparedStatement& update = statements_->nutrientUpdate;
            bindText(update, 1, remote.value(2));
            update.bind(2, *key.value);
            update.execute();
            if (!sameText(unidadBefore, remote.value(2)))
                store::raiseRevision(db_, QStringLiteral("propiedades"), *key.value);
            phase.refreshed();
        } else {
            conflict(QString());
        }
    }

    // The keys of a local table. A key beyond 32 bits can match no remote key; it is left out
    // rather than cut into another one.
    QSet<int> localKeys(const QString& sql) {
        QSet<int> keys;
        db_.forEachRow(sql, {}, [&](const store::Database::Row& row) {
            if (const auto key = checkKey(row[0]).value)
                keys.insert(*key);
        });
        return keys;
    }

    // A stored value that is not a number is never equal to a remote one, so it is rewritten.
    QHash<int, Number> localValues(int idPropiedad) {
        QHash<int, Number> values;
        db_.forEachRow(
            st::localCompositions(idPropiedad), {}, [&](const store::Database::Row& row) {
                if (const auto key = checkKey(row[1]).value)
                    values.insert(*key, numberOf(row[2]).value_or(Number{false, std::nan("")}));
            });
        return values;
    }

    void compositions() {
        RemoteSource::Rows remote =
            remoteRows(st::remoteCompositions(conflictingIngredients_, conflictingNutrients_),
                       QStringLiteral("las composiciones"));
        PhaseRun phase(run_, run_.compositions, QStringLiteral("Ingredientes/Nutrientes "),
                       remote.count(), run_.cb.compositionBatchRows);
        if (remote.count() == 0) {
            run_.compositions.complete = true; // an empty table skips its phase quietly
            return;
        }
        try {
            ingredients_ = localKeys(QStringLiteral("select id_producto from productos"));
            nutrients_ = localKeys(QStringLiteral("select id_propiedad from propiedades"));
        } catch (const store::StoreError& e) {
            phase.failReading(QStringLiteral("la base de datos de trabajo"), e);
        }
        // The rows come grouped by nutrient; a group is read whole before it is written, so that
        // a pair the source repeats is known before either of its rows is.
        std::vector<RemoteComposition> group;
        std::optional<RemoteComposition> next;
        const auto read = [&] {
            next.reset();
            if (nextRow(remote, phase))
                next = RemoteComposition{remote.value(0), remote.value(1), remote.value(2)};
        };
        read();
        int i = 1;
        while (next) {
            group.clear();
            group.push_back(*next);
            for (read(); next && next->propiedad == group.front().propiedad; read())
                group.push_back(*next);
            GroupState state{repeatedPairs(group), {}, false, {}};
            for (const RemoteComposition& r : group) {
                phase.beginRow(i);
                try {
                    compositionRow(r, i, state, phase);
                } catch (const store::StoreError& e) {
                    phase.fail(e);
                }
                phase.endRow();
                ++i;
            }
        }
        phase.finish();
    }

    // The ingredients whose rows in a group repeat with different values.
    static QSet<int> repeatedPairs(const std::vector<RemoteComposition>& group) {
        QHash<int, QVariant> first;
        QSet<int> repeated;
        for (const RemoteComposition& r : group) {
            const auto key = checkKey(r.producto).value;
            if (!key)
                continue;
            const auto seen = first.constFind(*key);
            if (seen == first.cend())
                first.insert(*key, r.valor);
            else if (!sameValue(*seen, r.valor))
                repeated.insert(*key);
        }
        return repeated;
    }

    // One nutrient's rows as they are written.
    struct GroupState {
        QSet<int> repeated; // ingredients the source gives different values
        QSet<int> done;     // ingredients whose row was taken
        bool loaded = false;
        QHash<int, Number> present; // the nutrient's local values by ingredient
    };

    void compositionRow(const RemoteComposition& r, int row, GroupState& group, PhaseRun& phase) {
        const auto where = [&] {
            return QStringLiteral("Composición del ingrediente ") + printable(r.producto) +
                   QStringLiteral(" en el nutriente ") + printable(r.propiedad);
        };
        const Key idProducto = checkKey(r.producto);
        const Key idPropiedad = checkKey(r.propiedad);
        const QString table = QStringLiteral("producto_propiedad");
        if (!idProducto.value)
            return logConflict(
                where() + QStringLiteral(" (") +
                cellText(table, row, QStringLiteral("id_producto"), idProducto.problem) + u')');
        if (!idPropiedad.value)
            return logConflict(
                where() + QStringLiteral(" (") +
                cellText(table, row, QStringLiteral("id_propiedad"), idPropiedad.problem) + u')');
        if (!ingredients_.contains(*idProducto.value) || !nutrients_.contains(*idPropiedad.value))
            return logConflict(where() + QStringLiteral(" (falta el ingrediente o el nutriente)"));
        if (group.repeated.contains(*idProducto.value)) {
            // Logged once; none of the values is written.
            if (!group.done.contains(*idProducto.value))
                logConflict(where() +
                            QStringLiteral(" (el origen la repite con valores distintos)"));
            group.done.insert(*idProducto.value);
            return;
        }
        if (group.done.contains(*idProducto.value))
            return; // the same value again
        group.done.insert(*idProducto.value);
        const NumberCheck valor =
            checkNumber(r.valor, QStringLiteral("el valor"), -kLargestNumber, kLargestNumber);
        if (!valor.number)
            return logConflict(where() + QStringLiteral(" (") + valor.problem + u')');
        if (!group.loaded) {
            group.present = localValues(*idPropiedad.value);
            group.loaded = true;
        }
        const auto local = group.present.constFind(*idProducto.value);
        if (local == group.present.cend()) {
            store::PreparedStatement& insert = statements_->compositionInsert;
            insert.bind(1, *idProducto.value);
            insert.bind(2, *idPropiedad.value);
            bindNumber(insert, 3, *valor.number);
            insert.execute();
            phase.added();
        } else if (!(*local == *valor.number)) {
            // An equal value is left as it is: importing the same source again writes nothing.
            store::PreparedStatement& update = statements_->compositionUpdate;
            bindNumber(update, 1, *valor.number);
            update.bind(2, *idProducto.value);
            update.bind(3, *idPropiedad.value);
            update.execute();
            phase.refreshed();
        }
    }

    ImportRun run_;
    store::Database& db_;
    RemoteSource& source_;
    std::optional<Statements> statements_;
    QList<int> conflictingIngredients_;
    QList<int> conflictingNutrients_;
    QSet<int> ingredients_, nutrients_;
};

} // namespace

ImportResult runImport(store::Database& db, RemoteSource& source,
                       const ImportCallbacks& callbacks) {
    return Importer(db, source, callbacks).run();
}

ImportResult runImport(store::Database& db, const QString& connectionText,
                       const ImportCallbacks& callbacks) {
    const auto source = RemoteSource::open(connectionText);
    if (!source) {
        ImportResult result;
        result.outcome = ImportOutcome::SourceUnavailable;
        return result;
    }
    return runImport(db, *source, callbacks);
}

QString outcomeMessage(const ImportResult& result) {
    switch (result.outcome) {
    case ImportOutcome::Finished:
        return QStringLiteral("Proceso de Importación Finalizado.");
    case ImportOutcome::Cancelled:
        return QStringLiteral("Debera repetir la importación");
    case ImportOutcome::SourceUnavailable:
        return QStringLiteral("No se pudo abrir la base de datos remota");
    case ImportOutcome::Failed:
        return result.failure;
    }
    return {};
}

int outcomeStyle(const ImportResult& result) {
    return result.outcome == ImportOutcome::Failed ? msg::Critical : msg::Plain;
}

} // namespace import
