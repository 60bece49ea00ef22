#include "catalog/list_preview.h"

namespace catalog {

QString countOf(int n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

QString conflictLinesSummary(int conflictLines) {
    return conflictLines == 0
               ? QStringLiteral("ninguna línea con conflictos")
               : countOf(conflictLines, QStringLiteral("línea con conflictos no se aplica"),
                         QStringLiteral("líneas con conflictos no se aplican"));
}

QString conflictLinesNote(int conflictLines) {
    if (conflictLines == 1)
        return QStringLiteral("\n\nLa línea con conflictos no se aplica.");
    if (conflictLines > 1)
        return QStringLiteral("\n\nLas %1 líneas con conflictos no se aplican.").arg(conflictLines);
    return {};
}

QVariant numberCell(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}

void dimUnchanged(grid::GridContent& content, const std::vector<bool>& changes) {
    for (int r = 0; r < content.rowCount(); ++r) {
        if (changes[size_t(r)])
            continue;
        for (int c = 0; c < content.columnCount(); ++c)
            content.cell(r, c).background = grid::kDimmed;
    }
}

} // namespace catalog
