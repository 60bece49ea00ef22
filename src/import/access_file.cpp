#include "import/access_file.h"

#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

// mdbtools' header uses glib types without including glib itself.
#include <glib.h>
#include <mdbtools.h>

namespace import {

namespace {

struct MdbCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
using MdbFile = std::unique_ptr<MdbHandle, MdbCloser>;

struct TableCloser {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using MdbTable = std::unique_ptr<MdbTableDef, TableCloser>;

MdbFile openMdb(const QString& path) {
    if (!isAccessFile(path))
        throw AccessError(QStringLiteral("No es una base de datos Access: ") + path);
    MdbFile mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw AccessError(QStringLiteral("No se pudo leer la base de datos Access ") + path);
    return mdb;
}

std::vector<MdbCatalogEntry*> userTables(MdbHandle* mdb) {
    std::vector<MdbCatalogEntry*> tables;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            tables.push_back(entry);
    }
    return tables;
}

QString sqliteType(const MdbHandle* mdb, const MdbColumn* col) {
    switch (col->col_type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return QStringLiteral("INTEGER");
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC:
        return QStringLiteral("DOUBLE");
    case MDB_DATETIME:
        return QStringLiteral("DATE");
    case MDB_TEXT:
        // Jet 4 and later count the size in bytes of UTF-16.
        return QStringLiteral("VARCHAR(%1)").arg(IS_JET3(mdb) ? col->col_size : col->col_size / 2);
    case MDB_BINARY:
    case MDB_OLE:
        return QStringLiteral("BLOB");
    default:
        return QStringLiteral("TEXT");
    }
}

QString quoted(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QVariant dateValue(double days) {
    struct tm t = {};
    mdb_date_to_tm(days, &t);
    const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    if (!date.isValid())
        return {};
    QString text = date.toString(Qt::ISODate);
    if (t.tm_hour || t.tm_min || t.tm_sec)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(t.tm_hour, 2, 10, QChar(u'0'))
                    .arg(t.tm_min, 2, 10, QChar(u'0'))
                    .arg(t.tm_sec, 2, 10, QChar(u'0'));
    return text;
}

// Numbers are read from the row's bytes, not from mdbtools' text: its text keeps 16 digits of a
// double and follows the process locale's decimal separator.
QVariant columnValue(MdbHandle* mdb, const MdbColumn* col, const char* bound, int boundLength) {
    if (col->col_type == MDB_BOOL)
        return qlonglong(std::strcmp(bound, "1") == 0 ? 1 : 0);
    if (boundLength == 0 || col->cur_value_len == 0)
        return {};
    unsigned char* row = mdb->pg_buf;
    const int at = col->cur_value_start;
    switch (col->col_type) {
    case MDB_BYTE:
        return qlonglong(mdb_get_byte(row, at));
    case MDB_INT:
        return qlonglong(static_cast<short>(mdb_get_int16(row, at)));
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return qlonglong(static_cast<qint32>(mdb_get_int32(row, at)));
    case MDB_FLOAT:
        return double(mdb_get_single(row, at));
    case MDB_DOUBLE:
        return mdb_get_double(row, at);
    case MDB_DATETIME:
        return dateValue(mdb_get_double(row, at));
    case MDB_MONEY:
    case MDB_NUMERIC: {
        // mdbtools writes these exactly, in digits and ".", without the locale.
        bool ok = false;
        const double v = QString::fromUtf8(bound).toDouble(&ok);
        return ok ? QVariant(v) : QVariant();
    }
    case MDB_BINARY:
    case MDB_OLE:
        return {};
    default:
        return QString::fromUtf8(bound);
    }
}

class TargetDatabase {
public:
    explicit TargetDatabase(const QString& path)
        : name_(QStringLiteral("dosivant-access-") + QUuid::createUuid().toString(QUuid::Id128)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        if (!db.open())
            throw AccessError(QStringLiteral("No se pudo crear la copia ") + path);
    }
    ~TargetDatabase() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

private:
    QString name_;
};

void copyTable(MdbCatalogEntry* entry, QSqlDatabase& target) {
    MdbHandle* mdb = entry->mdb;
    MdbTable table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        throw AccessError(QStringLiteral("No se pudo leer la tabla ") +
                          QString::fromUtf8(entry->object_name));
    const QString name = QString::fromUtf8(entry->object_name);
    const unsigned columns = table->num_cols;

    QStringList definitions;
    QStringList marks;
    for (unsigned c = 0; c < columns; ++c) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        definitions << quoted(QString::fromUtf8(col->name)) + u' ' + sqliteType(mdb, col);
        marks << QStringLiteral("?");
    }
    QSqlQuery q(target);
    if (!q.exec(QStringLiteral("CREATE TABLE ") + quoted(name) + QStringLiteral(" (") +
                definitions.join(QStringLiteral(", ")) + u')'))
        throw AccessError(q.lastError().text());
    if (!q.prepare(QStringLiteral("INSERT INTO ") + quoted(name) + QStringLiteral(" VALUES (") +
                   marks.join(u',') + u')'))
        throw AccessError(q.lastError().text());

    std::vector<std::vector<char>> buffers(columns, std::vector<char>(mdb->bind_size + 1));
    std::vector<int> lengths(columns);
    for (unsigned c = 0; c < columns; ++c)
        mdb_bind_column(table.get(), int(c) + 1, buffers[c].data(), &lengths[c]); // 1-based
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        for (unsigned c = 0; c < columns; ++c) {
            const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            q.bindValue(int(c), columnValue(mdb, col, buffers[c].data(), lengths[c]));
        }
        if (!q.exec())
            throw AccessError(q.lastError().text());
    }
}

} // namespace

bool isAccessFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.size() == 20 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

QStringList accessTableNames(const QString& path) {
    MdbFile mdb = openMdb(path);
    QStringList names;
    for (MdbCatalogEntry* entry : userTables(mdb.get()))
        names << QString::fromUtf8(entry->object_name);
    return names;
}

void copyAccessTables(const QString& path, const QString& sqlitePath, const QStringList& names) {
    MdbFile mdb = openMdb(path);
    mdb_set_boolean_fmt_numbers(mdb.get());
    const std::vector<MdbCatalogEntry*> tables = userTables(mdb.get());

    std::vector<MdbCatalogEntry*> chosen;
    if (names.isEmpty()) {
        chosen = tables;
    } else {
        for (const QString& wanted : names) {
            MdbCatalogEntry* found = nullptr;
            for (MdbCatalogEntry* entry : tables)
                if (QString::fromUtf8(entry->object_name).compare(wanted, Qt::CaseInsensitive) == 0)
                    found = entry;
            if (!found)
                throw AccessError(QStringLiteral("Falta la tabla ") + wanted);
            chosen.push_back(found);
        }
    }

    TargetDatabase target(sqlitePath);
    QSqlDatabase db = target.db();
    if (!db.transaction())
        throw AccessError(db.lastError().text());
    try {
        for (MdbCatalogEntry* entry : chosen)
            copyTable(entry, db);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw AccessError(db.lastError().text());
}

} // namespace import
