#include "store/database.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using store::Database;
using store::StoreError;

namespace {

QStringList indexes(Database& db) {
    QStringList names;
    store::RecordSet rs =
        db.query("select name from sqlite_master where type='index' and name not like 'sqlite_%'");
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names << rs.toString("name");
    names.sort();
    return names;
}

const QStringList kSchemaIndexes = {"formula_grupo_grupo",
                                    "formula_producto_producto",
                                    "formula_propiedad_probabilidad_propiedad",
                                    "formula_propiedad_propiedad",
                                    "formula_relacion_divisor",
                                    "formula_relacion_propiedad",
                                    "formula_uso_minimo_producto",
                                    "formulas_codigo",
                                    "formulas_codigo_version",
                                    "grupo_producto_producto",
                                    "grupos_nombre",
                                    "plan_formula_formula",
                                    "plan_producto_producto",
                                    "planes_nombre",
                                    "producto_analisis_producto",
                                    "producto_analisis_propiedad",
                                    "producto_propiedad_desvio_propiedad",
                                    "producto_propiedad_fuente_propiedad",
                                    "producto_propiedad_historial_producto",
                                    "producto_propiedad_historial_propiedad",
                                    "producto_propiedad_propiedad",
                                    "productos_codigo",
                                    "productos_nombre",
                                    "propiedades_nombre"};

// A new file changed by `sql` before the test opens it again.
QString fileWith(QTemporaryDir& dir, const QStringList& sql) {
    const QString path = dir.filePath("altered.db");
    Database::createFile(path, true);
    auto db = Database::openFile(path);
    for (const QString& s : sql)
        db->exec(s);
    return path;
}

QString openingError(const QString& path) {
    try {
        Database::openFile(path);
    } catch (const StoreError& e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(DatabaseOpening, TwoColumnsOfOneNameAreAStoreErrorNamingTheStatement) {
    TempDatabase t(true);
    const QString sql = "select pp.*, p.id_producto from producto_propiedad pp, productos p where "
                        "pp.id_producto=p.id_producto";
    try {
        t.db().query(sql);
        FAIL() << "a result with two id_producto columns was read";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains(sql)) << e.what();
    }
    // The connection is still whole: nothing was left open by the failed query.
    EXPECT_EQ(t.db().query("select count(*) from productos").value(0).toInt(), 21);
}

TEST(DatabaseOpening, CreatesTheIndexesAFileLacksInOneGo) {
    QTemporaryDir dir;
    QStringList drops;
    for (const QString& name : kSchemaIndexes)
        drops << "drop index " + name;
    // Duplicate codes keep the unique index from being made; the others still are.
    drops << "insert into productos (id_producto,codigo,nombre) select 900,codigo,'copia' from "
             "productos where id_producto=1";
    const QString path = fileWith(dir, drops);
    auto db = Database::openFile(path);
    QStringList expected = kSchemaIndexes;
    expected.removeOne("productos_codigo");
    expected << "precio_historial_producto"; // never dropped
    expected.sort();
    EXPECT_EQ(indexes(*db), expected);
    EXPECT_EQ(db->query("select * from producto_propiedad where id_propiedad=1").count(), 21);
}

TEST(DatabaseOpening, AReadOnlyFileOpensWithoutIndexesAndWorks) {
    QTemporaryDir dir;
    QStringList drops;
    for (const QString& name : kSchemaIndexes)
        drops << "drop index " + name;
    drops << "drop table precio_historial"; // a file older than the price history
    const QString path = fileWith(dir, drops);
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
    // Root may write any file: the check runs as another user in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(10);
        try {
            auto db = Database::openFile(path);
            if (db->query("select * from formulas").count() != 4)
                _exit(11);
            if (!indexes(*db).isEmpty())
                _exit(12);
            if (db->query("PRAGMA table_info(precio_historial)").count() != 0)
                _exit(14);
        } catch (...) {
            _exit(13);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(DatabaseOpening, NamesAMissingTableOrColumnAndARepeatedOne) {
    QTemporaryDir a, b, c, d;
    QString error = openingError(fileWith(a, {"alter table formula_producto drop column minimo"}));
    EXPECT_TRUE(error.contains("formula_producto") && error.contains("minimo"))
        << error.toStdString();
    error = openingError(fileWith(b, {"drop table formula_propiedad"}));
    EXPECT_TRUE(error.contains("no tiene la tabla formula_propiedad")) << error.toStdString();
    error = openingError(fileWith(c, {"alter table productos rename column materia_seca to ms"}));
    EXPECT_TRUE(error.contains("productos") && error.contains("materia_seca"))
        << error.toStdString();
    error = openingError(
        fileWith(d, {"alter table producto_propiedad add column materia_seca double"}));
    EXPECT_TRUE(error.contains("producto_propiedad") && error.contains("materia_seca"))
        << error.toStdString();
}

TEST(DatabaseCreation, NeverTouchesAUsersFileAndOneOfTwoRacingRunsWins) {
    QTemporaryDir dir;
    const QString path = dir.filePath("carrera.db");
    QFile mine(path + ".creando");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mío");
    mine.close();

    for (int round = 0; round < 25; ++round) {
        QFile::remove(path);
        std::atomic<int> created{0}, refused{0}, other{0};
        auto create = [&] {
            try {
                Database::createFile(path, false);
                ++created;
            } catch (const store::FileExistsError&) {
                ++refused;
            } catch (...) {
                ++other;
            }
        };
        std::thread first(create), second(create);
        first.join();
        second.join();
        ASSERT_EQ(created.load(), 1) << "round " << round;
        ASSERT_EQ(refused.load(), 1) << "round " << round;
        ASSERT_EQ(other.load(), 0);
        ASSERT_GT(QFileInfo(path).size(), 0) << "round " << round;
    }
    EXPECT_NO_THROW(Database::openFile(path));
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(mine.readAll()), "mío");
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int rows(Database& db, const QString& table) {
    return db.query("select count(*) from " + table).value(0).toInt();
}

} // namespace

TEST(DatabaseOpening, ReadOnlyLeavesAFileWithoutIndexesByteForByteAsItWas) {
    QTemporaryDir dir;
    QStringList drops;
    for (const QString& name : kSchemaIndexes)
        drops << "drop index " + name;
    drops << "drop table precio_historial";
    const QString path = fileWith(dir, drops);
    const QByteArray before = fileBytes(path);
    {
        auto db = Database::openFile(path, Database::OpenMode::ReadOnly);
        EXPECT_EQ(rows(*db, "formulas"), 4);
        EXPECT_TRUE(indexes(*db).isEmpty());
        EXPECT_THROW(db->exec("delete from formulas"), StoreError);
        EXPECT_EQ(rows(*db, "formulas"), 4);
    }
    EXPECT_TRUE(fileBytes(path) == before);
    // Opened for writing (the window), the indexes are made, and the price history with its own.
    QStringList all = kSchemaIndexes;
    all << "precio_historial_producto";
    all.sort();
    EXPECT_EQ(indexes(*Database::openFile(path)), all);
}

TEST(DatabaseOpening, ADamagedFileOpensButRefusesEveryWriteSayingHowToRecoverIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("dañado.db");
    Database::createFile(path, true);
    {
        // The name index of the ingredients is pointed at the pages of the table itself.
        auto db = Database::openFile(path);
        EXPECT_TRUE(db->damageMessage().isEmpty());
        db->exec("PRAGMA writable_schema=ON");
        db->exec("update sqlite_master set rootpage=(select rootpage from sqlite_master where "
                 "name='productos') where name='productos_nombre'");
    }
    auto db = Database::openFile(path);
    EXPECT_EQ(rows(*db, "propiedades"), 12);
    try {
        db->exec("insert into propiedades (id_propiedad,nombre,unidad) values (99,'N','%')");
        FAIL() << "a write to a damaged file went through";
    } catch (const StoreError& e) {
        const QString m = e.message();
        EXPECT_TRUE(m.contains("está dañado")) << e.what();
        EXPECT_TRUE(m.contains("sqlite3 '" + path + "' .recover | sqlite3 '" +
                               dir.filePath("dañado-recuperado.db") + "'"))
            << e.what();
    }
    auto prepared = db->prepare("update propiedades set unidad=? where id_propiedad=1");
    prepared.bind(1, QString("g"));
    EXPECT_THROW(prepared.execute(), store::DamagedFileError);
    EXPECT_EQ(rows(*db, "propiedades"), 12);
    EXPECT_EQ(db->query("select unidad from propiedades where id_propiedad=1").value(0), "%");
    EXPECT_FALSE(db->damageMessage().isEmpty());
}

TEST(DatabaseCreation, RemovesOnlyItsOwnTemporariesLeftByAKilledRun) {
    QTemporaryDir dir;
    const QString path = dir.filePath("base.db");
    const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
    auto leave = [&](const QString& name, const QDateTime& when) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.flush();
        EXPECT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    // A run under way holds its file locked for as long as it lives, however old the file is.
    std::vector<std::unique_ptr<QFile>> held;
    auto hold = [&](const QString& name) {
        held.push_back(std::make_unique<QFile>(dir.filePath(name)));
        ASSERT_TRUE(held.back()->open(QIODevice::ReadOnly));
        ASSERT_EQ(::flock(held.back()->handle(), LOCK_EX | LOCK_NB), 0);
    };
    const QDateTime now = QDateTime::currentDateTime();
    leave("base.db.0123456789ab.creando", old);         // a run killed long ago
    leave("base.db.0123456789ab.creando-journal", old); // and its journal
    leave("base.db.cccccccccccc.creando", now);         // a run killed a moment ago
    leave("base.db.cccccccccccc.creando-journal", now);
    leave("base.db.fedcba987654.creando-journal", old); // a journal alone
    leave("base.db.aaaaaaaaaaaa.creando", now);         // a run under way
    hold("base.db.aaaaaaaaaaaa.creando");
    leave("base.db.bbbbbbbbbbbb.creando", old); // an old one still under way, with its journal
    leave("base.db.bbbbbbbbbbbb.creando-journal", now);
    hold("base.db.bbbbbbbbbbbb.creando");
    leave("base.db.creando", old);                    // the user's own
    leave("otra.db.0123456789ab.creando", old);       // another target's
    leave("base.db.0123456789ab.creando.copia", old); // not of our naming
    Database::createFile(path, false);
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, QStringList({"base.db", "base.db.0123456789ab.creando.copia",
                                 "base.db.aaaaaaaaaaaa.creando", "base.db.bbbbbbbbbbbb.creando",
                                 "base.db.bbbbbbbbbbbb.creando-journal", "base.db.creando",
                                 "otra.db.0123456789ab.creando"}));
}
