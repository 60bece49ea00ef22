// The optimisation workspace on the sample broiler diet, formulated for a batch of 1000: the
// ingredient tab, the nutrient tab and the composition of the mix.
#include "tour.h"

#include "app/globals.h"
#include "store/database.h"
#include "workspace/composition_matrix.h"
#include "workspace/views/frmResultados.h"
#include "workspace/views/frmoptimizacion.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

std::unique_ptr<workspace::frmoptimizacion> formulatedBroilerDiet(tour::Context& c) {
    store::RecordSet rs = c.db.query("select id_formula from formulas where codigo='POLLO-INI'");
    rs.moveFirst();
    app::globals().gIdFormula = rs.toInt("id_formula");
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

// The composition view reads the matrix the window builds for it from the formulated mix.
QImage composition(tour::Context& c) {
    const auto window = formulatedBroilerDiet(c);
    workspace::buildComposition(window->workspace(), c.db);
    workspace::frmResultados view(window->workspace());
    view.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return view.grab().toImage();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmoptimizacion"), ingredientTab, nullptr});
    all.push_back({QStringLiteral("frmoptimizacion_nutrientes"), nutrientTab, nullptr});
    all.push_back({QStringLiteral("frmResultados"), nullptr, composition});
});

} // namespace
