#include "optimizer/sample_formulas.h"
#include "store/database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr int kCopies = 50; // of each of the four sample formulas

// The sample book formulated, copied under new codes until it holds 200 formulas, and maize and
// soybean meal dearer, so that every formula gets a new version.
void makeBook(const QString& path) {
    store::Database::createFile(path, true);
    auto db = store::Database::openFile(path);
    optimizer::formulateSampleFormulas(*db);
    store::Database::Transaction tx(*db);
    const QString copies = QString("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k "
                                   "WHERE i<%1) ")
                               .arg(kCopies - 1);
    db->exec(copies + "INSERT INTO formulas (id_formula,codigo,producto,cantidad,version,"
                      "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) SELECT "
                      "id_formula+4*i, codigo || '-' || i, producto, cantidad, version, "
                      "fecha_creacion, fecha_modificacion, tipoBase, tipoBaseNutrientes FROM "
                      "formulas, k WHERE id_formula<=4");
    db->exec(copies + "INSERT INTO formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                      "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                      "cantidad_seca) SELECT id_formula+4*i,id_producto,minimo,maximo,costo,"
                      "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                      "cantidad_seca FROM formula_producto, k WHERE id_formula<=4");
    db->exec(copies + "INSERT INTO formula_propiedad (id_formula,id_propiedad,minimo,maximo,"
                      "valor) SELECT id_formula+4*i,id_propiedad,minimo,maximo,valor FROM "
                      "formula_propiedad, k WHERE id_formula<=4");
    db->exec("update productos set costo=costo*1.3 where trim(codigo) in "
             "('MAIZ','SOJA44','SOJA48')");
    tx.commit();
}

struct Counts {
    int formulas, ingredients, nutrients;
    bool operator==(const Counts&) const = default;
};

Counts counts(store::Database& db) {
    const auto n = [&](const char* table) {
        return db.query(QString("select count(*) from ") + table).value(0).toInt();
    };
    return {n("formulas"), n("formula_producto"), n("formula_propiedad")};
}

struct Child {
    bool killed = false;
    int status = -1;
    int runMs = 0;  // from the start to the last formula re-formulated
    int saveMs = 0; // from then to the end
};

// Runs `reformulate --save`, killing it killAfterMs after the start, or after its last progress
// line when afterRun is set (so that the kill lands in the save).
Child runSave(const QString& database, int killAfterMs = -1, bool afterRun = false) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    p.setProcessEnvironment(env);
    p.setReadChannel(QProcess::StandardError);
    p.start(DOSIVANT_PROGRAM, {"reformulate", "--database", database, "--save"});
    EXPECT_TRUE(p.waitForStarted(10000));
    Child child;
    QElapsedTimer clock;
    clock.start();
    const QByteArray last = QString("Reformuladas %1 de %1").arg(4 * kCopies).toUtf8();
    if (afterRun || killAfterMs < 0) {
        QByteArray seen;
        while (!seen.contains(last) && p.state() == QProcess::Running) {
            p.waitForReadyRead(1000);
            seen += p.readAllStandardError();
        }
        child.runMs = int(clock.restart());
    }
    if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs)) {
        p.kill(); // SIGKILL: no handler runs, as when the power goes
        child.killed = true;
    }
    p.waitForFinished(60000);
    child.saveMs = int(clock.elapsed());
    if (!child.killed)
        child.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return child;
}

} // namespace

// The save killed at random moments leaves the book with all the new versions or none of them,
// never a header without its rows, and a later run saves them all.
TEST(ReformulateKill, AKilledSaveLeavesAllNewVersionsOrNone) {
    QTemporaryDir dir;
    const QString original = dir.filePath("libro.db");
    makeBook(original);
    const Counts before = counts(*store::Database::openFile(original));
    const Counts after{2 * before.formulas, 2 * before.ingredients, 2 * before.nutrients};
    const QString local = dir.filePath("trabajo.db");

    ASSERT_TRUE(QFile::copy(original, local));
    const Child whole = runSave(local);
    ASSERT_EQ(whole.status, 0);
    EXPECT_EQ(counts(*store::Database::openFile(local)), after);
    QFile::remove(local);
    ASSERT_TRUE(QFile::copy(original, local));

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> anywhere(0, whole.runMs + whole.saveMs);
    std::uniform_int_distribution<int> inSave(0, std::max(1, whole.saveMs));
    int kills = 0, none = 0, all = 0;
    const auto restart = [&] {
        QFile::remove(local);
        ASSERT_TRUE(QFile::copy(original, local));
    };
    for (int attempt = 0; kills < 20 && attempt < 150; ++attempt) {
        // Two kills in three land in the save, the others anywhere in the run.
        const bool save = attempt % 3 != 0;
        if (!runSave(local, save ? inSave(random) : anywhere(random), save).killed) {
            restart(); // it finished first
            continue;
        }
        ++kills;
        auto db = store::Database::openFile(local); // rolls back what the kill left undone
        EXPECT_EQ(db->query("PRAGMA integrity_check").value(0).toString(), "ok") << kills;
        const Counts now = counts(*db);
        if (now == before) {
            ++none;
        } else {
            EXPECT_EQ(now, after) << kills;
            ++all;
            db.reset();
            restart();
        }
    }
    EXPECT_EQ(kills, 20);
    EXPECT_EQ(none + all, kills);
    EXPECT_GT(none, 0);
    // The killed runs left nothing behind: the next one saves every new version.
    ASSERT_EQ(runSave(local).status, 0);
    EXPECT_EQ(counts(*store::Database::openFile(local)), after);
}
