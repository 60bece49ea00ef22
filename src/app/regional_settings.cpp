#include "app/regional_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace app {

namespace {

QString keyOf(LocaleItem item) {
    switch (item) {
    case LocaleItem::DateSeparator:
        return QStringLiteral("Regional/sDate");
    case LocaleItem::ShortDate:
        return QStringLiteral("Regional/sShortDate");
    case LocaleItem::TimeSeparator:
        return QStringLiteral("Regional/sTime");
    case LocaleItem::DecimalSeparator:
        return QStringLiteral("Regional/sDecimal");
    case LocaleItem::ThousandSeparator:
        return QStringLiteral("Regional/sThousand");
    case LocaleItem::MonetaryDecimalSeparator:
        return QStringLiteral("Regional/sMonDecimalSep");
    case LocaleItem::MonetaryThousandSeparator:
        return QStringLiteral("Regional/sMonThousandSep");
    }
    return {};
}

// The first character between two fields of a date or time format ("dd/MM/yyyy" gives "/",
// "HH:mm" gives ":"); quoted literals are skipped over.
QString separatorIn(const QString& format) {
    bool seenField = false;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c.isLetter())
            seenField = true;
        else if (seenField)
            return QString(c);
    }
    return {};
}

} // namespace

IniRegionalSettings::IniRegionalSettings(QString filePath, QLocale seed)
    : filePath_(std::move(filePath)), seed_(std::move(seed)) {}

QString IniRegionalSettings::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Dosivant/regional.ini");
}

QString IniRegionalSettings::seedValue(const QLocale& locale, LocaleItem item) {
    switch (item) {
    case LocaleItem::DateSeparator:
        return separatorIn(locale.dateFormat(QLocale::ShortFormat));
    case LocaleItem::ShortDate:
        return locale.dateFormat(QLocale::ShortFormat);
    case LocaleItem::TimeSeparator:
        return separatorIn(locale.timeFormat(QLocale::ShortFormat));
    case LocaleItem::DecimalSeparator:
    case LocaleItem::MonetaryDecimalSeparator:
        // The locale data carries no separate monetary separators; money uses the number ones.
        return locale.decimalPoint();
    case LocaleItem::ThousandSeparator:
    case LocaleItem::MonetaryThousandSeparator:
        return locale.groupSeparator();
    }
    return {};
}

std::optional<QString> IniRegionalSettings::read(LocaleItem item) {
    const QFileInfo file(filePath_);
    if (file.exists() && (!file.isFile() || !file.isReadable()))
        return std::nullopt;
    QSettings settings(filePath_, QSettings::IniFormat);
    const QVariant stored = settings.value(keyOf(item));
    if (settings.status() != QSettings::NoError)
        return std::nullopt;
    if (!stored.isValid())
        return seedValue(seed_, item);
    return stored.toString();
}

bool IniRegionalSettings::write(LocaleItem item, const QString& value) {
    const QFileInfo file(filePath_);
    if (!QDir().mkpath(file.absolutePath()))
        return false;
    if (file.exists() && (!file.isFile() || !file.isWritable()))
        return false;
    QSettings settings(filePath_, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return false;
    settings.setValue(keyOf(item), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace app
