#include "command_run.h"
#include "store/database.h"
#include "support/temp_database.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The user's regional settings in a folder of the test's own, with a comma as decimal mark.
class CommaDecimals {
public:
    CommaDecimals() : saved_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        QSettings ini(dir_.filePath("Dosivant/regional.ini"), QSettings::IniFormat);
        ini.setValue("Regional/sDecimal", ",");
    }
    ~CommaDecimals() {
        saved_.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", saved_);
    }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

QString writeFile(const QTemporaryDir& dir, const QByteArray& content) {
    const QString path = dir.filePath("analisis.csv");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

int analyses(store::Database& db) {
    return db.query("select count(*) from producto_analisis").valueAt(0, 0).toInt();
}

} // namespace

TEST(AnalysesCommand, ShowsWithoutYesStoresWithItAndSaysConflictsInItsStatus) {
    CommaDecimals comma;
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString file = writeFile(dir, "codigo;propiedad;fecha;lote;valor\n"
                                        "MAIZ;Proteína bruta;02/03/2026;L1;8,4\n"
                                        "XX;Proteína bruta;02/03/2026;L1;8\n");
    const QStringList args = {"--database", t.path(), "--from", file};

    const CommandRun shown = runCommand("analyses", args);
    EXPECT_EQ(shown.status, 3);
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out, "Análisis de laboratorio " + file +
                             " (separador «;», decimales con «,»)\n"
                             "  línea 2: MAIZ Maíz amarillo grano, Proteína bruta, 02/03/2026, "
                             "lote «L1»: 8.4\n"
                             "Conflictos (no se guardan):\n"
                             "  línea 3, código «XX»: el código no está en el catálogo\n"
                             "1 análisis para guardar; 1 línea con conflictos no se guarda.\n"
                             "No se guardó nada (guarde los análisis con --yes).\n");
    EXPECT_EQ(analyses(t.db()), 0);

    const CommandRun stored = runCommand("analyses", args + QStringList{"--yes"});
    EXPECT_EQ(stored.status, 3);
    EXPECT_TRUE(stored.out.endsWith("Se guardó 1 análisis.\n")) << stored.out.toStdString();
    EXPECT_EQ(analyses(t.db()), 1);

    // The same file again: its one good line is stored already, so it is a conflict too.
    const CommandRun again = runCommand("analyses", args + QStringList{"--yes"});
    EXPECT_EQ(again.status, 3);
    EXPECT_TRUE(again.out.contains("línea 2, código «MAIZ»: el análisis (ingrediente, propiedad, "
                                   "fecha y lote) ya está guardado"));
    EXPECT_TRUE(again.out.endsWith("El archivo no trae ningún análisis que se pueda guardar.\n"));
    EXPECT_EQ(analyses(t.db()), 1);

    // Without conflicts: 0.
    const QString clean =
        writeFile(dir, "codigo;propiedad;fecha;lote;valor\nSOJA44;Proteína bruta;2026-03-02;;44\n");
    const CommandRun ok =
        runCommand("analyses", {"--database", t.path(), "--from", clean, "--yes"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(analyses(t.db()), 2);

    // A file that is not one of analyses, a missing file, a missing option: 1, nothing stored.
    const QString prices = writeFile(dir, "codigo;costo\nMAIZ;0,2\n");
    const CommandRun wrong =
        runCommand("analyses", {"--database", t.path(), "--from", prices, "--yes"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(wrong.err.startsWith("dosivant analyses: El archivo " + prices +
                                     " no es un archivo de análisis"));
    EXPECT_EQ(
        runCommand("analyses", {"--database", t.path(), "--from", dir.filePath("no.csv")}).status,
        1);
    EXPECT_EQ(runCommand("analyses", {"--database", t.path()}).status, 1);
    EXPECT_EQ(analyses(t.db()), 2);
}
