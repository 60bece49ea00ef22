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

using Writes = std::vector<std::pair<LocaleItem, QString>>;

// Settings held in memory, all as required until a test changes one, that can be told to fail
// reading or writing one item.
struct FakeSettings : app::RegionalSettings {
    FakeSettings() {
        for (const auto& r : app::regionalRequirements())
            values[r.item] = r.required;
    }
    std::optional<QString> read(LocaleItem item) override {
        ++reads;
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
    int reads = 0;
    Writes writes;
};

const Writes kAllSevenWritten = {{LocaleItem::DateSeparator, "/"},
                                 {LocaleItem::ShortDate, "dd/MM/yyyy"},
                                 {LocaleItem::TimeSeparator, ":"},
                                 {LocaleItem::DecimalSeparator, "."},
                                 {LocaleItem::ThousandSeparator, ","},
                                 {LocaleItem::MonetaryDecimalSeparator, "."},
                                 {LocaleItem::MonetaryThousandSeparator, ","}};

} // namespace

TEST(RegionalCheck, AsRequiredAskNothingOneWrongIsListedAloneAndYesWritesAllSeven) {
    {
        ScriptedMessages messages;
        FakeSettings settings;
        EXPECT_TRUE(app::checkRegionalSettings(settings));
        EXPECT_TRUE(messages.shown().empty());
        EXPECT_TRUE(settings.writes.empty());
        EXPECT_EQ(settings.reads, 7);
    }
    ScriptedMessages messages;
    messages.planAnswer(msg::Yes);
    FakeSettings settings;
    settings.values[LocaleItem::DecimalSeparator] = ",";
    EXPECT_TRUE(app::checkRegionalSettings(settings));
    ASSERT_EQ(
        messages.texts(),
        QStringList{"El separador decimal debe ser: .\n\n\n¿Desea cambiar la configuración "
                    "regional del programa (separadores y formato de fecha) a estos valores?"});
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
    EXPECT_EQ(messages.texts(),
              QStringList{"El formato de fecha debe ser: dd/MM/yyyy\n\n"
                          "El separador de miles monetario debe ser: ,\n\n"
                          "\n¿Desea cambiar la configuración regional del programa (separadores y "
                          "formato de fecha) a estos valores?"});
    EXPECT_TRUE(settings.writes.empty());
}

TEST(RegionalCheck, FailedReadOrWriteStopsAtThatItemWithItsText) {
    {
        ScriptedMessages messages;
        FakeSettings settings;
        settings.values[LocaleItem::DateSeparator] = "-"; // a mismatch before the failure
        settings.failRead = LocaleItem::TimeSeparator;
        EXPECT_FALSE(app::checkRegionalSettings(settings));
        ASSERT_EQ(messages.texts(),
                  QStringList{"No se pudo obtener la información del separador de hora"});
        EXPECT_EQ(messages.shown()[0].style, msg::Plain);
        EXPECT_EQ(messages.shown()[0].title, msg::kDefaultTitle);
        EXPECT_EQ(settings.reads, 3);
        EXPECT_TRUE(settings.writes.empty());
    }
    ScriptedMessages messages;
    messages.planAnswer(msg::Yes);
    FakeSettings settings;
    settings.values[LocaleItem::ThousandSeparator] = ".";
    settings.failWrite = LocaleItem::ThousandSeparator;
    EXPECT_FALSE(app::checkRegionalSettings(settings));
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].text, "No se pudo modificar el separador de miles");
    EXPECT_EQ(messages.shown()[1].style, msg::Plain);
    EXPECT_EQ(settings.writes, Writes(kAllSevenWritten.begin(), kAllSevenWritten.begin() + 4));
}

TEST(IniRegionalSettings, UnwrittenItemsComeFromTheSeedWrittenOnesSurviveFailuresAreSeen) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/regional.ini");
    const QLocale german(QLocale::German, QLocale::Germany);
    app::IniRegionalSettings fresh(path, german);
    EXPECT_EQ(fresh.read(LocaleItem::DecimalSeparator), ",");
    EXPECT_EQ(fresh.read(LocaleItem::MonetaryThousandSeparator), ".");
    EXPECT_EQ(fresh.read(LocaleItem::DateSeparator), ".");
    EXPECT_EQ(fresh.read(LocaleItem::TimeSeparator), ":");
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(app::IniRegionalSettings(dir.filePath("b.ini"), us).read(LocaleItem::ShortDate),
              us.dateFormat(QLocale::ShortFormat));

    for (const auto& r : app::regionalRequirements())
        ASSERT_TRUE(fresh.write(r.item, r.required));
    app::IniRegionalSettings reread(path, german);
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
