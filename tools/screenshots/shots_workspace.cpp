// The optimisation workspace on the sample broiler diet, formulated for a batch of 1000: the
// ingredient tab, the nutrient tab, the composition of the mix, the window kept open by an Esc
// after a refused value, the composition editor opened from it with its caption, and the
// workspace after a run that found no mix.
#include "tour.h"

#include "app/views/modal.h"
#include "store/database.h"
#include "workspace/composition_matrix.h"
#include "workspace/views/frmResultados.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

namespace {

std::unique_ptr<workspace::frmoptimizacion> formulatedBroilerDiet(tour::Context& c) {
    store::RecordSet rs = c.db.query("select id_formula from formulas where codigo='POLLO-INI'");
    rs.moveFirst();
    auto view = std::make_unique<workspace::frmoptimizacion>(c.db, rs.toInt("id_formula"));
    view->findChild<QLineEdit*>(QStringLiteral("txt_cantidad"))->setText(QStringLiteral("1000"));
    view->findChild<QPushButton*>(QStringLiteral("cmdFormular"))->click();
    return view;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

void key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    settle();
}

int rowNamed(const QTableWidget* grid, const QString& name) {
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 1) && grid->item(r, 1)->text().trimmed() == name)
            return r;
    return -1;
}

// The view under a title bar with its caption: the offscreen platform draws no window frame,
// and the caption is part of what the picture shows.
QImage withCaption(QWidget& view) {
    view.show();
    settle();
    const QImage body = view.grab().toImage();
    QFont font = view.font();
    font.setBold(true);
    const int bar = QFontMetrics(font).height() + 12;
    QImage picture(body.width(), body.height() + bar, QImage::Format_RGB32);
    picture.fill(QColor(0x1f, 0x4e, 0x79));
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(QRect(10, 0, body.width() - 20, bar), Qt::AlignVCenter | Qt::AlignLeft,
                     view.windowTitle());
    painter.drawImage(0, bar, body);
    return picture;
}

// A protein minimum typed, a refused value, then Esc: the window stays, with the edit.
QImage escKeepsTheEdits(tour::Context& c) {
    auto view = formulatedBroilerDiet(c);
    view->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    view->show();
    settle();
    auto* grid = view->findChild<QTableWidget*>(QStringLiteral("flexprop"));
    auto* editor = view->findChild<QLineEdit*>(QStringLiteral("txtProp"));
    for (const QString& typed : {QStringLiteral("22"), QStringLiteral("abc")}) {
        grid->setFocus();
        grid->setCurrentCell(rowNamed(grid, QStringLiteral("Proteína bruta")), 3);
        key(grid, Qt::Key_Return);
        editor->setText(typed);
        key(editor, Qt::Key_Return);
    }
    QWidget* focused = QApplication::focusWidget();
    key(focused ? focused : grid, Qt::Key_Escape);
    return withCaption(*view);
}

// "Ver Nutrientes" on the maize row: the composition editor, captioned with the ingredient.
QImage compositionFromTheWorkspace(tour::Context& c) {
    auto view = formulatedBroilerDiet(c);
    auto* grid = view->findChild<QTableWidget*>(QStringLiteral("flexprod"));
    grid->setCurrentCell(rowNamed(grid, QStringLiteral("Maíz amarillo grano")), 1);
    QImage picture;
    widgets::ScopedModalRunner grab([&](QDialog& d) {
        d.resize(560, 420);
        picture = withCaption(d);
        return int(QDialog::Accepted);
    });
    view->findChild<QPushButton*>(QStringLiteral("cmdNutrientes"))->click();
    return picture;
}

// 700 of the 1000 as maize bring more energy than a maximum of 2.0 allows: no mix meets every
// limit. The rows show what the run left, in bold only where a figure shows.
std::unique_ptr<QWidget> afterAnInfeasibleRun(tour::Context& c) {
    auto view = formulatedBroilerDiet(c);
    for (workspace::FormulaIngredient& p : view->workspace().ingredients)
        if (p.nombre.trimmed() == QStringLiteral("Maíz amarillo grano"))
            p.minimo = 700.0;
    for (workspace::FormulaNutrient& n : view->workspace().nutrients) {
        if (n.nombre.trimmed() == QStringLiteral("Energía metabolizable aves")) {
            n.minimo.reset();
            n.maximo = 2.0;
        }
    }
    widgets::ScopedModalRunner conflict([](QDialog&) { return int(QDialog::Accepted); });
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

std::unique_ptr<QWidget> limitsTab(tour::Context& c) {
    auto view = formulatedBroilerDiet(c);
    view->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    return view;
}

// The composition view reads the matrix the window builds for it from the formulated mix.
QImage composition(tour::Context& c) {
    const auto window = formulatedBroilerDiet(c);
    workspace::buildComposition(window->workspace(), c.db);
    workspace::frmResultados view(window->workspace());
    view.show();
    settle();
    // Scrolled to the foot: the totals row is read whole, in bold.
    view.findChild<QTableWidget*>(QStringLiteral("FlexGrid1"))->scrollToBottom();
    settle();
    return view.grab().toImage();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmoptimizacion"), ingredientTab, nullptr});
    all.push_back({QStringLiteral("frmoptimizacion_nutrientes"), nutrientTab, nullptr});
    all.push_back({QStringLiteral("frmoptimizacion_relaciones"), limitsTab, nullptr});
    all.push_back({QStringLiteral("frmResultados"), nullptr, composition});
    all.push_back({QStringLiteral("frmoptimizacion_esc"), nullptr, escKeepsTheEdits});
    all.push_back({QStringLiteral("frmproducto_propiedades_optimizacion"), nullptr,
                   compositionFromTheWorkspace});
    all.push_back({QStringLiteral("frmoptimizacion_infactible"), afterAnInfeasibleRun, nullptr});
});

} // namespace
