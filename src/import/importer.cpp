#include "import/importer.h"

#include "app/messages.h"
#include "import/import_statements.h"
#include "import/remote_source.h"
#include "store/sql_text.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <optional>

namespace import {

namespace {

namespace st = statements;

constexpr int kCodeLength = 20;

// Stops the phases early; the outcome is already recorded.
struct Stop {};

std::optional<int> keyOf(const QVariant& v) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!v.isValid() || v.typeId() == QMetaType::QString || !ok || d != std::floor(d) || d < 1 ||
        d > 2147483647.0)
        return std::nullopt;
    return int(d);
}

// A number as written: Null or a finite double. Two numbers are equal when they would be
// written as the same literal.
struct Number {
    bool null = true;
    double value = 0;
    bool operator==(const Number& other) const {
        return null == other.null && (null || value == other.value);
    }
};

// A remote or local number; nothing when it is not a finite number.
std::optional<Number> numberOf(const QVariant& v) {
    if (!v.isValid())
        return Number{};
    if (v.typeId() != QMetaType::Double && v.typeId() != QMetaType::LongLong &&
        v.typeId() != QMetaType::Int)
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return Number{false, d == 0 ? 0.0 : d}; // -0 is written as 0
}

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

// The machinery every phase shares: the row counter and its progress text, the cancel
// request, and the batches of rows committed together.
class PhaseRun {
public:
    PhaseRun(store::Database& db, const ImportCallbacks& cb, ImportResult& result, QString label,
             QString name, int total, int batchRows)
        : db_(db), cb_(cb), result_(result), label_(std::move(label)), name_(std::move(name)),
          total_(total), batchRows_(std::max(1, batchRows)) {
        clock_.start();
    }

    // Before row i (from 1): stops on a cancel request, after committing the rows done.
    void beginRow(int i) {
        row_ = i;
        if (cb_.cancelRequested && cb_.cancelRequested()) {
            commit();
            result_.outcome = ImportOutcome::Cancelled;
            throw Stop{};
        }
        if (cb_.progress && (i == 1 || i == total_ || clock_.elapsed() >= cb_.progressIntervalMs)) {
            cb_.progress(label_ + QString::number(i) + QStringLiteral(" de ") +
                             QString::number(total_),
                         i, total_);
            clock_.restart();
        }
        if (!tx_)
            tx_.emplace(db_);
    }

    void endRow() {
        if (++inBatch_ >= batchRows_)
            commit();
    }

    void commit() {
        if (tx_)
            tx_->commit();
        tx_.reset();
        inBatch_ = 0;
    }

    // A failed statement: its batch is rolled back, the import stops and says where.
    [[noreturn]] void fail(const QString& error) {
        tx_.reset();
        result_.outcome = ImportOutcome::Failed;
        result_.failure = QStringLiteral("No se pudo completar la importación de ") + name_ +
                          QStringLiteral(" en la fila ") + QString::number(row_) +
                          QStringLiteral(" de ") + QString::number(total_) + QStringLiteral(": ") +
                          error +
                          QStringLiteral("\nLas filas de los lotes anteriores quedaron "
                                         "importadas; deberá repetir la importación.");
        throw Stop{};
    }

    void finish() {
        commit();
        if (cb_.progress)
            cb_.progress(QString(), 0, 0);
    }

private:
    store::Database& db_;
    const ImportCallbacks& cb_;
    ImportResult& result_;
    QString label_;
    QString name_;
    int total_;
    int batchRows_;
    int row_ = 0;
    int inBatch_ = 0;
    std::optional<store::Database::Transaction> tx_;
    QElapsedTimer clock_;
};

class Importer {
public:
    Importer(store::Database& db, RemoteSource& source, const ImportCallbacks& cb)
        : db_(db), source_(source), cb_(cb) {}

    ImportResult run() {
        // A catalogue's compositions do not fit SQLite's default page cache; without a bigger
        // one every composition write rereads index pages from the file.
        const QVariant cacheSize = pragma(QStringLiteral("cache_size"));
        if (cacheSize.isValid())
            pragma(QStringLiteral("cache_size=-262144"));
        try {
            ingredients();
            nutrients();
            compositions();
        } catch (const Stop&) {
        }
        if (cacheSize.isValid())
            pragma(QStringLiteral("cache_size=") + cacheSize.toString());
        return result_;
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
        ++result_.conflicts;
        if (cb_.conflict)
            cb_.conflict(line);
    }

    RemoteSource::Rows remoteRows(const QString& sql, const QString& phase) {
        try {
            return source_.query(sql);
        } catch (const store::StoreError& e) {
            result_.outcome = ImportOutcome::Failed;
            result_.failure = QStringLiteral("No se pudieron leer ") + phase +
                              QStringLiteral(" de la base de datos remota: ") + e.message();
            throw Stop{};
        }
    }

    // The per-row statements of a phase, prepared once: SQLite parses each text only once.
    struct IngredientStatements {
        store::PreparedStatement lookup, insert, update;
    };

