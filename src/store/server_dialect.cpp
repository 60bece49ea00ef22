#include "store/server_dialect.h"

#include "store/database.h"
#include "store/quoted_statement.h"
#include "store/schema.h"
#include "store/sql_text.h"

#include <QRegularExpression>
#include <cmath>

namespace store {

namespace {

// Accented letters and their base letters, both cases: the server folds them before comparing,
// as the SQLite side's like() does by decomposing and dropping the marks.
const QString kAccented = QStringLiteral("ÁÀÂÄÃÅáàâäãåÉÈÊËéèêëÍÌÎÏíìîïÓÒÔÖÕóòôöõÚÙÛÜúùûüÑñÇçÝýÿ");
const QString kPlain = QStringLiteral("AAAAAAaaaaaaEEEEeeeeIIIIiiiiOOOOOoooooUUUUuuuuNnCcYyy");

QString folded(const QString& expression) {
    return QStringLiteral("lower(translate(") + expression + QStringLiteral(",'") + kAccented +
           QStringLiteral("','") + kPlain + QStringLiteral("'))");
}

// Whether position pos of sql lies inside a quoted text.
bool insideText(const QString& sql, qsizetype pos) {
    bool in = false;
    for (qsizetype i = 0; i < pos; ++i)
        if (sql[i] == u'\'')
            in = !in;
    return in;
}

QString foldLikes(const QString& sql) {
    static const QRegularExpression like(
        QStringLiteral("([A-Za-z_][A-Za-z0-9_.]*)\\s+like\\s+('(?:[^']|'')*')"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype done = 0;
    for (auto it = like.globalMatch(sql); it.hasNext();) {
        const auto m = it.next();
        if (insideText(sql, m.capturedStart()))
            continue;
        out += sql.mid(done, m.capturedStart() - done);
        out += folded(m.captured(1)) + QStringLiteral(" like ") + folded(m.captured(2));
        done = m.capturedEnd();
    }
    return out + sql.mid(done);
}

QString tableInfo(const QString& sql) {
    static const QRegularExpression pragma(
        QStringLiteral("^\\s*PRAGMA\\s+table_info\\s*\\(\\s*(\\w+)\\s*\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = pragma.match(sql);
    if (!m.hasMatch())
        return {};
    return QStringLiteral("select column_name as name from information_schema.columns where "
                          "table_schema=current_schema() and table_name='") +
           m.captured(1).toLower() + QStringLiteral("' order by ordinal_position");
}

// SQLite sorts Null before every value in ascending order and after them in descending order;
// the server does the opposite unless told.
QString nullsAsInSqlite(const QString& sql) {
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\s"),
                                            QRegularExpression::CaseInsensitiveOption);
    qsizetype at = -1;
    for (auto it = orderBy.globalMatch(sql); it.hasNext();) {
        const auto m = it.next();
        if (!insideText(sql, m.capturedStart()))
            at = m.capturedEnd();
    }
    if (at < 0)
        return sql;
    static const QRegularExpression limit(QStringLiteral("\\s(limit|offset)\\s"),
                                          QRegularExpression::CaseInsensitiveOption);
    qsizetype end = sql.size();
    if (const auto m = limit.match(sql, at); m.hasMatch())
        end = m.capturedStart();
    QStringList items;
    int depth = 0;
    qsizetype start = at;
    bool in = false;
    for (qsizetype i = at; i <= end; ++i) {
        const QChar c = i < end ? sql[i] : QChar(u',');
        if (c == u'\'')
            in = !in;
        if (in)
            continue;
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (c == u',' && depth == 0) {
            const QString item = sql.mid(start, i - start).trimmed();
            if (item.contains(QStringLiteral("nulls"), Qt::CaseInsensitive))
                items << item;
            else if (item.endsWith(QStringLiteral(" desc"), Qt::CaseInsensitive))
                items << item + QStringLiteral(" NULLS LAST");
            else
                items << item + QStringLiteral(" NULLS FIRST");
            start = i + 1;
        }
    }
    return sql.left(at) + items.join(u',') + sql.mid(end);
}

} // namespace

QString translateForServer(const QString& sql) {
    if (const QString info = tableInfo(sql); !info.isEmpty())
        return info;
    QString out = sql;
    if (out.contains(QStringLiteral("like"), Qt::CaseInsensitive))
        out = foldLikes(out);
    if (out.contains(QStringLiteral("order"), Qt::CaseInsensitive))
        out = nullsAsInSqlite(out);
    return out;
}

QString serverSchemaStatement(QString statement) {
    static const QRegularExpression text(QStringLiteral("\\b(VARCHAR\\(\\d+\\))"));
    static const QRegularExpression real(QStringLiteral("\\bDOUBLE\\b"));
    statement.replace(text, QStringLiteral("\\1 COLLATE \"C\""));
    statement.replace(real, QStringLiteral("DOUBLE PRECISION"));
    // A column "usuario" holds, on a server, the user who wrote the row, with no statement
    // naming it; a file has no users and leaves it Null.
    static const QRegularExpression user(
        QStringLiteral("\\b(usuario VARCHAR\\(\\d+\\) COLLATE \"C\")"));
    statement.replace(user, QStringLiteral("\\1 DEFAULT current_user"));
    return statement;
}

QStringList serverSchemaStatements() {
    return serverStatements(schemaStatements());
}

QStringList serverStatements(const QStringList& statements) {
    QStringList out;
    for (const QString& statement : statements)
        out << serverSchemaStatement(statement);
    return out;
}

int parameterCount(const QString& sql) {
    int n = 0;
    bool in = false;
    for (const QChar c : sql) {
        if (c == u'\'')
            in = !in;
        else if (c == u'?' && !in)
            ++n;
    }
    return n;
}

namespace {

QString literal(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("NULL");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return QString::number(v.toLongLong());
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (!std::isfinite(d))
            throw StoreError(QStringLiteral("Número no válido en un parámetro"));
        // Written as SQLite writes a bound double into the trace: a whole number keeps ".0".
        const QString n = sql::number(d);
        return n.contains(u'.') || n.contains(u'e') ? n : n + QStringLiteral(".0");
    }
    default: {
        QString t = v.toString();
        t.replace(u'\'', QStringLiteral("''"));
        return u'\'' + t + u'\'';
    }
    }
}

} // namespace

QString withParameters(const QString& sql, const std::vector<QVariant>& values) {
    QString out;
    out.reserve(sql.size() + 16 * qsizetype(values.size()));
    size_t next = 0;
    bool in = false;
    for (const QChar c : sql) {
        if (c == u'\'')
            in = !in;
        if (c == u'?' && !in) {
            if (next >= values.size())
                throw StoreError(QStringLiteral("La sentencia espera otro número de valores ") +
                                 quotedStatement(sql));
            out += literal(values[next++]);
            continue;
        }
        out += c;
    }
    if (next != values.size())
        throw StoreError(QStringLiteral("La sentencia espera otro número de valores ") +
                         quotedStatement(sql));
    return out;
}

} // namespace store
