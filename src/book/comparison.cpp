#include "book/comparison.h"

#include "app/format.h"

#include <QSet>
#include <algorithm>
#include <map>

namespace book {

namespace {

const QString kLimit = QStringLiteral("#####0.00");
const QString kShare = QStringLiteral("##0.000%");
const QString kValue = QStringLiteral("#####0.00##");
const QString kCost = QStringLiteral("$ ") + fmt::kPricePattern;
using Cells = std::array<QString, kSideCells>;

QString text(const std::optional<double>& v, const QString& pattern) {
    return v ? fmt::format(*v, pattern) : QString();
}

ComparisonRow line(Section section, const QString& concepto, Cells left, Cells right) {
    ComparisonRow r{section, concepto, std::move(left), std::move(right), {}};
    for (size_t c = 0; c < size_t(kSideCells); ++c)
        r.differs[c] = r.left[c] != r.right[c];
    return r;
}

ComparisonRow headerLine(const QString& concepto, const QString& left, const QString& right) {
    return line(Section::Header, concepto, {QString(), QString(), left, QString()},
                {QString(), QString(), right, QString()});
}

QString ingredientBasis(bool seca) {
    return seca ? QStringLiteral("Mat. Seca") : QStringLiteral("Mat. Húmeda");
}

QString nutrientBasis(bool seca) {
    return seca ? QStringLiteral("Base Seca") : QStringLiteral("Base Húmeda");
}

Cells cells(const SnapshotIngredient* i) {
    if (!i)
        return {};
    return {text(i->minimo, kLimit), text(i->maximo, kLimit),
            fmt::format(i->porcentajeHumeda, kShare), text(i->precio, kCost)};
}

Cells cells(const SnapshotNutrient* n) {
    if (!n)
        return {};
    return {text(n->minimo, kLimit), text(n->maximo, kLimit), text(n->valor, kValue), QString()};
}

Cells cells(const SnapshotLimit* l) {
    if (!l)
        return {};
    return {text(l->minimo, kLimit), text(l->maximo, kLimit), text(l->valor, kValue), QString()};
}

std::pair<int, int> key(const SnapshotIngredient& i) {
    return {i.id, 0};
}
std::pair<int, int> key(const SnapshotNutrient& n) {
    return {n.id, 0};
}
std::pair<int, int> key(const SnapshotLimit& l) {
    return {l.id, l.divisor};
}

// The items of both sides matched by id, ordered by name (then id), each side's or null.
template <class Item>
std::vector<std::pair<const Item*, const Item*>> matched(const std::vector<Item>& left,
                                                         const std::vector<Item>& right) {
    std::map<std::pair<int, int>, std::pair<const Item*, const Item*>> byId;
    for (const Item& i : left)
        byId[key(i)].first = &i;
    for (const Item& i : right)
        byId[key(i)].second = &i;
    std::vector<std::pair<const Item*, const Item*>> out;
    for (const auto& [id, pair] : byId)
        out.push_back(pair);
    const auto name = [](const std::pair<const Item*, const Item*>& p) {
        return (p.first ? p.first : p.second)->nombre.trimmed();
    };
    std::stable_sort(out.begin(), out.end(), [&](const auto& a, const auto& b) {
        return QString::localeAwareCompare(name(a).toCaseFolded(), name(b).toCaseFolded()) < 0;
    });
    return out;
}

} // namespace

int Comparison::differences() const {
    return int(std::count_if(rows.begin(), rows.end(),
                             [](const ComparisonRow& r) { return r.anyDifference(); }));
}

Comparison compareFormulas(const FormulaSnapshot& a, const FormulaSnapshot& b) {
    Comparison c;
    c.leftTitle = a.titulo;
    c.rightTitle = b.titulo;
    c.rows.push_back(headerLine(QStringLiteral("Código"), a.codigo.trimmed(), b.codigo.trimmed()));
    c.rows.push_back(
        headerLine(QStringLiteral("Producto"), a.producto.trimmed(), b.producto.trimmed()));
    c.rows.push_back(headerLine(QStringLiteral("Versión"), a.version, b.version));
    c.rows.push_back(headerLine(QStringLiteral("Cantidad a elaborar"), fmt::quantityKg(a.cantidad),
                                fmt::quantityKg(b.cantidad)));
    c.rows.push_back(headerLine(QStringLiteral("Base de los ingredientes"),
                                ingredientBasis(a.secaIng), ingredientBasis(b.secaIng)));
    c.rows.push_back(headerLine(QStringLiteral("Base de los nutrientes"), nutrientBasis(a.secaNut),
                                nutrientBasis(b.secaNut)));
    c.rows.push_back(headerLine(QStringLiteral("Costo unitario (húmeda)"),
                                text(a.costoUnitario, kCost), text(b.costoUnitario, kCost)));
    for (const auto& [l, r] : matched(a.ingredients, b.ingredients))
        c.rows.push_back(
            line(Section::Ingredients, (l ? l : r)->nombre.trimmed(), cells(l), cells(r)));
    for (const auto& [l, r] : matched(a.nutrients, b.nutrients))
        c.rows.push_back(
            line(Section::Nutrients, (l ? l : r)->nombre.trimmed(), cells(l), cells(r)));
    for (const auto& [l, r] : matched(a.ratios, b.ratios))
        c.rows.push_back(line(Section::Ratios, (l ? l : r)->nombre, cells(l), cells(r)));
    for (const auto& [l, r] : matched(a.groups, b.groups))
        c.rows.push_back(line(Section::Groups, (l ? l : r)->nombre, cells(l), cells(r)));
    return c;
}

namespace {

QString sectionTitle(Section s) {
    switch (s) {
    case Section::Header:
        return QStringLiteral("Fórmula");
    case Section::Ingredients:
        return QStringLiteral("Ingredientes (límites, % de la mezcla húmeda y precio)");
    case Section::Nutrients:
        return QStringLiteral("Nutrientes (límites y valor de la mezcla)");
    case Section::Ratios:
        return QStringLiteral("Relaciones entre nutrientes (límites y valor de la mezcla)");
    case Section::Groups:
        return QStringLiteral("Grupos de ingredientes (límites y valor de la mezcla)");
    }
    return {};
}

constexpr int kSeparator = 1 + kSideCells;

std::vector<grid::Column> comparisonColumns() {
    std::vector<grid::Column> columns = {grid::Column(QStringLiteral("Concepto"), 3000)};
    for (int side = 0; side < 2; ++side) {
        if (side == 1)
            columns.emplace_back(QString(), 80);
        columns.emplace_back(QStringLiteral("Mínimo"), 1000, grid::kRight);
        columns.emplace_back(QStringLiteral("Máximo"), 1000, grid::kRight);
        columns.emplace_back(QStringLiteral("Valor"), 1600, grid::kRight);
        columns.emplace_back(QStringLiteral("Precio"), 1100, grid::kRight);
    }
    return columns;
}

} // namespace

grid::GridContent comparisonGrid(const Comparison& comparison, bool onlyDifferences) {
    grid::GridContent g;
    g.columns = comparisonColumns();
    for (const grid::Column& col : g.columns) {
        g.fields.push_back(col.caption);
        g.header.push_back(grid::headerCell(col));
    }
    const int width = g.columnCount();
    std::optional<Section> open;
    for (const ComparisonRow& r : comparison.rows) {
        if (onlyDifferences && !r.anyDifference())
            continue;
        if (open != r.section) {
            open = r.section;
            std::vector<grid::CellStyle> title(static_cast<size_t>(width));
            for (grid::CellStyle& cell : title) {
                cell.background = grid::kGrey;
                cell.foreground = grid::kWhite;
                cell.bold = true;
            }
            title[0].text = sectionTitle(r.section);
            g.rows.push_back(std::move(title));
        }
        std::vector<grid::CellStyle> row(static_cast<size_t>(width));
        row[0].text = r.concepto;
        row[0].bold = r.anyDifference();
        for (int c = 0; c < kSideCells; ++c) {
            grid::CellStyle& left = row[size_t(1 + c)];
            grid::CellStyle& right = row[size_t(kSeparator + 1 + c)];
            left.text = r.left[size_t(c)];
            right.text = r.right[size_t(c)];
            for (grid::CellStyle* cell : {&left, &right}) {
                cell->alignment = grid::kRight;
                if (r.differs[size_t(c)]) {
                    cell->background = kDifference;
                    cell->bold = true;
                }
            }
        }
        row[kSeparator].background = grid::kGrey;
        g.rows.push_back(std::move(row));
    }
    return g;
}

QString differencesText(const Comparison& comparison) {
    const int n = comparison.differences();
    if (n == 0)
        return QStringLiteral("Las dos versiones son iguales.");
    return n == 1 ? QStringLiteral("1 línea con diferencias (resaltada).")
                  : QStringLiteral("%1 líneas con diferencias (resaltadas).").arg(n);
}

} // namespace book
