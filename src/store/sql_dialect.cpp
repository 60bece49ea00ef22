#include "store/sql_dialect.h"

#include <QDate>

namespace store {

namespace {

// "#02/01/2009#" starting at text[pos]; returns the ISO literal and the length consumed.
bool dateLiteralAt(const QString& text, qsizetype pos, QString* iso, qsizetype* length) {
    const qsizetype end = text.indexOf('#', pos + 1);
    if (end < 0 || end - pos > 12)
        return false;
    const QString inner = text.mid(pos + 1, end - pos - 1).trimmed();
    const QStringList parts = inner.split('/');
    if (parts.size() != 3)
        return false;
    bool okM = false, okD = false, okY = false;
    const int m = parts[0].toInt(&okM), d = parts[1].toInt(&okD), y = parts[2].toInt(&okY);
    const QDate date(y, m, d);
    if (!okM || !okD || !okY || !date.isValid())
        return false;
    *iso = '\'' + date.toString(QStringLiteral("yyyy-MM-dd")) + '\'';
    *length = end - pos + 1;
    return true;
}

} // namespace

QString translateSql(const QString& sql) {
    QString out;
    out.reserve(sql.size());
    bool inText = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == '\'') {
            inText = !inText; // a doubled '' closes and reopens: the text stays intact
            out += c;
            continue;
        }
        if (!inText && c == '#') {
            QString iso;
            qsizetype length = 0;
            if (dateLiteralAt(sql, i, &iso, &length)) {
                out += iso;
                i += length - 1;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace store
