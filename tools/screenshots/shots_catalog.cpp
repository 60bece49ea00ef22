// The catalogue: both lists in each mode, the editors on a sample ingredient and nutrient, the
// composition of one ingredient, a mix about to be saved as an ingredient, and the groups of
// ingredients; a composition list of footprint factors read against a copy of the sample, and
// the composition of an ingredient once the list is applied, with the source of each value.
#include "tour.h"

#include "catalog/composition_list.h"
#include "catalog/views/frmActualizarComposicion.h"
#include "catalog/views/frmComoProducto.h"
#include "catalog/views/frmGrupos.h"
#include "catalog/views/frmproducto.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedad.h"
#include "catalog/views/frmpropiedades.h"
#include "store/database.h"
#include "workspace/workspace.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

int ingredientId(store::Database& db, const QString& code) {
    return db.query("select id_producto from productos where trim(codigo)='" + code + "'")
        .valueAt(0, 0)
        .toInt();
}

int nutrientId(store::Database& db, const QString& name) {
    return db.query("select id_propiedad from propiedades where nombre='" + name + "'")
        .valueAt(0, 0)
        .toInt();
}

// A mix as the workspace holds it after a formulation: its cost, dry matter and the values its
// nutrients reach.
const workspace::Workspace& formulatedMix(store::Database& db) {
    static workspace::Workspace ws;
    ws.nutrients.clear();
    ws.vCostoHumeda = 0.2475;
    ws.vMateriaSeca = 88.6;
    const std::pair<const char*, double> values[] = {{"Proteína bruta", 21.5},
                                                     {"Energía metabolizable aves", 3.05},
                                                     {"Lisina", 1.18},
                                                     {"Calcio", 0.95}};
    for (const auto& [name, value] : values)
        ws.nutrients.push_back({nutrientId(db, QString::fromUtf8(name)), QString::fromUtf8(name),
                                std::nullopt, std::nullopt, value, std::nullopt});
    return ws;
}

// A copy of the sample database with a composition list beside it, kept while its view lives, so
// the other shots keep the sample's values.
struct ListCopy {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
    QString list;
};

const QByteArray kFootprints = "codigo;propiedad;valor;base;fuente;unidad\n"
                               "MAIZ;Huella de carbono;0,41;humeda;GFLI 2023;kg CO2e/kg\n"
                               "SOJA44;Huella de carbono;0,89;humeda;GFLI 2023;kg CO2e/kg\n"
                               "TRIGO;Huella de carbono;0,38;humeda;GFLI 2023;kg CO2e/kg\n"
                               "MAIZ;Fósforo total;0,29;;Laboratorio, lote 2611;\n"
                               "SORGO;Fósforo total;0,3;;Laboratorio, lote 2611;\n"
                               "AVENA;Fósforo total;0,33;;Laboratorio, lote 2611;\n";

std::shared_ptr<ListCopy> listCopy(tour::Context& c) {
    auto s = std::make_shared<ListCopy>();
    const QString path = s->dir.filePath(QStringLiteral("composicion.db"));
    QFile::copy(c.db.path(), path);
    s->db = store::Database::openFile(path);
    s->list = s->dir.filePath(QStringLiteral("huella_gfli.csv"));
    QFile f(s->list);
    f.open(QIODevice::WriteOnly);
    f.write(kFootprints);
    return s;
}

std::unique_ptr<QWidget> keeping(std::shared_ptr<ListCopy> s, std::unique_ptr<QWidget> view) {
    QObject::connect(view.get(), &QObject::destroyed, [s] {});
    return view;
}

std::unique_ptr<QWidget> compositionList(tour::Context& c) {
    auto s = listCopy(c);
    auto view = std::make_unique<catalog::frmActualizarComposicion>(*s->db, u',');
    view->findChild<QLineEdit*>(QStringLiteral("txtArchivo"))->setText(s->list);
    view->findChild<QPushButton*>(QStringLiteral("cmdLeer"))->click();
    // The name as a user's folder shows it, so the picture does not change with the folder.
    view->findChild<QLineEdit*>(QStringLiteral("txtArchivo"))
        ->setText(QStringLiteral("/home/usuario/Huella/huella_gfli.csv"));
    return keeping(s, std::move(view));
}

