#pragma once

#include "import/file_dsn.h"
#include "import/import_settings.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <QTemporaryDir>
#include <memory>
#include <optional>

// A remote database of the program's schema in a temporary folder, with the File DSN that
// names it, filled through statements.
class RemoteDatabase {
public:
    RemoteDatabase() : path_(dir_.filePath(QStringLiteral("remoto.db"))) {
        store::Database::createFile(path_, false);
        db_ = store::Database::openFile(path_);
        import::writeDsn(dsnPath(), import::folderOf(path_), path_);
    }
    store::Database& db() { return *db_; }
    QString path() const { return path_; }
    QString dsnPath() const { return dir_.filePath(QStringLiteral("dosivant2.dsn")); }
    QString connectionText() const {
        return import::remoteConnectionText(dsnPath(), import::kDefaultRemotePassword);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<store::Database> db_;
};

inline void addIngredient(store::Database& db, int id, const QString& codigo, const QString& nombre,
                          const QString& unidad, double costo, double materiaSeca) {
    db.exec(QStringLiteral("INSERT INTO productos (id_producto,codigo,nombre,unidad,costo,"
                           "materia_seca) VALUES (%1,%2,%3,%4,%5,%6)")
                .arg(id)
                .arg(sql::codeText(codigo), sql::text(nombre), sql::text(unidad),
                     sql::number(costo), sql::number(materiaSeca)));
}

inline void addNutrient(store::Database& db, int id, const QString& nombre, const QString& unidad) {
    db.exec(QStringLiteral("INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES (%1,%2,%3)")
                .arg(id)
                .arg(sql::text(nombre), sql::text(unidad)));
}

inline void addValue(store::Database& db, int idProducto, int idPropiedad, double valor) {
    db.exec(QStringLiteral("INSERT INTO producto_propiedad (id_producto,id_propiedad,valor) "
                           "VALUES (%1,%2,%3)")
                .arg(idProducto)
                .arg(idPropiedad)
                .arg(sql::number(valor)));
}

// Every row of a table as text, ordered, to compare a database before and after.
inline QStringList dump(store::Database& db, const QString& table, const QString& order) {
    QStringList rows;
    store::RecordSet rs =
        db.query(QStringLiteral("select * from ") + table + QStringLiteral(" order by ") + order);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        QStringList values;
        for (int c = 0; c < rs.fieldCount(); ++c)
            values << (rs.value(c).isValid() ? rs.value(c).toString() : QStringLiteral("Null"));
        rows << values.join(u'|');
    }
    return rows;
}

inline QStringList dumpAll(store::Database& db) {
    return dump(db, QStringLiteral("productos"), QStringLiteral("id_producto")) +
           dump(db, QStringLiteral("propiedades"), QStringLiteral("id_propiedad")) +
           dump(db, QStringLiteral("producto_propiedad"),
                QStringLiteral("id_propiedad,id_producto"));
}

// Another program on the same database file: one that writes (another import under way), or one
// that reads inside a transaction (a long report), which keeps a writer from committing.
class OtherProgram {
public:
    explicit OtherProgram(const QString& path) : db_(store::Database::openFile(path)) {}
    void holdWriteLock() { tx_.emplace(*db_, store::Database::Transaction::WriteLock::Now); }
    void holdRead() {
        tx_.emplace(*db_);
        db_->query(QStringLiteral("select count(*) from productos"));
    }
    void release() { tx_.reset(); }

private:
    std::unique_ptr<store::Database> db_;
    std::optional<store::Database::Transaction> tx_;
};
