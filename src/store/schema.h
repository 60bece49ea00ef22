#pragma once

#include <QStringList>
#include <vector>

namespace store {

// The statements that create the tables of a new database, with their keys and the indexes the
// program's look-ups use.
QStringList schemaStatements();

// The part of schemaStatements that a database made before ratio and group limits and the price
// history lacks: the tables formula_relacion, grupos, grupo_producto, formula_grupo and
// precio_historial ("CREATE TABLE IF NOT EXISTS") and their indexes. Opening a writable database
// makes the missing ones; they are not required of a file, so an older one opened read-only
// still works.
QStringList addedTableStatements();

// The index statements of the schema as "CREATE [UNIQUE] INDEX IF NOT EXISTS ...": run on a file
// made elsewhere, they add the indexes it lacks and leave the others alone.
QStringList schemaIndexStatements();

// A table of the schema and the columns the program reads and writes in it.
struct TableColumns {
    QString table;
    QStringList columns;
    bool addedLater = false; // one of addedTableStatements(): an older database may lack it
};
std::vector<TableColumns> schemaTables();
// The tables of addedTableStatements().
std::vector<TableColumns> addedTables();

// A column of one of the first tables that came after the first files: a new database has it
// (schemaStatements), opening a writable one that lacks it adds it ("ALTER TABLE ... ADD
// COLUMN"), and an older file opened read-only works without it, its readers finding Null.
struct AddedColumn {
    QString table;
    QString column;
    QString type; // as in schemaStatements
};
std::vector<AddedColumn> addedColumns();
bool isAddedColumn(const QString& table, const QString& column);

// A column the program must not find in a table, because a "*" query over that table joined
// with another would then return two columns of one name.
struct ForbiddenColumn {
    QString table;
    QString column;
    QString joinedTable; // the table whose column of that name the query reads
};
std::vector<ForbiddenColumn> forbiddenColumns();

} // namespace store
