#include "import/access_file.h"
#include "import/remote_source.h"

#include "support/qt_printers.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

// The public Access test files lie beside the checkout, in ../shared/data/access.
QString sampleFile(const char* name) {
    return QDir::cleanPath(QStringLiteral(DOSIVANT_SHARED_DATA_DIR "/access/") + name);
}

#define REQUIRE_SAMPLE(path)                                                                       \
    if (!QFileInfo::exists(path))                                                                  \
    GTEST_SKIP() << "no sample file " << (path).toStdString()

// The rows of a table of the SQLite copy, each value as "type:text".
class Copy {
public:
    Copy(const QString& mdb, const QStringList& tables) : path_(dir_.filePath("copia.db")) {
        import::copyAccessTables(mdb, path_, tables);
        name_ = QUuid::createUuid().toString();
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(path_);
        EXPECT_TRUE(db.open());
    }
    ~Copy() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QStringList rows(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        QStringList out;
        while (q.next()) {
            QStringList values;
            for (int c = 0; c < q.record().count(); ++c) {
                const QVariant v = q.value(c);
                values << (v.isNull() ? QStringLiteral("Null")
                                      : QString::fromLatin1(v.typeName()) + ':' + v.toString());
            }
            out << values.join(u'|');
        }
        return out;
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QString name_;
};

} // namespace

TEST(AccessFile, ListsTablesAndCopiesNumbersDatesAndYesNoExactly) {
    const QString file = sampleFile("testV1997.mdb");
    REQUIRE_SAMPLE(file);
    EXPECT_TRUE(import::isAccessFile(file));
    EXPECT_EQ(import::accessTableNames(file),
              QStringList({"Table1", "Table2", "Table3", "Table4"}));
    Copy copy(file, {"table1", "TABLE2"}); // names match without regard to case
    EXPECT_EQ(copy.rows("select * from Table1"),
              QStringList({"QString:a|QString:b|qlonglong:0|qlonglong:0|qlonglong:0|double:0|"
                           "QString:1981-12-12|double:0|qlonglong:0",
                           "QString:abcdefg|QString:hijklmnop|qlonglong:2|qlonglong:222|"
                           "qlonglong:333333333|double:444.555|QString:1974-09-21|double:3.5|"
                           "qlonglong:1"}));
    EXPECT_EQ(copy.rows("select count(*) from Table2"), QStringList({"qlonglong:0"}));
    // The declared types carry over, so the program's queries read them as it expects.
    EXPECT_EQ(copy.rows("select type from pragma_table_info('Table1')"),
              QStringList({"QString:VARCHAR(50)", "QString:VARCHAR(100)", "QString:INTEGER",
                           "QString:INTEGER", "QString:INTEGER", "QString:DOUBLE", "QString:DATE",
                           "QString:DOUBLE", "QString:INTEGER"}));
}

TEST(AccessFile, UnicodeTextArrivesAsTheSameCharacters) {
    const QString file = sampleFile("testUnicodeCompV2003.mdb");
    REQUIRE_SAMPLE(file);
    Copy copy(file, {});
    const QStringList rows = copy.rows("select ID, Unicode from \"Table\" order by ID");
    ASSERT_GE(rows.size(), 4);
    EXPECT_EQ(rows[0], "qlonglong:1|QString:only ascii chars");
    EXPECT_EQ(rows[1], "qlonglong:2|QString:ääkkösiä");
    EXPECT_EQ(rows[2], "qlonglong:3|QString:Мир");
    // Greek with polytonic accents (oxia, not tonos), as the file holds them.
    EXPECT_EQ(rows[3],
              QString::fromUtf8("qlonglong:4|QString:\u03f0\u03b1\u1f76 \u03c4\u1f79\u03c4' "
                                "\u1f10\u03b3\u1f7c \u039a\u1f7b\u03f0\u03bb\u03c9\u03c0\u03b1"));
    EXPECT_EQ(copy.rows("select count(*) from \"Table\""), QStringList({"qlonglong:8"}));
}

TEST(AccessFile, NullsAndDatesWithTimeFromAJet4File) {
    const QString file = sampleFile("test2V2000.mdb");
    REQUIRE_SAMPLE(file);
    Copy copy(file, {"MSP_PROJECTS"});
    EXPECT_EQ(copy.rows("select PROJ_ID, PROJ_NAME, PROJ_PROP_CATEGORY, PROJ_INFO_CURRENT_DATE, "
                        "PROJ_OPT_DEF_STD_RATE, PROJ_OPT_CURRENCY_SYMBOL from MSP_PROJECTS"),
              QStringList({"qlonglong:1|QString:Project1|Null|QString:2006-02-03 08:00:00|"
                           "double:0|QString:£"}));
}

TEST(AccessFile, FilesWithoutTheCatalogueTablesOrNotAccessAreRefused) {
    const QString file = sampleFile("testV1997.mdb");
    REQUIRE_SAMPLE(file);
    QTemporaryDir dir;
    EXPECT_THROW(import::copyAccessTables(file, dir.filePath("x.db"), {"productos"}),
                 import::AccessError);
    EXPECT_EQ(import::RemoteSource::openFile(file), nullptr);
    EXPECT_FALSE(import::isAccessFile(QStringLiteral(__FILE__)));
    EXPECT_THROW(import::accessTableNames(QStringLiteral(__FILE__)), import::AccessError);
}
