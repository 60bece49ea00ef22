#include "book/views/frmReformular.h"

#include "app/busy_pointer.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/modal.h"
#include "book/comparison.h"
#include "book/views/frmComparar.h"
#include "book/worklist_grid.h"
#include "book/worklist_printout.h"
#include "catalog/views/frmproductos.h"
#include "printing/page_canvas.h"
#include "printing/views/print_services.h"
#include "store/database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace book {

namespace {

const QString kTitle = QStringLiteral("Reformulación de fórmulas");

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength = 100) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(maxLength);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

frmReformular::frmReformular(store::Database& db, QWidget* parent) : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("frmReformular"));
    setWindowTitle(kTitle);
    summary_ = new QLabel(QStringLiteral("Elija las fórmulas y presione Reformular."), this);
    summary_->setObjectName(QStringLiteral("lblResumen"));
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("FlexGrid1"));
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    binding_ = new GridBinding(grid_);
    binding_->setColumns(worklistColumns());
    binding_->setFillColumn(kWorklistFillColumn);
    binding_->setFitCaptions(true);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->horizontalHeader()->setSectionsClickable(true);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, &frmReformular::sortBy);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &frmReformular::compare);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildSelection());
    layout->addWidget(summary_);
    layout->addWidget(grid_, 1);
    layout->addWidget(buildButtons());
    resize(1280, 620);
    showRows();
}

