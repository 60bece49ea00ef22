#include "cli/output.h"

#include "app/format.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace cli {

QJsonValue jsonNumber(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue jsonNumber(const std::optional<double>& value) {
    return value ? jsonNumber(*value) : QJsonValue(QJsonValue::Null);
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

} // namespace cli
