#include "import/file_dsn.h"
#include "import/import_settings.h"
#include "import/remote_source.h"
#include "support/qt_printers.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(FileDsn, WrittenFromScratchHasTheThirteenLinesWithCrLf) {
    QTemporaryDir dir;
    const QString dsn = dir.filePath("sub/dosivant2.dsn"); // the folder is made when missing
    ASSERT_TRUE(import::writeDsn(dsn, "/datos", "/datos/central.mdb"));
    EXPECT_EQ(contents(dsn), "[ODBC]\r\nDRIVER=Microsoft Access Driver (*.mdb)\r\nUID=admin\r\n"
                             "UserCommitSync=Yes\r\nThreads=3\r\nSafeTransactions=0\r\n"
                             "PageTimeout=5\r\nMaxScanRows=8\r\nMaxBufferSize=2048\r\n"
                             "FIL=MS Access\r\nDriverId=25\r\nDefaultDir=/datos\r\n"
                             "DBQ=/datos/central.mdb\r\n");
    const auto values = import::readDsn(dsn);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->defaultDir, "/datos");
    EXPECT_EQ(values->dbq, "/datos/central.mdb");
    EXPECT_EQ(import::folderOf("/datos/central.mdb"), "/datos");
    EXPECT_TRUE(import::defaultDsnPath().endsWith("/Dosivant/dosivant2.dsn"));
}

TEST(FileDsn, RewritingKeepsTheFirstElevenLinesAndStaysThirteenLines) {
    QTemporaryDir dir;
    const QString dsn = dir.filePath("dosivant2.dsn");
    // An administrator's driver settings, with bare LF line ends and an extra 14th line.
    writeRaw(dsn, "[ODBC]\nDRIVER=Otro\nUID=jefe\n4\n5\n6\n7\n8\n9\n10\n11\nDefaultDir=/a\n"
                  "DBQ=/a/b.mdb\nExtra=1\n");
    ASSERT_TRUE(import::writeDsn(dsn, "/c", "/c/d.db"));
    ASSERT_TRUE(import::writeDsn(dsn, "/e", "/e/f.db"));
    EXPECT_EQ(contents(dsn), "[ODBC]\r\nDRIVER=Otro\r\nUID=jefe\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"
                             "10\r\n11\r\nDefaultDir=/e\r\nDBQ=/e/f.db\r\n");
}

TEST(FileDsn, ShortMissingOrOddFilesAreNoSource) {
    QTemporaryDir dir;
    const QString dsn = dir.filePath("dosivant2.dsn");
    EXPECT_FALSE(import::readDsn(dsn)); // missing
    writeRaw(dsn, "[ODBC]\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\nDefaultDir=/x\r\n");
    EXPECT_FALSE(import::readDsn(dsn)); // 12 lines: no DBQ line to read by number
    writeRaw(dsn, QByteArray());
    EXPECT_FALSE(import::readDsn(dsn));
    // Values are taken by position: a 13-line file with other keys still gives its tails.
    writeRaw(dsn,
             "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\nXXXXXXXXXXX/dir\r\nYYYY/"
             "file.db");
    const auto odd = import::readDsn(dsn);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->defaultDir, "/dir");
    EXPECT_EQ(odd->dbq, "/file.db");
    // A short file is replaced by a whole one with the default driver lines.
    writeRaw(dsn, "[ODBC]\r\nDRIVER=x\r\n");
    ASSERT_TRUE(import::writeDsn(dsn, "/g", "/g/h.db"));
    EXPECT_TRUE(contents(dsn).startsWith("[ODBC]\r\nDRIVER=Microsoft Access Driver (*.mdb)\r\n"));
    EXPECT_TRUE(import::readDsn(dsn));
    // A folder in the way of the file: writing fails instead of pretending.
    EXPECT_FALSE(import::writeDsn(dir.path(), "/g", "/g/h.db"));
}

TEST(FileDsn, LongPathsAreWrittenWholeAndShownCutToOneHundredCharacters) {
    QTemporaryDir dir;
    const QString dsn = dir.filePath("dosivant2.dsn");
    const QString folder = "/" + QString(120, u'ñ');
    const QString file = folder + "/central.mdb";
    ASSERT_TRUE(import::writeDsn(dsn, folder, file));
    const auto values = import::readDsn(dsn);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->dbq, file);
    EXPECT_EQ(import::displayValue(values->dbq), file.left(100));
    EXPECT_EQ(import::displayValue(values->defaultDir).size(), 100);
}

TEST(ImportSettings, PasswordDefaultsAndCanBeChangedInTheSettingsFile) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("dosivant.ini");
    EXPECT_EQ(import::remotePassword(ini), "murta362");
    writeRaw(ini, "[Importacion]\nPassword=otra\n");
    EXPECT_EQ(import::remotePassword(ini), "otra");
    const QString text = import::remoteConnectionText("/conf/dosivant2.dsn", "murta362");
    EXPECT_EQ(text, "Provider=MSDASQL;FILEDSN=/conf/dosivant2.dsn;Password='murta362'");
    EXPECT_EQ(import::dsnFileOf(text), "/conf/dosivant2.dsn");
}
