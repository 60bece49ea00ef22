#include "catalog/nutrient_search.h"

#include "store/sql_text.h"

namespace catalog {

QString nutrientSearchSql(const QString& name) {
    QString sql = QStringLiteral("select p.id_propiedad,p.nombre,p.unidad from propiedades p");
    sql += QStringLiteral(" where true");
    if (!name.trimmed().isEmpty())
        sql += QStringLiteral(" and nombre like ") + sql::containsPattern(name);
    sql += QStringLiteral(" order by nombre");
    return sql;
}

std::vector<grid::Column> nutrientColumns() {
    return {
        grid::Column(QString(), 0),
        grid::Column(QStringLiteral("Descripción"), 0),
        grid::Column(QStringLiteral("Unidad"), 1000),
    };
}

lists::ListDescription nutrientList() {
    lists::ListDescription list;
    list.objectName = QStringLiteral("frmpropiedades");
    list.caption = QStringLiteral("Nutrientes");
    list.openingStatement = kNutrientListSql;
    list.columns = &nutrientColumns;
    list.fillColumn = kNutrientFillColumn;
    list.size = QSize(520, 480);
    return list;
}

} // namespace catalog
