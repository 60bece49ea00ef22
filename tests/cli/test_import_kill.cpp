#include "../import/import_fixture.h"
#include "support/temp_database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

// A catalogue big enough that the import takes a good part of a second: its ingredients,
// nutrients and compositions each take a visible share of the run.
void fillSource(store::Database& db) {
    db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<1000) "
            "INSERT INTO productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
            "SELECT i, substr('                    ' || 'G' || i, -20), 'Ingrediente ' || i, "
            "'Kg', i % 97 + 0.25, 80 + i % 20 FROM n");
    db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<30) "
            "INSERT INTO propiedades (id_propiedad,nombre,unidad) "
            "SELECT i, 'Nutriente ' || i, '%' FROM n");
    db.exec("INSERT INTO producto_propiedad (id_producto,id_propiedad,valor) "
            "SELECT p.id_producto, n.id_propiedad, ((p.id_producto * 31 + n.id_propiedad * 17) "
            "% 1000) / 8.0 FROM productos p, propiedades n");
}

// What a database holds, in a few sums: equal sums after a completed import mean equal rows.
QStringList contents(store::Database& db) {
    QStringList sums;
    for (const char* sql :
         {"select count(*), sum(id_producto), sum(costo), sum(materia_seca) from productos",
          "select count(*), sum(id_propiedad) from propiedades",
          "select count(*), sum(id_producto * 31 + id_propiedad), sum(valor) from "
          "producto_propiedad"}) {
        store::RecordSet rs = db.query(sql);
        QStringList values;
        for (int c = 0; c < rs.fieldCount(); ++c)
            values << rs.value(c).toString();
        sums << values.join(u'|');
    }
    return sums;
}

struct Child {
    bool killed = false; // still running when it was killed
    int status = -1;
    int startMs = 0; // from the start to the first progress line, when waited for
    int runMs = 0;   // from then to the end
};

// Runs the command to its end, or kills it killAfterMs after it starts (or after it prints its
// first progress line, when the kill is to land in the import proper rather than its start).
Child runImport(const QString& database, const QString& source, int killAfterMs = -1,
                bool afterFirstLine = false) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    p.setProcessEnvironment(env);
    p.start(DOSIVANT_PROGRAM, {"import", "--database", database, "--from", source, "--yes"});
    EXPECT_TRUE(p.waitForStarted(10000));
    Child child;
    QElapsedTimer clock;
    clock.start();
    if (afterFirstLine) {
        p.setReadChannel(QProcess::StandardError);
        p.waitForReadyRead(10000);
        child.startMs = int(clock.restart());
    }
    if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs)) {
        p.kill(); // SIGKILL: no handler runs, as when the power goes
        child.killed = true;
    }
    p.waitForFinished(60000);
    child.runMs = int(clock.elapsed());
    if (!child.killed)
        child.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return child;
}

} // namespace

// The command killed at random moments leaves a sound database whose compositions all have their
// ingredient and nutrient, and the next import completes what the killed one began.
TEST(ImportKill, AKilledImportLeavesASoundDatabaseThatTheNextImportCompletes) {
    RemoteDatabase remote;
    fillSource(remote.db());
    const QStringList expected = contents(remote.db());
    QTemporaryDir dir;
    const QString empty = dir.filePath("vacia.db");
    store::Database::createFile(empty, false);
    const QString local = dir.filePath("trabajo.db");

    // How long the start and a whole import take here, to spread the kills over them.
    ASSERT_TRUE(QFile::copy(empty, local));
    const Child whole = runImport(local, remote.path(), -1, true);
    ASSERT_EQ(whole.status, 0);
    EXPECT_EQ(contents(*store::Database::openFile(local)), expected);
    QFile::remove(local);
    ASSERT_TRUE(QFile::copy(empty, local));

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> fromStart(0, whole.startMs + whole.runMs);
    std::uniform_int_distribution<int> inImport(0, whole.runMs);
    int kills = 0;
    for (int attempt = 0; kills < 50 && attempt < 300; ++attempt) {
        // One kill in five may land while the program starts and opens the database.
        const bool atStart = attempt % 5 == 0;
        if (!runImport(local, remote.path(), atStart ? fromStart(random) : inImport(random),
                       !atStart)
                 .killed)
            continue; // it finished first
        ++kills;
        {
            auto db = store::Database::openFile(local); // rolls back what the kill left undone
            EXPECT_EQ(db->query("PRAGMA integrity_check").value(0).toString(), "ok") << kills;
            EXPECT_EQ(db->query("select count(*) from producto_propiedad pp where not exists "
                                "(select 1 from productos p where p.id_producto=pp.id_producto) "
                                "or not exists (select 1 from propiedades q where "
                                "q.id_propiedad=pp.id_propiedad)")
                          .value(0)
                          .toInt(),
                      0)
                << kills;
        }
        // Every fifth kill the next import completes what the killed ones began, and the
        // database starts again empty, so that kills land in every phase of a first import
        // rather than in refreshes of a complete one.
        if (kills % 5 == 0) {
            ASSERT_EQ(runImport(local, remote.path()).status, 0);
            EXPECT_EQ(contents(*store::Database::openFile(local)), expected);
            QFile::remove(local);
            ASSERT_TRUE(QFile::copy(empty, local));
        }
    }
    EXPECT_EQ(kills, 50);
}
