#pragma once

#include <QStringList>
#include <vector>

namespace store {

// The statements that create the six tables of a new database, with their keys and the indexes
// the program's look-ups use.
QStringList schemaStatements();

// The index statements of the schema as "CREATE [UNIQUE] INDEX IF NOT EXISTS ...": run on a file
// made elsewhere, they add the indexes it lacks and leave the others alone.
QStringList schemaIndexStatements();

// A table of the schema and the columns the program reads and writes in it.
struct TableColumns {
    QString table;
    QStringList columns;
};
std::vector<TableColumns> schemaTables();

// Tables that came after the first databases were made (the price history): a new database gets
// them with the others, and opening one that lacks them creates them, table and indexes, as
// "CREATE ... IF NOT EXISTS". They are not required of a file, so an older one opened read-only
// still works.
QStringList addedTableStatements();
std::vector<TableColumns> addedTables();

// A column the program must not find in a table, because a "*" query over that table joined
// with another would then return two columns of one name.
struct ForbiddenColumn {
    QString table;
    QString column;
    QString joinedTable; // the table whose column of that name the query reads
};
std::vector<ForbiddenColumn> forbiddenColumns();

} // namespace store
