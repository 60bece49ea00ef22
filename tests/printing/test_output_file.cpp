#include "full_disk.h"
#include "printing/output_file.h"
#include "printing/page_output.h"
#include "support/temp_database.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(OutputFile, RefusesTheDatabaseItsJournalsAndWhatIsNoFile) {
    TempDatabase t(false);
    QTemporaryDir dir;
    const QString db = t.path();
    const QString link = dir.filePath("enlace.pdf");
    ASSERT_TRUE(QFile::link(db, link));
    const QString dangling = dir.filePath("roto.pdf");
    ASSERT_TRUE(QFile::link(dir.filePath("no-existe"), dangling));
    const QString fifo = dir.filePath("tuberia.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString plain = dir.filePath("informe.pdf");
    writeFile(plain, "%PDF-1.4 viejo");
    // A copy of a database under a name that says nothing of it.
    const QString copy = dir.filePath("copia.pdf");
    ASSERT_TRUE(QFile::copy(db, copy));

    const std::pair<QString, QString> refused[] = {
        {db, "es la base de datos abierta"},
        {link, "es la base de datos abierta"},
        {QFileInfo(db).path() + "/./" + QFileInfo(db).fileName(), "es la base de datos abierta"},
        {db + "-journal", "es el diario de la base de datos abierta"},
        {db + "-wal", "es el diario de la base de datos abierta"},
        {db + "-shm", "es el diario de la base de datos abierta"},
        {dir.path(), "es una carpeta"},
        {fifo, "no es un archivo común"},
        {"/dev/null", "no es un archivo común"},
        {dangling, "enlace a un archivo que no existe"},
        {copy, "es una base de datos"},
        {copy + "-wal", "es el diario de una base de datos"},
    };
    for (const auto& [path, reason] : refused) {
        SCOPED_TRACE(path.toStdString());
        const QString problem = printing::outputTargetProblem(path, db);
        EXPECT_TRUE(problem.startsWith("No se escribe en \"" + path + "\""))
            << problem.toStdString();
        EXPECT_TRUE(problem.contains(reason)) << problem.toStdString();
        EXPECT_FALSE(problem.contains('\n'));
    }
    // Without the database named, a database is still recognised by what it holds.
    EXPECT_TRUE(printing::outputTargetProblem(db).contains("es una base de datos"));
    EXPECT_TRUE(printing::outputTargetProblem(db + "-journal").contains("diario de una base"));
    // An ordinary file, a new one, and a file beside the database may be written.
    EXPECT_EQ(printing::outputTargetProblem(plain, db), QString());
    EXPECT_EQ(printing::outputTargetProblem(dir.filePath("nuevo.pdf"), db), QString());
    EXPECT_EQ(printing::outputTargetProblem(db + ".pdf", db), QString());

    // The PDF writer itself refuses them, whoever calls it.
    QString error;
    EXPECT_FALSE(printing::writePdf(
        fifo, "x", [](printing::PageCanvas&) {}, &error));
    EXPECT_TRUE(error.contains("no es un archivo común")) << error.toStdString();
    struct stat s {};
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &s), 0);
    EXPECT_TRUE(S_ISFIFO(s.st_mode));
    EXPECT_FALSE(printing::writePdf(
        link, "x", [](printing::PageCanvas&) {}, &error));
    EXPECT_TRUE(printing::writePdf(
        plain, "x", [](printing::PageCanvas&) {}, &error));
}

TEST(OutputFile, AWriteThatFailsInTheBufferLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("documento.odt");
    writeFile(path, "anterior");
    QString error;
    {
        FullDisk full(100);
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // Small enough to stay in the buffer: write() itself says nothing is wrong.
        ASSERT_EQ(file.write(QByteArray(4000, 'x')), 4000);
        EXPECT_FALSE(printing::commitOutputFile(file, path, &error));
    }
    EXPECT_TRUE(error.startsWith("No se pudo escribir el archivo \"" + path + "\""))
        << error.toStdString();
    QFile back(path);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), "anterior");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("nuevo");
    ASSERT_TRUE(printing::commitOutputFile(file, path, &error)) << error.toStdString();
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), "nuevo");
}
