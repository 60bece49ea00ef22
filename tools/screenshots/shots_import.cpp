// The data-source view naming a source, and the import view before an import, without a
// source, and after an import that logged two conflicts.
#include "tour.h"

#include "import/file_dsn.h"
#include "import/views/frmImportacion.h"
#include "import/views/frmOrigendeDatos.h"
#include "store/database.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A folder with a File DSN, a source database and a working copy, kept until the view closes.
struct ImportSetting {
    QTemporaryDir dir;
    QString dsn = dir.filePath(QStringLiteral("dosivant2.dsn"));
    std::unique_ptr<store::Database> local;
};

template <typename View>
std::unique_ptr<QWidget> keeping(std::shared_ptr<ImportSetting> s, std::unique_ptr<View> view) {
    QObject::connect(view.get(), &QObject::destroyed, [s] {});
    return view;
}

std::unique_ptr<QWidget> dataSource(tour::Context&) {
    auto s = std::make_shared<ImportSetting>();
    import::writeDsn(s->dsn, QStringLiteral("/home/usuario/Datos"),
                     QStringLiteral("/home/usuario/Datos/central.mdb"));
    return keeping(s, std::make_unique<import::frmOrigendeDatos>(nullptr, s->dsn));
}

// The sample catalogue as the source, with one ingredient and one nutrient renamed, imported
// into a copy of the sample database.
std::shared_ptr<ImportSetting> sampleSource(tour::Context& c) {
    auto s = std::make_shared<ImportSetting>();
    const QString source = s->dir.filePath(QStringLiteral("central.db"));
    const QString working = s->dir.filePath(QStringLiteral("trabajo.db"));
    QFile::copy(c.db.path(), source);
    QFile::copy(c.db.path(), working);
    {
        auto remote = store::Database::openFile(source);
        remote->exec(QStringLiteral("UPDATE productos set nombre=nombre || ' (lote 2)' where "
                                    "id_producto=(select min(id_producto) from productos)"));
        remote->exec(QStringLiteral("UPDATE propiedades set nombre=nombre || ' total' where "
                                    "id_propiedad=(select min(id_propiedad) from propiedades)"));
    }
    import::writeDsn(s->dsn, import::folderOf(source), source);
    s->local = store::Database::openFile(working);
    return s;
}

std::unique_ptr<QWidget> beforeImport(tour::Context& c) {
    auto s = sampleSource(c);
    return keeping(s, std::make_unique<import::frmImportacion>(*s->local, nullptr, s->dsn));
}

std::unique_ptr<QWidget> withoutSource(tour::Context& c) {
    auto s = std::make_shared<ImportSetting>();
    return keeping(s, std::make_unique<import::frmImportacion>(c.db, nullptr, s->dsn));
}

std::unique_ptr<QWidget> afterImport(tour::Context& c) {
    auto s = sampleSource(c);
    auto view = std::make_unique<import::frmImportacion>(*s->local, nullptr, s->dsn);
    // The tour's messages answer the confirmation Yes.
    view->findChild<QPushButton*>(QStringLiteral("cmdImpotar"))->click();
    return keeping(s, std::move(view));
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmOrigendeDatos"), dataSource, nullptr});
    all.push_back({QStringLiteral("frmImportacion"), beforeImport, nullptr});
    all.push_back({QStringLiteral("frmImportacion_sin_origen"), withoutSource, nullptr});
    all.push_back({QStringLiteral("frmImportacion_conflictos"), afterImport, nullptr});
});

} // namespace
