#include "printing/catalogue_lists.h"

#include "printing/catalogue_report.h"
#include "store/database.h"

namespace printing {

store::RecordSet catalogueListRows(store::Database& db, const ReportDefinition& report) {
    if (report.name == repIngredientes().name)
        return db.query(QStringLiteral("select id_producto,codigo,nombre,unidad,costo,materia_seca "
                                       "from productos order by nombre"));
    if (report.name == repNutrientes().name)
        return db.query(
            QStringLiteral("select id_propiedad,nombre,unidad from propiedades order by nombre"));
    return db.query(QStringLiteral(
        "SELECT f.id_formula,f.codigo,f.producto,f.cantidad,f.version,f.fecha_creacion,"
        "f.fecha_modificacion FROM Formulas f WHERE True ORDER BY fecha_modificacion DESC"));
}

} // namespace printing
