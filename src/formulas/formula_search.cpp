#include "formulas/formula_search.h"

#include "app/date_text.h"
#include "app/format.h"
#include "app/number_text.h"
#include "formulas/formula_messages.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/sql_text.h"

namespace formulas {

namespace {

bool filled(const QString& text) {
    return !text.trimmed().isEmpty();
}

QString dateLiteral(const QString& typed) {
    return sql::date(datetext::parseDate(typed));
}

} // namespace

std::optional<FilterProblem> checkFilter(const FormulaFilter& filter) {
    const std::pair<const QString*, const char*> dates[] = {
        {&filter.createdFrom, "Text4"},
        {&filter.createdTo, "Text5"},
        {&filter.modifiedFrom, "Text12"},
        {&filter.modifiedTo, "Text13"},
    };
    for (const auto& [text, field] : dates) {
        if (filled(*text) && !datetext::parseDate(*text).isValid())
            return FilterProblem{texts::kInvalidDate, QString::fromLatin1(field)};
    }
    if (filter.nutrientId > 0) {
        if (filled(filter.valueFrom) && !numtext::isNumber(filter.valueFrom))
            return FilterProblem{texts::kInvalidValue, QStringLiteral("Text7")};
        if (filled(filter.valueTo) && !numtext::isNumber(filter.valueTo))
            return FilterProblem{texts::kInvalidValue, QStringLiteral("Text8")};
    }
    return std::nullopt;
}

QString containsPattern(const QString& typed) {
    QString text = typed.trimmed();
    const bool wildcard = text.contains('%') || text.contains('_');
    if (wildcard) {
        text.replace('\\', QStringLiteral("\\\\"));
        text.replace('%', QStringLiteral("\\%"));
        text.replace('_', QStringLiteral("\\_"));
    }
    return sql::text('%' + text + '%') + (wildcard ? QStringLiteral(" ESCAPE '\\'") : QString());
}

QString searchStatement(const FormulaFilter& f, bool withMark) {
    const bool byNutrient = f.nutrientId > 0;
    const bool byIngredient = f.ingredientId > 0;
    QString s = QStringLiteral("SELECT f.id_formula,f.codigo,f.producto,f.cantidad,f.version,"
                               "f.fecha_creacion,f.fecha_modificacion,") +
                (withMark ? QStringLiteral("f.limites_incumplidos")
                          : QStringLiteral("NULL AS limites_incumplidos")) +
                // The cost per unit as fed of the stored mix, at the prices it was saved with.
                QStringLiteral(",(SELECT SUM(fc.porcentaje_humeda*fc.costo) FROM formula_producto "
                               "fc WHERE fc.id_formula=f.id_formula) AS costo_unitario"
                               " FROM Formulas f");
    if (byNutrient)
        s += QStringLiteral(",formula_propiedad fn");
    if (byIngredient)
        s += QStringLiteral(",formula_producto fi");
    s += QStringLiteral(" WHERE True");
    if (filled(f.codeFrom))
        s += QStringLiteral(" AND f.codigo>=") + sql::text(f.codeFrom);
    if (filled(f.codeTo))
        s += QStringLiteral(" AND f.codigo<=") + sql::text(f.codeTo);
    if (filled(f.product))
        s += QStringLiteral(" AND f.producto LIKE ") + containsPattern(f.product);
    if (filled(f.createdFrom))
        s += QStringLiteral(" and f.fecha_creacion>=") + dateLiteral(f.createdFrom);
    if (filled(f.createdTo))
        s += QStringLiteral(" and (f.fecha_creacion<=") + dateLiteral(f.createdTo) +
             QStringLiteral(" or (f.fecha_creacion IS NULL))");
    if (filled(f.modifiedFrom))
        s += QStringLiteral(" and f.fecha_modificacion>=") + dateLiteral(f.modifiedFrom);
    if (filled(f.modifiedTo))
        s += QStringLiteral(" and (f.fecha_modificacion<=") + dateLiteral(f.modifiedTo) +
             QStringLiteral(" or (f.fecha_modificacion IS NULL))");
    if (byNutrient) {
        s += QStringLiteral(" and f.id_formula=fn.id_formula and fn.id_propiedad=") +
             QString::number(f.nutrientId);
        if (filled(f.valueFrom))
            s += QStringLiteral(" and fn.valor>=") + sql::number(numtext::toDouble(f.valueFrom));
        if (filled(f.valueTo))
            s += QStringLiteral(" and fn.valor<=") + sql::number(numtext::toDouble(f.valueTo));
    }
    if (byIngredient)
        s += QStringLiteral(" and f.id_formula=fi.id_formula and fi.id_producto=") +
             QString::number(f.ingredientId);
    s += QStringLiteral(" ORDER BY fecha_modificacion DESC");
    return s;
}

std::vector<grid::Column> formulaColumns() {
    std::vector<grid::Column> columns = {
        grid::Column({}, 0),
        grid::Column(QStringLiteral("Código"), 1000),
        grid::Column(QStringLiteral("Producto"), 1000),
        grid::Column({}, 0),
        grid::Column(QStringLiteral("Versión"), 700),
        grid::Column({}, 0, grid::kLeft, QStringLiteral("dd/mm/yyyy")),
        grid::Column(QStringLiteral("Modificada"), 1100, grid::kLeft, QStringLiteral("dd/mm/yyyy")),
        grid::Column(QStringLiteral("Límites"), 1000),
        grid::Column(QStringLiteral("Costo unitario"), 1300, grid::kRight,
                     QStringLiteral("$ ") + fmt::kPricePattern),
    };
    return columns;
}

bool keepsBrokenLimits(store::Database& db) {
    return store::hasColumn(db, QStringLiteral("formulas"), QStringLiteral("limites_incumplidos"));
}

grid::GridContent formulaGrid(const store::RecordSet& rows,
                              const std::vector<grid::Column>& columns) {
    grid::GridContent g = grid::gridContent(rows, columns);
    if (g.columnCount() <= kMarkColumn)
        return g;
    for (int r = 0; r < g.rowCount(); ++r) {
        grid::CellStyle& mark = g.cell(r, kMarkColumn);
        const bool marked = !rows.valueAt(r, kMarkColumn).toString().trimmed().isEmpty();
        mark.text = marked ? kBrokenMark : QString();
        if (marked) {
            mark.foreground = grid::kRed;
            mark.bold = true;
        }
    }
    return g;
}

QString markToolTip(const QString& summary) {
    return summary.trimmed().isEmpty()
               ? QString()
               : QStringLiteral("Grabada sin cumplir: ") + summary.trimmed();
}

void deleteFormula(store::Database& db, int idFormula) {
    const QString id = QString::number(idFormula);
    store::Database::Transaction tx(db);
    for (const QString& limits :
         {QStringLiteral("formula_relacion"), QStringLiteral("formula_grupo"),
          QStringLiteral("plan_formula"), QStringLiteral("formula_uso_minimo"),
          QStringLiteral("formula_opciones"), QStringLiteral("formula_propiedad_probabilidad")})
        if (store::hasTable(db, limits))
            db.exec(QStringLiteral("delete from ") + limits + QStringLiteral(" where id_formula=") +
                    id);
    db.exec(QStringLiteral("delete from formula_propiedad where id_formula=") + id);
    db.exec(QStringLiteral("delete from formula_producto where id_formula=") + id);
    db.exec(QStringLiteral("delete from formulas where id_formula=") + id);
    tx.commit();
}

lists::ListDescription formulaList() {
    lists::ListDescription list;
    list.objectName = QStringLiteral("frmformulas");
    list.caption = texts::kListCaption;
    list.searchTitle = QStringLiteral("Búsqueda");
    list.openingStatement = searchStatement(FormulaFilter{});
    list.columns = &formulaColumns;
    list.fillColumn = kProductColumn;
    list.size = QSize(780, 560);
    list.acceptCaption = QStringLiteral("Aceptar");
    list.cancelCaption = QStringLiteral("Cancelar");
    list.buttonsTakeFocus = false;
    list.extraButtons = {{QStringLiteral("cmdComparar"), QStringLiteral("C&omparar")}};
    return list;
}

} // namespace formulas
