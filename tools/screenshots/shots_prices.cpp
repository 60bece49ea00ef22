// The price list read against the sample catalogue, with a few changes and a conflict, and the
// ingredient editor with the last prices of an ingredient: imported, edited, then listed. Both on a
// copy of the sample database, so the other shots keep its prices.
#include "tour.h"

#include "catalog/price_history.h"
#include "catalog/price_list.h"
#include "catalog/views/frmActualizarPrecios.h"
#include "catalog/views/frmproducto.h"
#include "store/database.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

struct Copy {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
};

std::shared_ptr<Copy> sampleCopy(tour::Context& c) {
    auto s = std::make_shared<Copy>();
    const QString path = s->dir.filePath(QStringLiteral("precios.db"));
    QFile::copy(c.db.path(), path);
    s->db = store::Database::openFile(path);
    return s;
}

QString writeList(const Copy& s, const QByteArray& content) {
    const QString path = s.dir.filePath(QStringLiteral("lista_semana_10.csv"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

const QByteArray kList = "codigo;nombre;costo;materia_seca\n"
                         "MAIZ;Maíz;0,185;88,5\n"
                         "SOJA44;Soja 44;0,352;\n"
                         "TRIGO;Trigo;0,187;\n"
                         "SORGO;Sorgo;0,158;87\n"
                         "AVENA;Avena;0,21;89\n"
                         "CEBADA;Cebada;0,25;89\n";

template <typename View>
std::unique_ptr<QWidget> keeping(std::shared_ptr<Copy> s, std::unique_ptr<View> view) {
    QObject::connect(view.get(), &QObject::destroyed, [s] {});
    return view;
}

std::unique_ptr<QWidget> priceList(tour::Context& c) {
    auto s = sampleCopy(c);
    auto view = std::make_unique<catalog::frmActualizarPrecios>(*s->db, u',');
    view->findChild<QLineEdit*>(QStringLiteral("txtArchivo"))->setText(writeList(*s, kList));
    view->findChild<QPushButton*>(QStringLiteral("cmdLeer"))->click();
    // The name as a user's folder shows it, so the picture does not change with the temporary
    // folder (setting the text is not an edit: the list read stays).
    view->findChild<QLineEdit*>(QStringLiteral("txtArchivo"))
        ->setText(QStringLiteral("/home/usuario/Precios/lista_semana_10.csv"));
    return keeping(s, std::move(view));
}

// Fixed moments, so the picture is the same on every run.
std::unique_ptr<QWidget> editorWithHistory(tour::Context& c) {
    auto s = sampleCopy(c);
    store::Database& db = *s->db;
    const int id = db.query(QStringLiteral("select id_producto from productos where "
                                           "trim(codigo)='MAIZ'"))
                       .valueAt(0, 0)
                       .toInt();
    const QDate monday(2026, 2, 16);
    catalog::applyPriceList(db, catalog::previewPriceListFile(db, writeList(*s, kList), u','),
                            QDateTime(monday.addDays(14), QTime(7, 30)));
    store::Database::Transaction tx(db);
    catalog::recordPrice(db, id, {0.173, 89}, catalog::kOrigenImportacion,
                         QDateTime(monday, QTime(9, 12)));
    catalog::recordPrice(db, id, {0.178, 89}, catalog::kOrigenEdicion,
                         QDateTime(monday.addDays(7), QTime(11, 45)));
    tx.commit();
    return keeping(s, std::make_unique<catalog::frmproducto>(db, id));
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmActualizarPrecios"), priceList, nullptr});
    all.push_back({QStringLiteral("frmproducto_historial"), editorWithHistory, nullptr});
});

} // namespace