    void ingredients() {
        RemoteSource::Rows remote =
            remoteRows(st::kRemoteIngredients, QStringLiteral("los ingredientes"));
        if (remote.count() == 0)
            return;
        PhaseRun phase(db_, cb_, result_, QStringLiteral("Ingrediente "),
                       QStringLiteral("los ingredientes"), remote.count(), cb_.batchRows);
        // Codes are unique in the catalogue: a new key may not bring a code another ingredient
        // already has.
        QSet<QString> codes;
        std::optional<IngredientStatements> statements;
        try {
            store::RecordSet all = db_.query(QStringLiteral("select codigo from productos"));
            for (all.moveFirst(); !all.eof(); all.moveNext())
                codes.insert(all.toString(QStringLiteral("codigo")).trimmed());
            statements.emplace(IngredientStatements{db_.prepare(st::kLocalIngredient),
                                                    db_.prepare(st::kInsertIngredient),
                                                    db_.prepare(st::kUpdateIngredient)});
        } catch (const store::StoreError& e) {
            phase.fail(e.message());
        }
        int i = 1;
        while (remote.next()) {
            phase.beginRow(i);
            try {
                ingredientRow(remote, codes, *statements);
            } catch (const store::StoreError& e) {
                phase.fail(e.message());
            }
            phase.endRow();
            ++i;
        }
        phase.finish();
    }

    void ingredientRow(const RemoteSource::Rows& remote, QSet<QString>& codes,
                       IngredientStatements& statements) {
        const QVariant id = remote.value(0);
        const QString codigo = trimmed(remote.value(1));
        const QString nombre = remote.value(2).toString();
        const auto conflict = [&](const QString& why) {
            logConflict(QStringLiteral("Ingrediente ") + codigo + QStringLiteral(" - ") + nombre +
                        why);
            if (const auto key = keyOf(id))
                conflictingIngredients_ << *key;
        };
        const auto key = keyOf(id);
        if (!key)
            return conflict(QStringLiteral(" (clave no válida)"));
        const auto costo = numberOf(remote.value(4));
        const auto materiaSeca = numberOf(remote.value(5));

        store::PreparedStatement& lookup = statements.lookup;
        lookup.bind(1, *key);
        const bool exists = lookup.next();
        const bool sameIdentity = exists && trimmed(lookup.value(1)) == codigo &&
                                  trimmed(lookup.value(2)) == nombre.trimmed();
        lookup.reset();
        if (exists && !sameIdentity)
            return conflict(QString());
        if (!costo)
            return conflict(QStringLiteral(" (el costo no es un número)"));
        if (!materiaSeca)
            return conflict(QStringLiteral(" (la materia seca no es un número)"));
        if (exists) {
            store::PreparedStatement& update = statements.update;
            bindText(update, 1, remote.value(3));
            bindNumber(update, 2, *costo);
            bindNumber(update, 3, *materiaSeca);
            update.bind(4, *key);
            update.execute();
            ++result_.ingredientsRefreshed;
            return;
        }
        if (codigo.isEmpty())
            return conflict(QStringLiteral(" (sin código)"));
        if (codigo.size() > kCodeLength)
            return conflict(QStringLiteral(" (código de más de 20 caracteres)"));
        if (codes.contains(codigo))
            return conflict(QStringLiteral(" (el código ya existe con otra clave)"));
        store::PreparedStatement& insert = statements.insert;
        insert.bind(1, *key);
        insert.bind(2, sql::paddedCode(codigo));
        bindText(insert, 3, remote.value(2));
        bindText(insert, 4, remote.value(3));
        bindNumber(insert, 5, *costo);
        bindNumber(insert, 6, *materiaSeca);
        insert.execute();
        codes.insert(codigo);
        ++result_.ingredientsAdded;
    }

    struct NutrientStatements {
        store::PreparedStatement lookup, insert, update;
    };

    void nutrients() {
        RemoteSource::Rows remote =
            remoteRows(st::kRemoteNutrients, QStringLiteral("los nutrientes"));
        if (remote.count() == 0)
            return;
        PhaseRun phase(db_, cb_, result_, QStringLiteral("Nutrientes "),
                       QStringLiteral("los nutrientes"), remote.count(), cb_.batchRows);
        std::optional<NutrientStatements> statements;
        try {
            statements.emplace(NutrientStatements{db_.prepare(st::kLocalNutrient),
                                                  db_.prepare(st::kInsertNutrient),
                                                  db_.prepare(st::kUpdateNutrient)});
        } catch (const store::StoreError& e) {
            phase.fail(e.message());
        }
        int i = 1;
        while (remote.next()) {
            phase.beginRow(i);
            try {
                nutrientRow(remote, *statements);
            } catch (const store::StoreError& e) {
                phase.fail(e.message());
            }
            phase.endRow();
            ++i;
        }
        phase.finish();
    }

