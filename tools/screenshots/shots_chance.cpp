// The sample broiler diet with its protein minimum held at 95 %, protein varying by 5 % of its
// value in every ingredient, on a copy of the sample database: the workspace's nutrient tab, the
// analysis on its tab of limits held with a probability, and the printed page.
#include "tour.h"

#include "optimizer/formulation_run.h"
#include "optimizer/views/frmAnalisis.h"
#include "printing/formula_printout.h"
#include "printing/page_output.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QDate>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

struct Copy {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
    int formulaId = 0;
};

std::shared_ptr<Copy> chanceCopy(tour::Context& c) {
    auto s = std::make_shared<Copy>();
    const QString path = s->dir.filePath(QStringLiteral("probabilidad.db"));
    QFile::copy(c.db.path(), path);
    s->db = store::Database::openFile(path);
    s->db->exec(QStringLiteral(
        "insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) select "
        "pp.id_producto,pp.id_propiedad,pp.valor*0.05 from producto_propiedad pp, propiedades p "
        "where pp.id_propiedad=p.id_propiedad and p.nombre='Proteína bruta'"));
    s->db->exec(QStringLiteral(
        "insert into formula_propiedad_probabilidad (id_formula,id_propiedad,probabilidad) "
        "select f.id_formula,p.id_propiedad,0.95 from formulas f, propiedades p where "
        "f.codigo='POLLO-INI' and p.nombre='Proteína bruta'"));
    s->formulaId =
        s->db->query(QStringLiteral("select id_formula from formulas where codigo='POLLO-INI'"))
            .valueAt(0, 0)
            .toInt();
    return s;
}

template <class View> std::unique_ptr<QWidget> keeping(std::shared_ptr<Copy> s, View view) {
    QObject::connect(view.get(), &QObject::destroyed, [s] {});
    return view;
}

struct Formulated {
    workspace::Workspace ws;
    workspace::FormulaHeader header;
    optimizer::Formulation run;
};

Formulated formulated(Copy& s) {
    Formulated f;
    workspace::LoadedFormula loaded = workspace::loadFormula(*s.db, s.formulaId);
    f.header = loaded.header;
    workspace::adoptLoaded(f.ws, std::move(loaded.ws), s.formulaId);
    f.run = optimizer::formulate(f.ws, *s.db, {1000, f.ws.ingredientsDry, f.ws.nutrientsDry, {}});
    return f;
}

std::unique_ptr<QWidget> nutrientTab(tour::Context& c) {
    auto s = chanceCopy(c);
    auto view = std::make_unique<workspace::frmoptimizacion>(*s->db, s->formulaId);
    view->findChild<QLineEdit*>(QStringLiteral("txt_cantidad"))->setText(QStringLiteral("1000"));
    view->findChild<QPushButton*>(QStringLiteral("cmdFormular"))->click();
    view->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    return keeping(s, std::move(view));
}

std::unique_ptr<QWidget> analysis(tour::Context& c) {
    auto s = chanceCopy(c);
    const Formulated f = formulated(*s);
    auto view = std::make_unique<optimizer::frmAnalisis>(f.ws, nullptr, std::nullopt, f.run.chance);
    auto* tabs = view->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    tabs->setCurrentIndex(tabs->count() - 1);
    return keeping(s, std::move(view));
}

QImage printout(tour::Context& c) {
    auto s = chanceCopy(c);
    const Formulated f = formulated(*s);
    printing::PrintoutTexts texts =
        printing::PrintoutTexts::from(f.header, f.run.figures.value_or(workspace::ResultFigures{}));
    texts.unidades = printing::nutrientUnits(*s->db, f.ws);
    texts.probabilidades = f.run.chance;
    const QDate today = QDate::currentDate();
    return printing::renderPages(
               [&](printing::PageCanvas& canvas) {
                   printing::imprimeImpresora(canvas, f.ws, texts, today);
               },
               100)
        .first();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmoptimizacion_probabilidad"), nutrientTab, nullptr});
    all.push_back({QStringLiteral("frmAnalisis_probabilidad"), analysis, nullptr});
    all.push_back({QStringLiteral("impresion_formula_probabilidad"), nullptr, printout});
});

} // namespace
