#include "cli/output.h"

#include "app/format.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace cli {

QJsonValue jsonNumber(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue jsonNumber(const std::optional<double>& value) {
    return value ? jsonNumber(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject jsonSearch(long nodos, double brecha, bool probado) {
    QJsonObject search;
    search.insert("nodos", jsonNumber(double(nodos)));
    search.insert("brecha", jsonNumber(brecha));
    search.insert("probado", probado);
    return search;
}

QString jsonLine(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
}

QString jsonDocument(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString tableNumber(double value, const QString& pattern) {
    return fmt::format(value, pattern);
}

QString tableNumber(const std::optional<double>& value, const QString& pattern,
                    const QString& none) {
    return value ? tableNumber(*value, pattern) : none;
}

QString gridText(const grid::GridContent& content, const std::vector<bool>& shown) {
    std::vector<qsizetype> widths(size_t(content.columnCount()));
    for (int c = 0; c < content.columnCount(); ++c) {
        widths[size_t(c)] = content.header[size_t(c)].text.size();
        for (int r = 0; r < content.rowCount(); ++r)
            if (shown[size_t(r)])
                widths[size_t(c)] = std::max(widths[size_t(c)], content.cell(r, c).text.size());
    }
    const auto line = [&](const std::vector<grid::CellStyle>& cells) {
        QStringList parts;
        for (size_t c = 0; c < cells.size(); ++c) {
            const int width = int(widths[c]);
            parts << (cells[c].alignment & Qt::AlignRight ? cells[c].text.rightJustified(width)
                                                          : cells[c].text.leftJustified(width));
        }
        QString text = parts.join(QStringLiteral("  "));
        while (text.endsWith(u' '))
            text.chop(1);
        return text + u'\n';
    };
    QString out = line(content.header);
    for (int r = 0; r < content.rowCount(); ++r)
        if (shown[size_t(r)])
            out += line(content.rows[size_t(r)]);
    return out;
}

} // namespace cli