QWidget* frmReformular::buildSelection() {
    auto* box = new QGroupBox(QStringLiteral("Fórmulas a reformular"), this);
    box->setObjectName(QStringLiteral("Frame1"));
    codeFrom_ = lineEdit(box, "Text1", 20);
    codeTo_ = lineEdit(box, "Text2", 20);
    product_ = lineEdit(box, "Text3");
    ingredient_ = lineEdit(box, "Text11");
    ingredient_->setReadOnly(true);
    auto* pick = button(box, "Command5", QStringLiteral("..."));
    pick->setToolTip(QStringLiteral("Solo las fórmulas que usan este ingrediente"));
    pick->setFixedWidth(pick->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    highestOnly_ = new QCheckBox(QStringLiteral("Solo la versión más alta de cada código"), box);
    highestOnly_->setObjectName(QStringLiteral("Check1"));
    highestOnly_->setChecked(true);
    auto* run = button(box, "cmdReformular", QStringLiteral("&Reformular"));
    run->setDefault(true);

    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Código"), box), 0, 0);
    grid->addWidget(codeFrom_, 0, 1);
    grid->addWidget(codeTo_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Producto"), box), 0, 3);
    grid->addWidget(product_, 0, 4, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Ingrediente"), box), 1, 0);
    grid->addWidget(ingredient_, 1, 1, 1, 2);
    grid->addWidget(pick, 1, 3);
    grid->addWidget(highestOnly_, 1, 4);
    grid->addWidget(run, 1, 5);
    grid->setColumnStretch(4, 1);
    connect(pick, &QPushButton::clicked, this, &frmReformular::chooseIngredient);
    connect(run, &QPushButton::clicked, this, &frmReformular::reformulate);
    return box;
}

QWidget* frmReformular::buildButtons() {
    auto* row = new QWidget(this);
    openButton_ = button(row, "cmdAbrir", QStringLiteral("&Abrir en Optimización"));
    compareButton_ = button(row, "cmdComparar", QStringLiteral("C&omparar"));
    saveButton_ = button(row, "cmdGrabar", QStringLiteral("&Grabar como nuevas versiones"));
    printButton_ = button(row, "cmdImprimir", QStringLiteral("&Imprimir"));
    pdfButton_ = button(row, "cmdPdf", QStringLiteral("Guardar P&DF"));
    auto* close = button(row, "cmdClose", QStringLiteral("&Salir"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : {openButton_, compareButton_, saveButton_, printButton_, pdfButton_})
        layout->addWidget(b);
    layout->addStretch(1);
    layout->addWidget(close);
    connect(openButton_, &QPushButton::clicked, this, &frmReformular::openInWorkspace);
    connect(compareButton_, &QPushButton::clicked, this, &frmReformular::compare);
    connect(saveButton_, &QPushButton::clicked, this, &frmReformular::saveVersions);
    connect(printButton_, &QPushButton::clicked, this, &frmReformular::print);
    connect(pdfButton_, &QPushButton::clicked, this, &frmReformular::savePdf);
    connect(close, &QPushButton::clicked, this, &frmReformular::reject);
    return row;
}

void frmReformular::chooseIngredient() {
    std::optional<catalog::IngredientPick> picked;
    {
        catalog::frmproductos pick(db_, keys::ListMode::Pick, this);
        widgets::openModal(pick);
        picked = pick.pick();
    }
    ingredientId_ = picked && picked->id > 0 ? picked->id : 0;
    ingredient_->setText(ingredientId_ ? picked->name : QString());
}

void frmReformular::reformulate() {
    if (std::any_of(run_.rows().begin(), run_.rows().end(),
                    [](const WorklistRow& r) { return r.savable(); }) &&
        msg::msgBox(QStringLiteral("Hay fórmulas reformuladas sin grabar. ¿Desea reformular de "
                                   "nuevo?"),
                    msg::QuestionDefaultNo) != msg::Yes)
        return;
    Selection selection;
    selection.filter.codeFrom = codeFrom_->text();
    selection.filter.codeTo = codeTo_->text();
    selection.filter.product = product_->text();
    selection.filter.ingredientId = ingredientId_;
    selection.highestVersionOnly = highestOnly_->isChecked();
    std::vector<ChosenFormula> chosen;
    try {
        app::BusyPointer busy;
        chosen = chooseFormulas(db_, selection);
    } catch (const store::StoreError& e) {
        msg::msgBox(e.message(), msg::Critical);
        return;
    }
    if (chosen.empty()) {
        // The user agreed to start again: the old list goes, and the grid says nothing matched.
        run_ = Reformulation();
        searched_ = true;
        showRows();
        summary_->setText(QStringLiteral("Ninguna fórmula cumple con la selección."));
        return;
    }
    // The dialog shows itself only for a run of over a second; Esc or its button cancel.
    QProgressDialog progress(QStringLiteral("Reformulando fórmulas…"), QStringLiteral("&Cancelar"),
                             0, int(chosen.size()), this);
    progress.setObjectName(QStringLiteral("dlgProgreso"));
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    Reformulation run;
    Reformulation::Control control;
    control.progress = [&](int done, int) { progress.setValue(done); };
    control.cancelled = [&] { return progress.wasCanceled(); };
    bool completed = false;
    try {
        app::BusyPointer busy;
        completed = run.run(db_, chosen, control);
    } catch (const store::StoreError& e) {
        progress.reset();
        msg::msgBox(e.message(), msg::Critical);
        return;
    }
    progress.reset();
    run_ = std::move(run);
    searched_ = true;
    order_ = sortedRows(run_.rows(), sortColumn_, ascending_);
    showRows();
    if (!completed)
        summary_->setText(summary_->text() +
                          QStringLiteral(" (cancelada: %1 de %2 fórmulas reformuladas)")
                              .arg(run_.rows().size())
                              .arg(chosen.size()));
}

void frmReformular::sortBy(int column) {
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    order_ = sortedRows(run_.rows(), sortColumn_, ascending_);
    showRows();
}

void frmReformular::showRows() {
    const std::vector<WorklistRow>& rows = run_.rows();
    if (order_.size() != rows.size())
        order_ = sortedRows(rows, sortColumn_, ascending_);
    // The sort arrow is in the sorted column's caption, where it covers no text.
    binding_->show(worklistGrid(rows, order_, sortColumn_, ascending_));
    binding_->setNoMatchVisible(searched_ && rows.empty());
    for (int r = 0; r < int(order_.size()); ++r)
        for (int c = 0; c < kWorklistColumns; ++c)
            if (QTableWidgetItem* item = grid_->item(r, c))
                item->setToolTip(worklistTip(rows[size_t(order_[size_t(r)])], c));
    if (!rows.empty())
        summary_->setText(run_.summary());
    const bool any = !rows.empty();
    for (QPushButton* b : {openButton_, compareButton_, saveButton_, printButton_, pdfButton_})
        b->setEnabled(any);
}

int frmReformular::currentRow() const {
    const int r = grid_->currentRow();
    return r >= 0 && r < int(order_.size()) ? order_[size_t(r)] : -1;
}

std::vector<int> frmReformular::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
        if (index.row() < int(order_.size()))
            rows.push_back(order_[size_t(index.row())]);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void frmReformular::openInWorkspace() {
    const int r = currentRow();
    if (r < 0)
        return;
    // A mix not saved yet opens as the worklist shows it: re-formulated at today's prices,
    // unsaved; a saved one opens as stored, and a formula without a new mix as it was.
    if (const auto unsaved = run_.unsaved(r)) {
        workspace::frmoptimizacion window(db_, unsaved->ws, unsaved->header, this);
        widgets::openModal(window);
        return;
    }
    const WorklistRow& row = run_.rows()[size_t(r)];
    app::BusyPointer busy; // while the workspace loads the formula
    workspace::frmoptimizacion window(db_, row.idNuevo ? row.idNuevo : row.idFormula, this);
    busy.release();
    widgets::openModal(window);
}

void frmReformular::compare() {
    const int r = currentRow();
    if (r < 0)
        return;
    if (!run_.before(r) || !run_.after(r)) {
        msg::msgBox(QStringLiteral("La fórmula %1 no tiene una mezcla reformulada para comparar.")
                        .arg(run_.rows()[size_t(r)].codigo),
                    msg::Exclamation);
        return;
    }
    frmComparar view(compareFormulas(*run_.before(r), *run_.after(r)), this);
    widgets::openModal(view);
}

void frmReformular::saveVersions() {
    std::vector<int> rows = selectedRows();
    const auto savable = std::count_if(rows.begin(), rows.end(),
                                       [&](int r) { return run_.rows()[size_t(r)].savable(); });
    if (savable == 0) {
        msg::msgBox(QStringLiteral("Seleccione fórmulas con una mezcla óptima que no se haya "
                                   "grabado todavía."),
                    msg::Exclamation);
        return;
    }
    const auto unsaved = std::count_if(run_.rows().begin(), run_.rows().end(),
                                       [](const WorklistRow& r) { return r.savable(); });
    if (msg::msgBox(saveQuestion(int(savable), int(unsaved)), msg::Question) != msg::Yes)
        return;
    std::vector<int> saved;
    try {
        app::BusyPointer busy;
        saved = run_.save(db_, rows);
    } catch (const store::StoreError& e) {
        msg::msgBox(QStringLiteral("No se grabó ninguna versión nueva.\n\nDetalle: ") + e.message(),
                    msg::Critical);
        return;
    }
    showRows();
    msg::msgBox(savedMessage(int(saved.size())));
}

void frmReformular::print() {
    const auto draw = [this](printing::PageCanvas& canvas) {
        drawWorklist(canvas, run_.rows(), order_, run_.summary(), QDate::currentDate());
    };
    if (!printing::printServices().hasPrinter()) {
        if (msg::msgBox(QStringLiteral("No hay ninguna impresora instalada. ¿Desea guardar la "
                                       "lista como PDF?"),
                        msg::Question) == msg::Yes)
            printing::savePdfAndOpen(this, QStringLiteral("reformulacion.pdf"), kTitle, draw);
        return;
    }
    app::BusyPointer busy;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(kTitle);
    QPainter painter;
    if (!painter.begin(&printer)) {
        busy.release();
        msg::msgBox(QStringLiteral("No se pudo imprimir en la impresora \"%1\".")
                        .arg(printer.printerName()),
                    msg::Critical);
        return;
    }
    printing::PainterCanvas canvas(painter);
    draw(canvas);
    painter.end();
}

void frmReformular::savePdf() {
    printing::savePdfAndOpen(
        this, QStringLiteral("reformulacion.pdf"), kTitle, [this](printing::PageCanvas& canvas) {
            drawWorklist(canvas, run_.rows(), order_, run_.summary(), QDate::currentDate());
        });
}

void frmReformular::reject() {
    const bool unsaved = std::any_of(run_.rows().begin(), run_.rows().end(),
                                     [](const WorklistRow& r) { return r.savable(); });
    if (unsaved &&
        msg::msgBox(QStringLiteral("Hay fórmulas reformuladas sin grabar. ¿Desea salir de todos "
                                   "modos?"),
                    msg::QuestionDefaultNo) != msg::Yes)
        return;
    QDialog::reject();
}

} // namespace book
