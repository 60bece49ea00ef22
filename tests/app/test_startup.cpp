#include "app/database_path.h"
#include "app/globals.h"
#include "app/regional_check.h"
#include "app/startup.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RequiredSettings : public app::RegionalSettings {
public:
    std::optional<QString> read(app::LocaleItem item) override {
        if (item == app::LocaleItem::DecimalSeparator && decimalComma)
            return QStringLiteral(",");
        for (const auto& r : app::regionalRequirements())
            if (r.item == item)
                return r.required;
        return std::nullopt;
    }
    bool write(app::LocaleItem, const QString&) override { return true; }
    bool decimalComma = false;
};

// Start-up changes the default locale; the other tests of this program must not see it.
class Startup : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

} // namespace

TEST_F(Startup, OpensAnExistingDatabaseWithoutAnyMessageAndFormatsWithAPoint) {
    ScriptedMessages messages;
    TempDatabase file;
    RequiredSettings settings;
    const app::StartupResult r = app::runStartup(settings, file.path());
    EXPECT_TRUE(r.ok);
    ASSERT_NE(r.cnBase, nullptr);
    EXPECT_EQ(r.cnBase->path(), file.path());
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 1), "1234.5");
}

TEST_F(Startup, DecliningTheRegionalUpdateEndsAtThatStepWithoutAnErrorNumber) {
    ScriptedMessages messages;
    messages.planAnswer(msg::No);
    TempDatabase file;
    RequiredSettings settings;
    settings.decimalComma = true;
    const app::StartupResult r = app::runStartup(settings, file.path());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.step, "Configuración Regional");
    EXPECT_EQ(r.cnBase, nullptr);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].style, msg::Question);
    // The locale is left alone when start-up did not pass the check.
    EXPECT_EQ(QLocale().decimalPoint(), ",");
}

TEST_F(Startup, MissingDatabaseIsReportedUnderTheSecondConnectionStep) {
    ScriptedMessages messages;
    QTemporaryDir dir;
    const QString path = dir.filePath("mis datos/Dosivant.db");
    RequiredSettings settings;
    const app::StartupResult r = app::runStartup(settings, path);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.step, "Crea conexión 2");
    ASSERT_EQ(messages.shown().size(), 1u);
    const ScriptedMessages::Shown& m = messages.shown()[0];
    EXPECT_EQ(m.title, "Crea conexión 2");
    EXPECT_EQ(m.style, msg::Critical);
    EXPECT_TRUE(m.text.startsWith("Error nro.: 3024\n")) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains("dosivant create-database '" + path + "' --sample"))
        << m.text.toStdString();
    // The error view's detail shows the same error.
    EXPECT_EQ(app::globals().errorNumber, app::kErrDatabaseMissing);
    EXPECT_EQ(app::globals().errorDescription, app::missingDatabaseDescription(path));
}

TEST_F(Startup, UnusableDatabaseFilesAreReportedUnderTheSecondConnectionStep) {
    QTemporaryDir dir;
    RequiredSettings settings;
    {
        ScriptedMessages messages;
        const app::StartupResult r = app::runStartup(settings, dir.path());
        EXPECT_FALSE(r.ok);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].title, "Crea conexión 2");
        EXPECT_TRUE(messages.shown()[0].text.startsWith("Error nro.: 3051\n"));
    }
    {
        QFile junk(dir.filePath("junk.db"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        ScriptedMessages messages;
        const app::StartupResult r = app::runStartup(settings, junk.fileName());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.cnBase, nullptr);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].title, "Crea conexión 2");
        EXPECT_TRUE(messages.shown()[0].text.startsWith("Error nro.: 3049\n"))
            << messages.shown()[0].text.toStdString();
    }
}

TEST(DatabasePath, OptionThenEnvironmentThenPerUserDataFolder) {
    QTemporaryDir dir;
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDb = qgetenv(app::kDatabaseEnvironment);
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());

    qunsetenv(app::kDatabaseEnvironment);
    EXPECT_EQ(app::resolveDatabasePath(QString()), dir.path() + "/Dosivant/Dosivant.db");
    qputenv(app::kDatabaseEnvironment, QByteArray());
    EXPECT_EQ(app::resolveDatabasePath(QString()), dir.path() + "/Dosivant/Dosivant.db");
    qputenv(app::kDatabaseEnvironment, "/srv/otra.db");
    EXPECT_EQ(app::resolveDatabasePath(QString()), "/srv/otra.db");
    EXPECT_EQ(app::resolveDatabasePath("/home/u/prueba.db"), "/home/u/prueba.db");

    qputenv("XDG_DATA_HOME", savedData);
    if (savedDb.isNull())
        qunsetenv(app::kDatabaseEnvironment);
    else
        qputenv(app::kDatabaseEnvironment, savedDb);
}

TEST(DatabasePath, ShellQuotingKeepsOddPathsAsOneArgument) {
    EXPECT_EQ(app::shellQuoted("/home/u/.local/share/Dosivant/Dosivant.db"),
              "/home/u/.local/share/Dosivant/Dosivant.db");
    EXPECT_EQ(app::shellQuoted("/tmp/mis datos/x.db"), "'/tmp/mis datos/x.db'");
    EXPECT_EQ(app::shellQuoted("/tmp/l'a$b.db"), "'/tmp/l'\\''a$b.db'");
}
