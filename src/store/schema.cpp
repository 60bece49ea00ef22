#include "store/schema.h"

#include <QRegularExpression>

namespace store {

QStringList schemaStatements() {
    return {
        QStringLiteral("CREATE TABLE productos (id_producto INTEGER PRIMARY KEY, "
                       "codigo VARCHAR(20) NOT NULL, nombre VARCHAR(100), unidad VARCHAR(20), "
                       "costo DOUBLE, materia_seca DOUBLE)"),
        QStringLiteral("CREATE UNIQUE INDEX productos_codigo ON productos (codigo)"),
        QStringLiteral("CREATE INDEX productos_nombre ON productos (nombre)"),
        QStringLiteral("CREATE TABLE propiedades (id_propiedad INTEGER PRIMARY KEY, "
                       "nombre VARCHAR(100), unidad VARCHAR(20))"),
        QStringLiteral("CREATE INDEX propiedades_nombre ON propiedades (nombre)"),
        QStringLiteral("CREATE TABLE producto_propiedad (id_producto INTEGER NOT NULL, "
                       "id_propiedad INTEGER NOT NULL, valor DOUBLE, "
                       "PRIMARY KEY (id_producto, id_propiedad))"),
        QStringLiteral("CREATE INDEX producto_propiedad_propiedad ON producto_propiedad "
                       "(id_propiedad)"),
        QStringLiteral("CREATE TABLE formulas (id_formula INTEGER PRIMARY KEY, "
                       "codigo VARCHAR(20), producto VARCHAR(100), cantidad DOUBLE, "
                       "version DOUBLE, fecha_creacion DATE, fecha_modificacion DATE, "
                       "tipoBase INTEGER, tipoBaseNutrientes INTEGER)"),
        QStringLiteral("CREATE INDEX formulas_codigo ON formulas (codigo)"),
        QStringLiteral("CREATE TABLE formula_producto (id_formula INTEGER NOT NULL, "
                       "id_producto INTEGER NOT NULL, minimo DOUBLE, maximo DOUBLE, "
                       "costo DOUBLE, materia_seca DOUBLE, porcentaje_humeda DOUBLE, "
                       "porcentaje_seca DOUBLE, cantidad_humeda DOUBLE, cantidad_seca DOUBLE, "
                       "PRIMARY KEY (id_formula, id_producto))"),
        QStringLiteral("CREATE INDEX formula_producto_producto ON formula_producto "
                       "(id_producto)"),
        QStringLiteral("CREATE TABLE formula_propiedad (id_formula INTEGER NOT NULL, "
                       "id_propiedad INTEGER NOT NULL, minimo DOUBLE, maximo DOUBLE, "
                       "valor DOUBLE, PRIMARY KEY (id_formula, id_propiedad))"),
        QStringLiteral("CREATE INDEX formula_propiedad_propiedad ON formula_propiedad "
                       "(id_propiedad)"),
    };
}

QStringList schemaIndexStatements() {
    static const QRegularExpression index(QStringLiteral("^CREATE (UNIQUE )?INDEX "));
    QStringList out;
    for (const QString& statement : schemaStatements()) {
        const auto m = index.match(statement);
        if (m.hasMatch())
            out << m.captured(0) + QStringLiteral("IF NOT EXISTS ") +
                       statement.mid(m.capturedEnd());
    }
    return out;
}

namespace {

// The tables that statements create and their columns.
std::vector<TableColumns> tablesOf(const QStringList& statements) {
    static const QRegularExpression table(
        QStringLiteral("^CREATE TABLE (?:IF NOT EXISTS )?(\\w+) \\((.*)\\)$"));
    std::vector<TableColumns> out;
    for (const QString& statement : statements) {
        const auto m = table.match(statement);
        if (!m.hasMatch())
            continue;
        TableColumns t{m.captured(1), {}};
        for (const QString& item : m.captured(2).split(',')) {
            const QString name = item.trimmed().section(' ', 0, 0);
            // "PRIMARY KEY (a, b)" is split at its comma; neither piece names a column.
            if (!name.isEmpty() && name != QStringLiteral("PRIMARY") && !name.endsWith(')'))
                t.columns << name;
        }
        out.push_back(t);
    }
    return out;
}

} // namespace

// Read from the CREATE TABLE statements, so the check on opening can never disagree with what a
// new file holds.
std::vector<TableColumns> schemaTables() {
    return tablesOf(schemaStatements());
}

QStringList addedTableStatements() {
    // One row per change of an ingredient's cost or dry matter; fecha orders them.
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS precio_historial (id_producto INTEGER NOT NULL, "
                       "fecha TIMESTAMP NOT NULL, costo DOUBLE, materia_seca DOUBLE, "
                       "origen VARCHAR(30))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS precio_historial_producto ON precio_historial "
                       "(id_producto, fecha)"),
    };
}

std::vector<TableColumns> addedTables() {
    return tablesOf(addedTableStatements());
}

std::vector<ForbiddenColumn> forbiddenColumns() {
    // "select pp.*,p.materia_seca from producto_propiedad pp, productos p ..."
    return {{QStringLiteral("producto_propiedad"), QStringLiteral("materia_seca"),
             QStringLiteral("productos")}};
}

} // namespace store
