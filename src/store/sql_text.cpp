#include "store/sql_text.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

namespace sql {

QString text(const QString& value) {
    QString v = value.trimmed();
    v.replace('\'', QStringLiteral("''"));
    return '\'' + v + '\'';
}

QString containsPattern(const QString& value) {
    QString v = value.trimmed();
    const bool needsEscape = v.contains('%') || v.contains('_') || v.contains('\\');
    if (needsEscape) {
        v.replace('\\', QStringLiteral("\\\\"));
        v.replace('%', QStringLiteral("\\%"));
        v.replace('_', QStringLiteral("\\_"));
    }
    v.replace('\'', QStringLiteral("''"));
    return QStringLiteral("'%") + v + QStringLiteral("%'") +
           (needsEscape ? QStringLiteral(" escape '\\'") : QString());
}

QString integerList(const std::vector<int>& values) {
    std::vector<int> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.empty())
        return QStringLiteral("(Null)");
    QStringList texts;
    for (const int v : sorted)
        texts << QString::number(v);
    return u'(' + texts.join(u',') + u')';
}

QString number(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("Null"); // never reached by validated input; keeps the SQL valid
    if (value == 0)
        return QStringLiteral("0");
    // QString::number with QLocale::FloatingPointShortest writes the shortest text that reads
    // back as the same double, always with "." and no group separators.
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString numberOrNull(const QVariant& value) {
    return value.isValid() && !value.isNull() ? number(value.toDouble()) : QStringLiteral("Null");
}

QString date(const QDate& value) {
    return '#' + value.toString(QStringLiteral("MM/dd/yyyy")) + '#';
}

QString dateTime(const QDateTime& value) {
    return '\'' + value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + '\'';
}

QString paddedCode(const QString& code) {
    return code.trimmed().rightJustified(20, ' ', true);
}

QString codeText(const QString& code) {
    return '\'' + paddedCode(code).replace('\'', QStringLiteral("''")) + '\'';
}

} // namespace sql
