// The optimisation workspace on the sample broiler diet, formulated for a batch of 1000: the
// ingredient tab and the nutrient tab.
#include "tour.h"

#include "app/globals.h"
#include "store/database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

std::unique_ptr<workspace::frmoptimizacion> formulatedBroilerDiet(tour::Context& c) {
    store::RecordSet rs = c.db.query("select id_formula from formulas where codigo='POLLO-INI'");
    rs.moveFirst();
    app::globals().gIdFormula = qint16(rs.toInt("id_formula"));
    auto view = std::make_unique<workspace::frmoptimizacion>(c.db);
    view->findChild<QLineEdit*>(QStringLiteral("txt_cantidad"))->setText(QStringLiteral("1000"));
    view->findChild<QPushButton*>(QStringLiteral("cmdFormular"))->click();
    return view;
}

std::unique_ptr<QWidget> ingredientTab(tour::Context& c) {
    return formulatedBroilerDiet(c);
}

std::unique_ptr<QWidget> nutrientTab(tour::Context& c) {
    auto view = formulatedBroilerDiet(c);
    view->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    return view;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmoptimizacion"), ingredientTab, nullptr});
    all.push_back({QStringLiteral("frmoptimizacion_nutrientes"), nutrientTab, nullptr});
});

} // namespace
