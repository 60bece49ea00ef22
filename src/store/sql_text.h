#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <vector>

// The only places where values become SQL literals.
namespace sql {

// 'text', trimmed, apostrophes doubled.
QString text(const QString& value);
// A "contains" pattern for LIKE: '%text%', the text trimmed and its apostrophes doubled. A "%",
// "_" or "\" typed by the user matches only itself: when the text holds one, it is escaped and
// " escape '\'" follows the literal.
QString containsPattern(const QString& value);
// "." decimal, no thousands separator, the shortest text that reads back as the same double.
QString number(double value);
// "(3,7,12)": keys for an in(...) condition, each once, ascending; "(Null)" for none, which
// matches no row.
QString integerList(const std::vector<int>& values);
// A nullable number field: Null for a Null (invalid) value, otherwise number().
QString numberOrNull(const QVariant& value);
// #mm/dd/yyyy#, the program's date literal (translated for the engine by the dialect layer).
QString date(const QDate& value);
// 'yyyy-MM-dd HH:mm:ss.zzz': a moment, to the millisecond, as both engines read a timestamp (the
// day-only literal above would drop the time).
QString dateTime(const QDateTime& value);
// Ingredient codes are stored right-aligned in 20 characters.
QString paddedCode(const QString& code);
// The padded code as a quoted literal (text() would trim the padding away).
QString codeText(const QString& code);

} // namespace sql
