#include "store/schema.h"

#include <QRegularExpression>

namespace store {

QStringList schemaStatements() {
    const QStringList firstTables = {
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
        QStringLiteral(
            "CREATE TABLE formulas (id_formula INTEGER PRIMARY KEY, "
            "codigo VARCHAR(20), producto VARCHAR(100), cantidad DOUBLE, "
            "version DOUBLE, fecha_creacion DATE, fecha_modificacion DATE, "
            "tipoBase INTEGER, tipoBaseNutrientes INTEGER, limites_incumplidos VARCHAR(250))"),
        QStringLiteral("CREATE INDEX formulas_codigo ON formulas (codigo)"),
        // One row per version of a code: a second save numbered alike is refused, never stored.
        QStringLiteral("CREATE UNIQUE INDEX formulas_codigo_version ON formulas (codigo, version)"),
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
    return firstTables + addedTableStatements();
}

// Ratio and group limits, the price history and the production plans came after the first files:
// these tables are made on opening a file that lacks them, so their statements say IF NOT EXISTS.
QStringList addedTableStatements() {
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS formula_relacion (id_formula INTEGER NOT NULL, "
                       "id_propiedad INTEGER NOT NULL, id_propiedad_divisor INTEGER NOT NULL, "
                       "minimo DOUBLE, maximo DOUBLE, valor DOUBLE, "
                       "PRIMARY KEY (id_formula, id_propiedad, id_propiedad_divisor))"),
        QStringLiteral("CREATE INDEX formula_relacion_propiedad ON formula_relacion "
                       "(id_propiedad)"),
        QStringLiteral("CREATE INDEX formula_relacion_divisor ON formula_relacion "
                       "(id_propiedad_divisor)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS grupos (id_grupo INTEGER PRIMARY KEY, "
                       "nombre VARCHAR(100) NOT NULL)"),
        QStringLiteral("CREATE UNIQUE INDEX grupos_nombre ON grupos (nombre)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS grupo_producto (id_grupo INTEGER NOT NULL, "
                       "id_producto INTEGER NOT NULL, PRIMARY KEY (id_grupo, id_producto))"),
        QStringLiteral("CREATE INDEX grupo_producto_producto ON grupo_producto (id_producto)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS formula_grupo (id_formula INTEGER NOT NULL, "
                       "id_grupo INTEGER NOT NULL, minimo DOUBLE, maximo DOUBLE, valor DOUBLE, "
                       "PRIMARY KEY (id_formula, id_grupo))"),
        QStringLiteral("CREATE INDEX formula_grupo_grupo ON formula_grupo (id_grupo)"),
        // One row per change of an ingredient's cost or dry matter; fecha orders them.
        QStringLiteral("CREATE TABLE IF NOT EXISTS precio_historial (id_producto INTEGER NOT NULL, "
                       "fecha TIMESTAMP NOT NULL, costo DOUBLE, materia_seca DOUBLE, "
                       "origen VARCHAR(30), usuario VARCHAR(64))"),
        QStringLiteral("CREATE INDEX precio_historial_producto ON precio_historial "
                       "(id_producto, fecha)"),
        // Production plans: formulas made together from the same stock of ingredients.
        QStringLiteral("CREATE TABLE IF NOT EXISTS planes (id_plan INTEGER PRIMARY KEY, "
                       "nombre VARCHAR(100) NOT NULL, fecha TIMESTAMP)"),
        QStringLiteral("CREATE UNIQUE INDEX planes_nombre ON planes (nombre)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS plan_formula (id_plan INTEGER NOT NULL, "
                       "id_formula INTEGER NOT NULL, cantidad DOUBLE NOT NULL, "
                       "PRIMARY KEY (id_plan, id_formula))"),
        QStringLiteral("CREATE INDEX plan_formula_formula ON plan_formula (id_formula)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS plan_producto (id_plan INTEGER NOT NULL, "
                       "id_producto INTEGER NOT NULL, disponible DOUBLE, minimo_uso DOUBLE, "
                       "PRIMARY KEY (id_plan, id_producto))"),
        QStringLiteral("CREATE INDEX plan_producto_producto ON plan_producto (id_producto)"),
        // Weighable mixes: an ingredient absent or present with at least minimo, at most
        // max_ingredientes in the mix, quantities rounded to each ingredient's weighing step.
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS formula_uso_minimo (id_formula INTEGER NOT NULL, "
            "id_producto INTEGER NOT NULL, minimo DOUBLE NOT NULL, "
            "PRIMARY KEY (id_formula, id_producto))"),
        QStringLiteral("CREATE INDEX formula_uso_minimo_producto ON formula_uso_minimo "
                       "(id_producto)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS formula_opciones (id_formula INTEGER NOT NULL, "
                       "max_ingredientes INTEGER, redondear INTEGER NOT NULL DEFAULT 0, "
                       "PRIMARY KEY (id_formula))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS producto_pesada (id_producto INTEGER NOT NULL, "
                       "paso DOUBLE NOT NULL, PRIMARY KEY (id_producto))"),
        // Variability of compositions: the standard deviation of a value, the laboratory results
        // it comes from, and the probability with which a formula's nutrient limit must hold.
        QStringLiteral("CREATE TABLE IF NOT EXISTS producto_propiedad_desvio (id_producto INTEGER "
                       "NOT NULL, id_propiedad INTEGER NOT NULL, desvio DOUBLE NOT NULL, "
                       "PRIMARY KEY (id_producto, id_propiedad))"),
        QStringLiteral("CREATE INDEX producto_propiedad_desvio_propiedad ON "
                       "producto_propiedad_desvio (id_propiedad)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS producto_analisis (id_analisis INTEGER PRIMARY "
                       "KEY, id_producto INTEGER NOT NULL, id_propiedad INTEGER NOT NULL, "
                       "fecha DATE NOT NULL, lote VARCHAR(50), valor DOUBLE NOT NULL)"),
        QStringLiteral("CREATE INDEX producto_analisis_producto ON producto_analisis "
                       "(id_producto, id_propiedad, fecha)"),
        QStringLiteral("CREATE INDEX producto_analisis_propiedad ON producto_analisis "
                       "(id_propiedad)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS formula_propiedad_probabilidad (id_formula "
                       "INTEGER NOT NULL, id_propiedad INTEGER NOT NULL, probabilidad DOUBLE NOT "
                       "NULL, PRIMARY KEY (id_formula, id_propiedad))"),
        QStringLiteral("CREATE INDEX formula_propiedad_probabilidad_propiedad ON "
                       "formula_propiedad_probabilidad (id_propiedad)"),
        // One row per change of a composition value or deviation made from analyses or a
        // composition list; fecha orders them, origen says which.
        QStringLiteral("CREATE TABLE IF NOT EXISTS producto_propiedad_historial (id_producto "
                       "INTEGER NOT NULL, id_propiedad INTEGER NOT NULL, fecha TIMESTAMP NOT NULL, "
                       "valor DOUBLE, desvio DOUBLE, origen VARCHAR(30), usuario VARCHAR(64))"),
        QStringLiteral("CREATE INDEX producto_propiedad_historial_producto ON "
                       "producto_propiedad_historial (id_producto, id_propiedad, fecha)"),
        QStringLiteral("CREATE INDEX producto_propiedad_historial_propiedad ON "
                       "producto_propiedad_historial (id_propiedad)"),
        // Where a composition value comes from (a table, a paper, a footprint database).
        QStringLiteral("CREATE TABLE IF NOT EXISTS producto_propiedad_fuente (id_producto INTEGER "
                       "NOT NULL, id_propiedad INTEGER NOT NULL, fuente VARCHAR(250) NOT NULL, "
                       "PRIMARY KEY (id_producto, id_propiedad))"),
        QStringLiteral("CREATE INDEX producto_propiedad_fuente_propiedad ON "
                       "producto_propiedad_fuente (id_propiedad)"),
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

// Read from the CREATE TABLE statements, so the check on opening can never disagree with what a
// new file holds.
std::vector<TableColumns> schemaTables() {
    static const QRegularExpression table(
        QStringLiteral("^CREATE TABLE (IF NOT EXISTS )?(\\w+) \\((.*)\\)$"));
    std::vector<TableColumns> out;
    for (const QString& statement : schemaStatements()) {
        const auto m = table.match(statement);
        if (!m.hasMatch())
            continue;
        TableColumns t{m.captured(2), {}, !m.captured(1).isEmpty()};
        // A closing "PRIMARY KEY (a, b, c)" names no new column.
        static const QRegularExpression key(QStringLiteral(",\\s*PRIMARY KEY \\([^)]*\\)$"));
        for (const QString& item : m.captured(3).remove(key).split(',')) {
            const QString name = item.trimmed().section(' ', 0, 0);
            if (!name.isEmpty())
                t.columns << name;
        }
        out.push_back(t);
    }
    return out;
}

std::vector<AddedColumn> addedColumns() {
    // Null: the version was saved meeting its limits (or before the program kept track).
    // usuario Null: the price was changed on a file (or before the program kept track).
    return {{QStringLiteral("formulas"), QStringLiteral("limites_incumplidos"),
             QStringLiteral("VARCHAR(250)")},
            {QStringLiteral("precio_historial"), QStringLiteral("usuario"),
             QStringLiteral("VARCHAR(64)")}};
}

bool isAddedColumn(const QString& table, const QString& column) {
    for (const AddedColumn& c : addedColumns())
        if (c.table.compare(table, Qt::CaseInsensitive) == 0 &&
            c.column.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

std::vector<TableColumns> addedTables() {
    std::vector<TableColumns> out;
    for (TableColumns& t : schemaTables())
        if (t.addedLater)
            out.push_back(std::move(t));
    return out;
}

std::vector<ForbiddenColumn> forbiddenColumns() {
    // "select pp.*,p.materia_seca from producto_propiedad pp, productos p ..."
    return {{QStringLiteral("producto_propiedad"), QStringLiteral("materia_seca"),
             QStringLiteral("productos")}};
}

} // namespace store
