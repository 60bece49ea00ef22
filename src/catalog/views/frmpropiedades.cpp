#include "catalog/views/frmpropiedades.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/nutrient_search.h"
#include "catalog/nutrients.h"
#include "catalog/views/frmpropiedad.h"
#include "catalog/views/view_support.h"
#include "printing/views/report_preview.h"
#include "store/database.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace catalog {

using widgets::button;
using widgets::named;

frmpropiedades::frmpropiedades(store::Database& db, keys::ListMode mode, QWidget* parent)
    : QDialog(parent), db_(db), mode_(mode) {
    setObjectName(QStringLiteral("frmpropiedades"));
    setWindowTitle(QStringLiteral("Nutrientes"));
    buildControls();

    const bool pick = mode_ == keys::ListMode::Pick;
    for (QPushButton* b : {cmdAdd, cmdEditar, cmdDelete, cmdPrint, cmdClose})
        b->setVisible(!pick);
    Command3->setVisible(pick);
    Command4->setVisible(pick);

    keys::searchOnEnter({Text1}, [this] { Command1->click(); });
    keys::escapeRunsCancel(this, Command3);
    keys::listGridActivation(
        FlexGrid1, [this] { return mode_; }, cmdEditar, Command4);

    source_ = kNutrientListSql;
    loading_ = true;
    requery();
    actu_flexgrid1();
    loading_ = false;
}

frmpropiedades::~frmpropiedades() = default;

void frmpropiedades::buildControls() {
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Command1 = button(Frame1, "Command1", QStringLiteral("&Buscar"));
    auto* panel = new QHBoxLayout(Frame1);
    panel->addWidget(new QLabel(QStringLiteral("Descripción"), Frame1));
    panel->addWidget(Text1, 1);
    panel->addWidget(Command1);

    FlexGrid1 = named<QTableWidget>(this, "FlexGrid1");
    binding_ = new GridBinding(FlexGrid1);
    FlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    binding_->setColumns(nutrientColumns());
    binding_->setFillColumn(kNutrientFillColumn);

    cmdAdd = button(this, "cmdAdd", QStringLiteral("&Nuevo"));
    cmdEditar = button(this, "cmdEditar", QStringLiteral("E&ditar"));
    cmdDelete = button(this, "cmdDelete", QStringLiteral("&Eliminar"));
    cmdPrint = button(this, "cmdPrint", QStringLiteral("&Imprimir"));
    cmdClose = button(this, "cmdClose", QStringLiteral("&Salir"));
    Command4 = button(this, "Command4", QStringLiteral("&Aceptar"));
    Command3 = button(this, "Command3", QStringLiteral("&Cancelar"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, cmdEditar, cmdDelete, cmdPrint})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {Command4, Command3, cmdClose})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(FlexGrid1, 1);
    layout->addLayout(buttons);
    resize(520, 480);

    connect(Command1, &QPushButton::clicked, this, &frmpropiedades::Command1_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmpropiedades::cmdAdd_Click);
    connect(cmdEditar, &QPushButton::clicked, this, &frmpropiedades::cmdEditar_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmpropiedades::cmdDelete_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmpropiedades::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(Command4, &QPushButton::clicked, this, &frmpropiedades::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &frmpropiedades::Command3_Click);
}

void frmpropiedades::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (Frame1->isVisible())
        Text1->setFocus(Qt::OtherFocusReason);
}

void frmpropiedades::requery() {
    try {
        rs_ = db_.query(source_);
    } catch (const store::StoreError& e) {
        rs_ = store::RecordSet();
        views::showErrorView(app::dataErrorText(0), e);
    }
}

void frmpropiedades::Command1_Click() {
    app::BusyPointer busy;
    source_ = nutrientSearchSql(Text1->text());
    requery();
    actu_flexgrid1();
}

void frmpropiedades::actu_flexgrid1() {
    binding_->bind(rs_);
    const int dataRows = binding_->dataRowCount();
    if (dataRows > 0) {
        if (rowToReselect_ >= 1 && rowToReselect_ <= dataRows) {
            FlexGrid1->setCurrentCell(rowToReselect_ - 1, kNutrientFillColumn);
            FlexGrid1->scrollToItem(FlexGrid1->item(rowToReselect_ - 1, kNutrientFillColumn),
                                    QAbstractItemView::PositionAtTop);
        }
        if (!loading_)
            FlexGrid1->setFocus(Qt::OtherFocusReason);
    }
}

QString frmpropiedades::cell(int row, int column) const {
    const QTableWidgetItem* item = FlexGrid1->item(row, column);
    return item ? item->text() : QString();
}

int frmpropiedades::checkedRow(bool needName) {
    const int row = FlexGrid1->currentRow();
    if (row < 0 || row >= binding_->dataRowCount())
        return -1;
    if (binding_->boundField(0) != QLatin1String("id_propiedad")) {
        msg::msgBox(texts::kCampoIdPropiedad, msg::Critical);
        return -1;
    }
    if (needName && binding_->boundField(1) != QLatin1String("nombre")) {
        msg::msgBox(texts::kCampoNombre, msg::Critical);
        return -1;
    }
    return row;
}

void frmpropiedades::cmdAdd_Click() {
    {
        app::BusyPointer busy;
        frmpropiedad editor(db_, 0);
        busy.release();
        widgets::openModal(editor);
    }
    requery();
    actu_flexgrid1();
}

void frmpropiedades::cmdEditar_Click() {
    const int row = checkedRow(false);
    if (row < 0)
        return;
    {
        app::BusyPointer busy;
        frmpropiedad editor(db_, cell(row, 0).toInt());
        busy.release();
        widgets::openModal(editor);
    }
    rowToReselect_ = row + 1;
    Command1->click();
}

void frmpropiedades::cmdDelete_Click() {
    const int row = checkedRow(true);
    if (row < 0)
        return;
    rowToReselect_ = row + 1;
    const int id = cell(row, 0).toInt();
    const QString name = cell(row, 1);
    try {
        const int formulas = formulasUsingNutrient(db_, id);
        if (msg::msgBox(texts::askDeleteNutrient(name, formulas), msg::Question) != msg::Yes)
            return;
        if (nutrientHasIngredients(db_, id) &&
            msg::msgBox(texts::askDeleteNutrientWithIngredients(name), msg::Question) != msg::Yes)
            return;
        deleteNutrient(db_, id);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
    }
    requery();
    actu_flexgrid1();
}

void frmpropiedades::cmdPrint_Click() {
    if (!cmdPrint->isEnabled() || rs_.count() < 1)
        return;
    printing::previewNutrientReport(rs_, this);
}

void frmpropiedades::Command4_Click() {
    const int row = checkedRow(true);
    if (row < 0)
        return;
    pick_ = NutrientPick{cell(row, 0).toInt(), cell(row, 1)};
    accept();
}

void frmpropiedades::Command3_Click() {
    pick_.reset();
    reject();
}

} // namespace catalog
