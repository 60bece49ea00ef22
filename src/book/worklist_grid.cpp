#include "book/worklist_grid.h"

#include "app/format.h"

#include <algorithm>
#include <numeric>
#include <variant>

namespace book {

namespace {

const QString kCost = QStringLiteral("$ ") + fmt::kPricePattern;

QString cost(const std::optional<double>& v) {
    return v ? fmt::format(*v, kCost) : QString();
}

// The value a column sorts by: a number, a text, or nothing (sorted last).
using SortKey = std::variant<std::monostate, double, QString>;

SortKey number(const std::optional<double>& v) {
    return v ? SortKey(*v) : SortKey();
}

SortKey sortKey(const WorklistRow& r, int column) {
    switch (column) {
    case kColCodigo:
        return r.codigo;
    case kColProducto:
        return r.producto;
    case kColVersion:
        return r.version;
    case kColCostoAnterior:
        return number(r.costoAnterior);
    case kColCostoHoy:
        return number(r.costoMezclaHoy);
    case kColCostoNuevo:
        return number(r.costoNuevo);
    case kColCambio:
        return number(r.cambioPorcentual());
    case kColResultado:
        return resultText(r);
    case kColEntran:
        return r.entran.isEmpty() ? SortKey() : SortKey(r.entran.join(QStringLiteral(", ")));
    case kColSalen:
        return r.salen.isEmpty() ? SortKey() : SortKey(r.salen.join(QStringLiteral(", ")));
    case kColVersionNueva:
        return r.versionNueva ? SortKey(double(*r.versionNueva)) : SortKey();
    default:
        return {};
    }
}

// -1, 0, 1 for two keys of one column, which are both numbers or both texts when present.
int compareKeys(const SortKey& a, const SortKey& b) {
    if (const auto* x = std::get_if<double>(&a)) {
        const double y = std::get<double>(b);
        return *x < y ? -1 : (*x > y ? 1 : 0);
    }
    const int c = QString::localeAwareCompare(std::get<QString>(a).toCaseFolded(),
                                              std::get<QString>(b).toCaseFolded());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

std::vector<grid::Column> worklistColumns() {
    return {
        grid::Column(QStringLiteral("Código"), 1400),
        grid::Column(QStringLiteral("Producto"), 2400),
        grid::Column(QStringLiteral("Vers."), 600, grid::kRight),
        grid::Column(QStringLiteral("Anterior"), 1100, grid::kRight),
        grid::Column(QStringLiteral("Precios hoy"), 1100, grid::kRight),
        grid::Column(QStringLiteral("Nuevo"), 1100, grid::kRight),
        grid::Column(QStringLiteral("Cambio %"), 900, grid::kRight),
        grid::Column(QStringLiteral("Resultado"), 1500),
        grid::Column(QStringLiteral("Entran"), 1800),
        grid::Column(QStringLiteral("Salen"), 1800),
        grid::Column(QStringLiteral("Nueva"), 700, grid::kRight),
    };
}

std::vector<int> sortedRows(const std::vector<WorklistRow>& rows, int column, bool ascending) {
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const SortKey ka = sortKey(rows[size_t(a)], column);
        const SortKey kb = sortKey(rows[size_t(b)], column);
        const bool emptyA = std::holds_alternative<std::monostate>(ka);
        const bool emptyB = std::holds_alternative<std::monostate>(kb);
        if (emptyA || emptyB)
            return !emptyA && emptyB;
        const int c = compareKeys(ka, kb);
        return ascending ? c < 0 : c > 0;
    });
    return order;
}

QString worklistCell(const WorklistRow& r, int column) {
    switch (column) {
    case kColCodigo:
        return r.codigo;
    case kColProducto:
        return r.producto;
    case kColVersion:
        return fmt::format(r.version, QString());
    case kColCostoAnterior:
        return cost(r.costoAnterior);
    case kColCostoHoy:
        return cost(r.costoMezclaHoy);
    case kColCostoNuevo:
        return cost(r.costoNuevo);
    case kColCambio: {
        const std::optional<double> change = r.cambioPorcentual();
        if (!change)
            return {};
        const QString text = fmt::format(*change, QStringLiteral("#####0.00"));
        return *change > 0 && text != QStringLiteral("0.00") ? u'+' + text : text;
    }
    case kColResultado:
        return resultText(r);
    case kColEntran:
        return r.entran.join(QStringLiteral(", "));
    case kColSalen:
        return r.salen.join(QStringLiteral(", "));
    case kColVersionNueva:
        return r.versionNueva ? QString::number(*r.versionNueva) : QString();
    default:
        return {};
    }
}

QString worklistDetail(const WorklistRow& r) {
    QStringList lines;
    if (!r.mensaje.isEmpty())
        lines << r.mensaje;
    if (!r.entran.isEmpty())
        lines << QStringLiteral("Entran: ") + r.entran.join(QStringLiteral(", "));
    if (!r.salen.isEmpty())
        lines << QStringLiteral("Salen: ") + r.salen.join(QStringLiteral(", "));
    return lines.join(u'\n');
}

QString worklistTip(const WorklistRow& r, int column) {
    const auto list = [](const QString& caption, const QStringList& names) {
        return names.isEmpty() ? QString() : caption + QStringLiteral(":\n") + names.join(u'\n');
    };
    switch (column) {
    case kColResultado:
        return worklistDetail(r);
    case kColEntran:
        return list(QStringLiteral("Entran"), r.entran);
    case kColSalen:
        return list(QStringLiteral("Salen"), r.salen);
    case kColCambio: {
        // What the colour of the change means.
        const QString change = worklistCell(r, kColCambio);
        if (change.startsWith(u'+'))
            return QStringLiteral("En rojo: la fórmula cuesta más a los precios de hoy");
        if (change.startsWith(u'-'))
            return QStringLiteral("En verde: la fórmula cuesta menos a los precios de hoy");
        return {};
    }
    default:
        return {};
    }
}

QString saveQuestion(int selected, int unsaved) {
    QString text = selected == 1
                       ? QStringLiteral("¿Grabar 1 fórmula seleccionada como nueva versión?")
                       : QStringLiteral("¿Grabar %1 fórmulas seleccionadas como nuevas versiones?")
                             .arg(selected);
    text += QStringLiteral("\n\nSolo se graban las filas seleccionadas en la lista.");
    const int others = unsaved - selected;
    if (others == 1)
        text += QStringLiteral(" Otra fórmula reformulada queda sin grabar.");
    else if (others > 1)
        text += QStringLiteral(" Otras %1 fórmulas reformuladas quedan sin grabar.").arg(others);
    return text;
}

QString savedMessage(int saved) {
    return saved == 1 ? QStringLiteral("Se grabó 1 versión nueva.")
                      : QStringLiteral("Se grabaron %1 versiones nuevas.").arg(saved);
}

QString savedVersionsText(std::size_t saved) {
    return saved == 1 ? QStringLiteral("Grabada 1 versión nueva")
                      : QStringLiteral("Grabadas %1 versiones nuevas").arg(saved);
}

grid::GridContent worklistGrid(const std::vector<WorklistRow>& rows, const std::vector<int>& order,
                               int sortColumn, bool ascending) {
    grid::GridContent g;
    g.columns = worklistColumns();
    for (const grid::Column& c : g.columns) {
        g.fields.push_back(c.caption);
        g.header.push_back(grid::headerCell(c));
    }
    if (sortColumn >= 0 && sortColumn < kWorklistColumns)
        g.header[size_t(sortColumn)].text +=
            ascending ? QStringLiteral(" \u25B2") : QStringLiteral(" \u25BC");
    for (const int index : order) {
        const WorklistRow& r = rows.at(size_t(index));
        std::vector<grid::CellStyle> line;
        for (int c = 0; c < kWorklistColumns; ++c) {
            grid::CellStyle cell;
            cell.text = worklistCell(r, c);
            cell.alignment = g.columns[size_t(c)].alignment;
            line.push_back(cell);
        }
        // Dearer in red, cheaper in green, as far as the figure shown tells.
        if (line[kColCambio].text.startsWith(u'+'))
            line[kColCambio].foreground = grid::kRed;
        else if (line[kColCambio].text.startsWith(u'-'))
            line[kColCambio].foreground = grid::kGreen;
        if (!r.costoNuevo) {
            line[kColResultado].background = grid::kRed;
            line[kColResultado].foreground = grid::kWhite;
        }
        if (r.versionNueva)
            line[kColVersionNueva].bold = true;
        g.rows.push_back(std::move(line));
    }
    return g;
}

} // namespace book