    void nutrientRow(const RemoteSource::Rows& remote, NutrientStatements& statements) {
        const QString nombre = remote.value(1).toString();
        const auto key = keyOf(remote.value(0));
        if (!key) {
            logConflict(QStringLiteral("Nutriente ") + nombre +
                        QStringLiteral(" (clave no válida)"));
            return;
        }
        store::PreparedStatement& lookup = statements.lookup;
        lookup.bind(1, *key);
        const bool exists = lookup.next();
        const bool sameName = exists && trimmed(lookup.value(1)) == nombre.trimmed();
        lookup.reset();
        if (!exists) {
            store::PreparedStatement& insert = statements.insert;
            insert.bind(1, *key);
            bindText(insert, 2, remote.value(1));
            bindText(insert, 3, remote.value(2));
            insert.execute();
            ++result_.nutrientsAdded;
        } else if (sameName) {
            store::PreparedStatement& update = statements.update;
            bindText(update, 1, remote.value(2));
            update.bind(2, *key);
            update.execute();
            ++result_.nutrientsRefreshed;
        } else {
            logConflict(QStringLiteral("Nutriente ") + nombre);
            conflictingNutrients_ << *key;
        }
    }

    QSet<int> localKeys(const QString& sql) {
        QSet<int> keys;
        store::RecordSet rs = db_.query(sql);
        keys.reserve(rs.count());
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            keys.insert(rs.value(0).toInt());
        return keys;
    }

    // A stored value that is not a number is never equal to a remote one, so it is rewritten.
    QHash<int, Number> localValues(int idPropiedad) {
        QHash<int, Number> values;
        store::RecordSet rs = db_.query(st::localCompositions(idPropiedad));
        values.reserve(rs.count());
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            values.insert(rs.value(1).toInt(),
                          numberOf(rs.value(2)).value_or(Number{false, std::nan("")}));
        return values;
    }

    void compositions() {
        RemoteSource::Rows remote =
            remoteRows(st::remoteCompositions(conflictingIngredients_, conflictingNutrients_),
                       QStringLiteral("las composiciones"));
        if (remote.count() == 0)
            return;
        PhaseRun phase(db_, cb_, result_, QStringLiteral("Ingredientes/Nutrientes "),
                       QStringLiteral("las composiciones"), remote.count(),
                       cb_.compositionBatchRows);
        QSet<int> ingredients, nutrients;
        std::optional<store::PreparedStatement> insert, update;
        try {
            ingredients = localKeys(QStringLiteral("select id_producto from productos"));
            nutrients = localKeys(QStringLiteral("select id_propiedad from propiedades"));
            insert.emplace(db_.prepare(st::kInsertComposition));
            update.emplace(db_.prepare(st::kUpdateComposition));
        } catch (const store::StoreError& e) {
            phase.fail(e.message());
        }
        std::optional<int> group;
        // The group nutrient's local values by ingredient.
        QHash<int, Number> present;
        int i = 1;
        while (remote.next()) {
            phase.beginRow(i);
            try {
                const auto idProducto = keyOf(remote.value(0));
                const auto idPropiedad = keyOf(remote.value(1));
                const auto valor = numberOf(remote.value(2));
                const auto where = [&] {
                    return QStringLiteral("Composición del ingrediente ") +
                           remote.value(0).toString() + QStringLiteral(" en el nutriente ") +
                           remote.value(1).toString();
                };
                if (!idProducto || !idPropiedad || !ingredients.contains(*idProducto) ||
                    !nutrients.contains(*idPropiedad)) {
                    logConflict(where() + QStringLiteral(" (falta el ingrediente o el nutriente)"));
                } else if (!valor) {
                    logConflict(where() + QStringLiteral(" (el valor no es un número)"));
                } else {
                    if (group != idPropiedad) {
                        group = idPropiedad;
                        present = localValues(*idPropiedad);
                    }
                    const auto local = present.constFind(*idProducto);
                    if (local == present.cend()) {
                        insert->bind(1, *idProducto);
                        insert->bind(2, *idPropiedad);
                        bindNumber(*insert, 3, *valor);
                        insert->execute();
                        ++result_.compositionsAdded;
                    } else if (!(*local == *valor)) {
                        // An equal value is left as it is: importing the same source again
                        // writes nothing.
                        bindNumber(*update, 1, *valor);
                        update->bind(2, *idProducto);
                        update->bind(3, *idPropiedad);
                        update->execute();
                        ++result_.compositionsRefreshed;
                    }
                    present.insert(*idProducto, *valor); // a repeated remote row updates it
                }
            } catch (const store::StoreError& e) {
                phase.fail(e.message());
            }
            phase.endRow();
            ++i;
        }
        phase.finish();
    }

    store::Database& db_;
    RemoteSource& source_;
    const ImportCallbacks& cb_;
    ImportResult result_;
    QList<int> conflictingIngredients_;
    QList<int> conflictingNutrients_;
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
