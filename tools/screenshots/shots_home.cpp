// The main window on its start page, on a copy of the sample database after maize and soybean
// meal became dearer (so the page has price changes to show); the other shots keep the prices.
#include "tour.h"

#include "catalog/price_history.h"
#include "shell/views/menu.h"
#include "store/database.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

namespace {

std::unique_ptr<QWidget> startPage(tour::Context& c) {
    auto dir = std::make_shared<QTemporaryDir>();
    const QString path = dir->filePath(QStringLiteral("inicio.db"));
    QFile::copy(c.db.path(), path);
    {
        auto db = store::Database::openFile(path);
        store::Database::Transaction tx(*db);
        db->forEachRow(QStringLiteral("select id_producto,costo,materia_seca from productos where "
                                      "trim(codigo) in ('MAIZ','SOJA44')"),
                       {}, [&](const store::Database::Row& r) {
                           const int id = r[0].toInt();
                           const double costo = r[1].toDouble() * 1.3;
                           db->exec(QStringLiteral("update productos set costo=") +
                                    QString::number(costo, 'g', 17) +
                                    QStringLiteral(" where id_producto=") + QString::number(id));
                           catalog::recordPrice(*db, id, {costo, r[2].toDouble()},
                                                catalog::kOrigenListaPrecios);
                       });
        tx.commit();
    }
    auto window = std::make_unique<app::menu>(store::Database::openFile(path));
    QObject::connect(window.get(), &QObject::destroyed, [dir] {});
    // The file as a user's folder shows it, so the picture does not change with the temporary
    // folder.
    const QString shown =
        QStringLiteral("Archivo: /home/usuario/.local/share/Dosivant/Dosivant.db");
    for (const char* name : {"lblBaseDatos", "lblBaseDatosEstado"})
        if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(name)))
            label->setText(shown);
    return window;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("inicio"), &startPage, nullptr});
});

} // namespace
