// The catalogue: both lists in each mode, the editors on a sample ingredient and nutrient, the
// composition of one ingredient, a mix about to be saved as an ingredient, and the groups of
// ingredients.
#include "tour.h"

#include "catalog/views/frmComoProducto.h"
#include "catalog/views/frmGrupos.h"
#include "catalog/views/frmproducto.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedad.h"
#include "catalog/views/frmpropiedades.h"
#include "store/database.h"
#include "workspace/workspace.h"

#include <QLineEdit>
#include <QPushButton>

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
