#include "app/regional_check.h"
#include "app/regional_settings.h"
#include "support/scripted_messages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <utility>
#include <vector>

using app::LocaleItem;

namespace {

// Settings held in memory that can be told to fail reading or writing one item.
class FakeSettings : public app::RegionalSettings {
public:
    FakeSettings() {
        for (const auto& r : app::regionalRequirements())
            values[r.item] = r.required;
    }
    std::optional<QString> read(LocaleItem item) override {
        reads.push_back(item);
        if (failRead == item)
            return std::nullopt;
        return values.at(item);
    }
    bool write(LocaleItem item, const QString& value) override {
        if (failWrite == item)
            return false;
        writes.emplace_back(item, value);
        values[item] = value;
        return true;
    }

    std::map<LocaleItem, QString> values;
    std::optional<LocaleItem> failRead;
    std::optional<LocaleItem> failWrite;
    std::vector<LocaleItem> reads;
    std::vector<std::pair<LocaleItem, QString>> writes;
};

const std::vector<std::pair<LocaleItem, QString>> kAllSevenWritten = {
    {LocaleItem::DateSeparator, "/"},
    {LocaleItem::ShortDate, "dd/MM/yyyy"},
    {LocaleItem::TimeSeparator, ":"},
    {LocaleItem::DecimalSeparator, "."},
    {LocaleItem::ThousandSeparator, ","},
    {LocaleItem::MonetaryDecimalSeparator, "."},
    {LocaleItem::MonetaryThousandSeparator, ","},
};

} // namespace

TEST(RegionalCheck, SettingsAlreadyAsRequiredAskNothingAndWriteNothing) {
    ScriptedMessages messages;
    FakeSettings settings;
    EXPECT_TRUE(app::checkRegionalSettings(settings));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(settings.writes.empty());
    EXPECT_EQ(settings.reads.size(), 7u);
}

TEST(RegionalCheck, OnlyTheWrongItemIsListedButYesWritesAllSeven) {
    ScriptedMessages messages;
    messages.planAnswer(msg::Yes);
    FakeSettings settings;
    settings.values[LocaleItem::DecimalSeparator] = ",";

    EXPECT_TRUE(app::checkRegionalSettings(settings));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "El separador decimal debe ser: .\n\n\nDesea actualizar la configuración?");
    EXPECT_EQ(messages.shown()[0].style, msg::Question);
    EXPECT_EQ(messages.shown()[0].title, "Configuración Regional");
    EXPECT_EQ(settings.writes, kAllSevenWritten);
}

TEST(RegionalCheck, SeveralWrongItemsAreListedInTheirOrderAndNoWritesNothing) {
    ScriptedMessages messages;
    messages.planAnswer(msg::No);
    FakeSettings settings;
    settings.values[LocaleItem::MonetaryThousandSeparator] = ".";
    settings.values[LocaleItem::ShortDate] = "M/d/yy";

    EXPECT_FALSE(app::checkRegionalSettings(settings));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "El formato de fecha debe ser: dd/MM/yyyy\n\n"
                                        "El separador de miles monetario debe ser: ,\n\n"
                                        "\nDesea actualizar la configuración?");
    EXPECT_TRUE(settings.writes.empty());
    EXPECT_EQ(settings.values[LocaleItem::ShortDate], "M/d/yy");
}

TEST(RegionalCheck, FailedReadStopsAtThatItemWithItsText) {
    ScriptedMessages messages;
    FakeSettings settings;
    settings.values[LocaleItem::DateSeparator] = "-"; // a mismatch before the failure
    settings.failRead = LocaleItem::TimeSeparator;

    EXPECT_FALSE(app::checkRegionalSettings(settings));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "No se pudo obtener la información del separador de hora");
    EXPECT_EQ(messages.shown()[0].style, msg::Plain);
    EXPECT_EQ(messages.shown()[0].title, msg::kDefaultTitle);
    EXPECT_EQ(settings.reads.size(), 3u);
    EXPECT_TRUE(settings.writes.empty());
}

TEST(RegionalCheck, FailedWriteStopsAtThatItemWithItsText) {
    ScriptedMessages messages;
    messages.planAnswer(msg::Yes);
    FakeSettings settings;
    settings.values[LocaleItem::ThousandSeparator] = ".";
    settings.failWrite = LocaleItem::ThousandSeparator;

    EXPECT_FALSE(app::checkRegionalSettings(settings));
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].text, "No se pudo modificar el separador de miles");
    EXPECT_EQ(messages.shown()[1].style, msg::Plain);
    const std::vector<std::pair<LocaleItem, QString>> firstFour(kAllSevenWritten.begin(),
                                                                kAllSevenWritten.begin() + 4);
    EXPECT_EQ(settings.writes, firstFour);
}

TEST(IniRegionalSettings, UnwrittenItemsComeFromTheSeedLocale) {
    QTemporaryDir dir;
    app::IniRegionalSettings german(dir.filePath("a.ini"),
                                    QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(german.read(LocaleItem::DecimalSeparator), ",");
    EXPECT_EQ(german.read(LocaleItem::ThousandSeparator), ".");
    EXPECT_EQ(german.read(LocaleItem::MonetaryDecimalSeparator), ",");
    EXPECT_EQ(german.read(LocaleItem::DateSeparator), ".");
    EXPECT_EQ(german.read(LocaleItem::TimeSeparator), ":");

    app::IniRegionalSettings american(dir.filePath("b.ini"),
                                      QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(american.read(LocaleItem::DateSeparator), "/");
    EXPECT_EQ(american.read(LocaleItem::ShortDate),
              QLocale(QLocale::English, QLocale::UnitedStates).dateFormat(QLocale::ShortFormat));
    EXPECT_EQ(american.read(LocaleItem::DecimalSeparator), ".");
}

TEST(IniRegionalSettings, WrittenValuesSurviveAndFailuresAreReported) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/regional.ini");
    {
        app::IniRegionalSettings settings(path, QLocale(QLocale::German, QLocale::Germany));
        for (const auto& r : app::regionalRequirements())
            ASSERT_TRUE(settings.write(r.item, r.required));
    }
    app::IniRegionalSettings reread(path, QLocale(QLocale::German, QLocale::Germany));
    for (const auto& r : app::regionalRequirements())
        EXPECT_EQ(reread.read(r.item), r.required);

    // A regular file where the settings folder should be: nothing can be written there.
    QFile blocker(dir.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    app::IniRegionalSettings blocked(dir.filePath("blocked/regional.ini"));
    EXPECT_FALSE(blocked.write(LocaleItem::DecimalSeparator, "."));

    // A folder where the settings file should be: it cannot be read.
    app::IniRegionalSettings folder(dir.filePath("sub"));
    EXPECT_FALSE(folder.read(LocaleItem::DecimalSeparator).has_value());
}
