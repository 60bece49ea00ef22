// The curve of the broiler starter's least cost against its total phosphorus, with a point
// between two vertices chosen.
#include "tour.h"

#include "formulas/formula_lookup.h"
#include "optimizer/stored_formulation.h"
#include "optimizer/views/frmCurvaCompromiso.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

namespace {

std::unique_ptr<QWidget> curve(tour::Context& c) {
    // The view reads the workspace for as long as it is open: the tour keeps it.
    static std::shared_ptr<workspace::Workspace> ws;
    const int id = formulas::findFormula(c.db, {QStringLiteral("POLLO-INI"), std::nullopt, 0});
    const optimizer::StoredRun run = optimizer::formulateStored(c.db, id, {});
    if (!run.ws)
        throw std::runtime_error("the broiler starter cannot be formulated");
    ws = run.ws;
    auto view = std::make_unique<optimizer::frmCurvaCompromiso>(*ws, c.db);
    auto* combo = view->findChild<QComboBox*>(QStringLiteral("cboObjetivo"));
    combo->setCurrentIndex(combo->findText(QStringLiteral("Fósforo total"), Qt::MatchStartsWith));
    view->findChild<QPushButton*>(QStringLiteral("cmdCalcular"))->click();
    const auto& vertices = view->run().vertices;
    if (vertices.size() >= 2) {
        auto* value = view->findChild<QLineEdit*>(QStringLiteral("txtValor"));
        value->setText(QString::number((vertices[0].valor + vertices[1].valor) / 2, 'f', 4));
        Q_EMIT value->returnPressed();
    }
    return view;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmCurvaCompromiso"), curve, nullptr});
});

} // namespace
