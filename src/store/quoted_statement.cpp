#include "store/quoted_statement.h"

namespace store {

QString quotedStatement(const QString& sql) {
    if (sql.size() <= kQuotedStatementLength)
        return u'[' + sql + u']';
    qsizetype cut = kQuotedStatementLength;
    if (sql.at(cut - 1).isHighSurrogate())
        --cut; // a character is never split in two
    return u'[' + sql.left(cut) + QStringLiteral("…]");
}

} // namespace store
