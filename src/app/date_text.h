#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// Dates as users type and read them: day first, "dd/mm/yyyy". (The "#mm/dd/yyyy#" text of
// SQL statements is the store's business.)
namespace datetext {

inline const QString kInvalidDateMessage = QStringLiteral("La fecha no es Válida");

// A typed date: day, month and year separated by "/" (or "-" or "."), blanks around allowed,
// the year with four digits (1000 to 9999) or two (00-29 -> 2000-2029, 30-99 -> 1930-1999).
// The day is always first: "12/31/2009" is not a date. An invalid calendar date such as
// 31/02/2009 gives an invalid QDate.
QDate parseDate(const QString& text);

// "dd/mm/yyyy"; an invalid date gives "".
QString formatDate(const QDate& date);

// A stored date (QDate, QDateTime, or an ISO text such as "2009-02-01" or
// "2009-02-01 00:00:00") as "dd/mm/yyyy"; Null or anything else gives "".
QString formatDate(const QVariant& value);

// What leaving a date field decides. Empty (after trimming) passes untouched; a valid date
// passes and the field shows `text`; otherwise the view shows `message` with style 16 and keeps
// the focus in the field.
struct FieldDecision {
    bool accepted = true;
    QString text;
    QString message;
};
FieldDecision checkDateField(const QString& text);

// Applies the decision to `text`: rewrites it when valid, shows the message (style 16) when
// invalid. Returns whether the focus may leave the field.
bool leaveDateField(QString& text);

} // namespace datetext
