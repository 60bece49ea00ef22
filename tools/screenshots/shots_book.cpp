// The worklist of a re-formulation after a rise of maize and soybean meal, and one formula's
// stored version beside its new mix. The rise is undone once the pictures' data is made, so the
// other shots see the sample prices.
#include "tour.h"

#include "book/comparison.h"
#include "book/views/frmComparar.h"
#include "book/views/frmReformular.h"
#include "book/worklist.h"
#include "book/worklist_grid.h"
#include "store/database.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace {

void raisePrices(store::Database& db) {
    db.exec("update productos set costo=costo*1.3 where trim(codigo) in "
            "('MAIZ','SOJA44','SOJA48')");
}

std::unique_ptr<QWidget> worklist(tour::Context& c) {
    auto view = std::make_unique<book::frmReformular>(c.db);
    store::Database::Transaction rise(c.db); // rolled back at the end
    raisePrices(c.db);
    view->findChild<QPushButton*>(QStringLiteral("cmdReformular"))->click();
    auto* grid = view->findChild<QTableWidget*>(QStringLiteral("FlexGrid1"));
    for (int i = 0; i < 2; ++i) // dearest first
        grid->horizontalHeader()->sectionClicked(book::kColCambio);
    grid->selectRow(0);
    return view;
}

std::unique_ptr<QWidget> comparison(tour::Context& c) {
    book::Reformulation run;
    {
        store::Database::Transaction rise(c.db); // rolled back at the end
        raisePrices(c.db);
        book::Selection selection;
        selection.codes = {QStringLiteral("PONEDORA")}; // two ingredients change places
        run.run(c.db, book::chooseFormulas(c.db, selection));
    }
    if (run.rows().empty() || !run.before(0) || !run.after(0))
        return nullptr;
    return std::make_unique<book::frmComparar>(
        book::compareFormulas(*run.before(0), *run.after(0)));
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmReformular"), worklist, nullptr});
    all.push_back({QStringLiteral("frmComparar"), comparison, nullptr});
});

} // namespace
