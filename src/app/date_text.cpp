#include "app/date_text.h"

#include "app/messages.h"

#include <QDateTime>
#include <QRegularExpression>

namespace datetext {

QDate parseDate(const QString& text) {
    static const QRegularExpression shape(QStringLiteral(
        R"(^\s*([0-9]{1,2})\s*([/.\-])\s*([0-9]{1,2})\s*\2\s*([0-9]{4}|[0-9]{2})\s*$)"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return QDate();
    const int day = m.captured(1).toInt();
    const int month = m.captured(3).toInt();
    const QString yearText = m.captured(4);
    int year = yearText.toInt();
    if (yearText.size() == 2)
        year += year < 30 ? 2000 : 1900;
    else if (year < 1000)
        return QDate();
    return QDate(year, month, day); // invalid when the day does not exist in that month
}

QString formatDate(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString formatDate(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return formatDate(value.toDate());
    case QMetaType::QDateTime:
        return formatDate(value.toDateTime().date());
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        if (!date.isValid())
            date = parseDate(text);
        return formatDate(date);
    }
    default:
        return QString();
    }
}

FieldDecision checkDateField(const QString& text) {
    if (text.trimmed().isEmpty())
        return {true, text, QString()};
    const QDate date = parseDate(text);
    if (!date.isValid())
        return {false, text, kInvalidDateMessage};
    return {true, formatDate(date), QString()};
}

bool leaveDateField(QString& text) {
    const FieldDecision decision = checkDateField(text);
    if (!decision.accepted) {
        msg::msgBox(decision.message, msg::Critical);
        return false;
    }
    text = decision.text;
    return true;
}

} // namespace datetext
