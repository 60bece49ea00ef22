#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace app {

// The locale items the program depends on, numbered as the classic locale API numbers them.
enum class LocaleItem {
    DateSeparator = 29,
    ShortDate = 31,
    TimeSeparator = 30,
    DecimalSeparator = 14,
    ThousandSeparator = 15,
    MonetaryDecimalSeparator = 22,
    MonetaryThousandSeparator = 23,
};

// Reads and writes the user's regional settings. An interface so that tests can give settings
// that fail to be read or written.
class RegionalSettings {
public:
    virtual ~RegionalSettings() = default;
    // The item's value, or nothing when it cannot be read.
    virtual std::optional<QString> read(LocaleItem item) = 0;
    // False when the item cannot be written.
    virtual bool write(LocaleItem item, const QString& value) = 0;
};

// The user's regional settings kept in an INI file. An item never written has the value the
// seed locale gives it (the system locale in the program), so the first check reports what the
// desktop really uses.
class IniRegionalSettings : public RegionalSettings {
public:
    explicit IniRegionalSettings(QString filePath = defaultFilePath(),
                                 QLocale seed = QLocale::system());

    // <per-user config folder>/Dosivant/regional.ini
    static QString defaultFilePath();
    // What the locale says for the item.
    static QString seedValue(const QLocale& locale, LocaleItem item);

    std::optional<QString> read(LocaleItem item) override;
    bool write(LocaleItem item, const QString& value) override;

    QString filePath() const { return filePath_; }

private:
    QString filePath_;
    QLocale seed_;
};

} // namespace app