std::unique_ptr<QWidget> compositionWithSources(tour::Context& c) {
    auto s = listCopy(c);
    catalog::applyCompositionList(*s->db,
                                  catalog::previewCompositionListFile(*s->db, s->list, u',', true),
                                  QDateTime(QDate(2026, 3, 2), QTime(7, 30)));
    auto view =
        std::make_unique<catalog::frmproducto_propiedades>(*s->db, ingredientId(*s->db, "MAIZ"));
    view->setWindowTitle(QStringLiteral("Maíz amarillo grano"));
    return keeping(s, std::move(view));
}

template <class View> std::unique_ptr<QWidget> list(tour::Context& c, keys::ListMode mode) {
    return std::make_unique<View>(c.db, mode);
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back(
        {QStringLiteral("frmproductos"),
         [](tour::Context& c) { return list<catalog::frmproductos>(c, keys::ListMode::Maintain); },
         nullptr});
    all.push_back({QStringLiteral("frmproductos_buscar"),
                   [](tour::Context& c) {
                       auto view = list<catalog::frmproductos>(c, keys::ListMode::Pick);
                       view->findChild<QLineEdit*>("Text3")->setText(QStringLiteral("harina"));
                       view->findChild<QPushButton*>("Command1")->click();
                       return view;
                   },
                   nullptr});
    all.push_back({QStringLiteral("frmproductos_sin_coincidencias"),
                   [](tour::Context& c) {
                       auto view = list<catalog::frmproductos>(c, keys::ListMode::Maintain);
                       view->findChild<QLineEdit*>("Text3")->setText(QStringLiteral("avena"));
                       view->findChild<QPushButton*>("Command1")->click();
                       return view;
                   },
                   nullptr});
    all.push_back({QStringLiteral("frmproducto"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       return std::make_unique<catalog::frmproducto>(c.db,
                                                                     ingredientId(c.db, "SOJA44"));
                   },
                   nullptr});
    all.push_back({QStringLiteral("frmproducto_nuevo"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       return std::make_unique<catalog::frmproducto>(c.db, 0);
                   },
                   nullptr});
    all.push_back({QStringLiteral("frmproducto_propiedades"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       auto view = std::make_unique<catalog::frmproducto_propiedades>(
                           c.db, ingredientId(c.db, "MAIZ"));
                       view->setWindowTitle(QStringLiteral("Maíz amarillo grano"));
                       return view;
                   },
                   nullptr});
    all.push_back(
        {QStringLiteral("frmproducto_propiedades_fuentes"), compositionWithSources, nullptr});
    all.push_back({QStringLiteral("frmActualizarComposicion"), compositionList, nullptr});
    all.push_back({QStringLiteral("frmpropiedades"),
                   [](tour::Context& c) {
                       return list<catalog::frmpropiedades>(c, keys::ListMode::Maintain);
                   },
                   nullptr});
    all.push_back(
        {QStringLiteral("frmpropiedades_buscar"),
         [](tour::Context& c) { return list<catalog::frmpropiedades>(c, keys::ListMode::Pick); },
         nullptr});
    all.push_back({QStringLiteral("frmpropiedad"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       return std::make_unique<catalog::frmpropiedad>(
                           c.db, nutrientId(c.db, QStringLiteral("Proteína bruta")));
                   },
                   nullptr});
    all.push_back({QStringLiteral("frmComoProducto"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       return std::make_unique<catalog::frmComoProducto>(c.db, formulatedMix(c.db));
                   },
                   nullptr});
    all.push_back({QStringLiteral("frmGrupos"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       return std::make_unique<catalog::frmGrupos>(c.db);
                   },
                   nullptr});
});

} // namespace
