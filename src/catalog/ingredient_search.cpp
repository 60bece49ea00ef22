#include "catalog/ingredient_search.h"

#include "app/format.h"
#include "app/number_text.h"
#include "catalog/catalog_texts.h"
#include "store/record_set.h"
#include "store/sql_text.h"

namespace catalog {

namespace {

bool filled(const QString& text) {
    return !text.trimmed().isEmpty();
}

QString numberOf(const QString& text) {
    return sql::number(numtext::toDouble(text));
}

} // namespace

std::optional<Refusal> checkIngredientFilter(const IngredientFilter& f) {
    const std::pair<const QString*, const char*> costs[] = {{&f.costFrom, "Text4"},
                                                            {&f.costTo, "Text5"}};
    for (const auto& [text, control] : costs) {
        if (filled(*text) && !numtext::isNumber(*text))
            return Refusal{texts::kCostoNoNumerico, QString::fromLatin1(control)};
    }
    const std::pair<const QString*, const char*> values[] = {{&f.valueFrom, "Text7"},
                                                             {&f.valueTo, "Text8"}};
    for (const auto& [text, control] : values) {
        if (filled(*text) && !numtext::isNumber(*text))
            return Refusal{texts::kRangoNoNumerico, QString::fromLatin1(control)};
    }
    return std::nullopt;
}

QString ingredientSearchSql(const IngredientFilter& f) {
    QString sql = QStringLiteral("select p.id_producto,p.codigo,p.nombre,p.unidad,p.costo,"
                                 "p.materia_seca");
    sql += QStringLiteral(" from productos p");
    if (f.nutrientId > 0)
        sql += QStringLiteral(",producto_propiedad pp");
    sql += QStringLiteral(" where true");
    if (filled(f.codeFrom))
        sql += QStringLiteral(" and p.codigo>=") + sql::codeText(f.codeFrom);
    if (filled(f.codeTo))
        sql += QStringLiteral(" and p.codigo<=") + sql::codeText(f.codeTo);
    if (filled(f.name))
        sql += QStringLiteral(" and p.nombre like ") + sql::containsPattern(f.name);
    if (filled(f.unit))
        sql += QStringLiteral(" and p.unidad=") + sql::text(f.unit);
    if (filled(f.costFrom))
        sql += QStringLiteral(" and p.costo>=") + numberOf(f.costFrom);
    if (filled(f.costTo))
        sql += QStringLiteral(" and p.costo<=") + numberOf(f.costTo);
    if (f.nutrientId > 0) {
        sql += QStringLiteral(" and p.id_producto=pp.id_producto and pp.id_propiedad=") +
               QString::number(f.nutrientId);
        if (filled(f.valueFrom))
            sql += QStringLiteral(" and pp.valor>=") + numberOf(f.valueFrom);
        if (filled(f.valueTo))
            sql += QStringLiteral(" and pp.valor<=") + numberOf(f.valueTo);
    }
    sql += QStringLiteral(" order by nombre");
    return sql;
}

std::vector<grid::Column> ingredientColumns() {
    return {
        grid::Column(QString(), 0),
        // Wider than the classic 1000 twips, so codes of eight and more letters are not clipped.
        grid::Column(QStringLiteral("Código"), 1400),
        grid::Column(QStringLiteral("Descripción"), 0),
        grid::Column(QStringLiteral("Unidad"), 1100, grid::kRight),
        grid::Column(QStringLiteral("Costo"), 1000, grid::kRight, fmt::kPricePattern),
        grid::Column(QString(), 0),
    };
}

grid::GridContent ingredientGrid(const store::RecordSet& rows) {
    grid::GridContent content = grid::gridContent(rows, ingredientColumns());
    const int code = content.fieldColumn(QStringLiteral("codigo"));
    if (code >= 0) {
        for (int r = 0; r < content.rowCount(); ++r)
            content.cell(r, code).text = content.cell(r, code).text.trimmed();
    }
    return content;
}

lists::ListDescription ingredientList() {
    lists::ListDescription list;
    list.objectName = QStringLiteral("frmproductos");
    list.caption = QStringLiteral("Ingredientes");
    list.openingStatement = kIngredientListSql;
    list.columns = &ingredientColumns;
    list.fillColumn = kIngredientFillColumn;
    list.size = QSize(760, 560);
    list.extraButtons = {{QStringLiteral("CmdPropiedades"), QStringLiteral("Nu&trientes")}};
    return list;
}

} // namespace catalog
