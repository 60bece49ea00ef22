#include "catalog/views/frmproductos.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/ingredients.h"
#include "catalog/views/frmproducto.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/frmpropiedades.h"
#include "catalog/views/view_support.h"
#include "printing/views/report_preview.h"
#include "store/database.h"

#include <QComboBox>
#include <QGridLayout>
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

frmproductos::frmproductos(store::Database& db, keys::ListMode mode, QWidget* parent)
    : QDialog(parent), db_(db), mode_(mode) {
    setObjectName(QStringLiteral("frmproductos"));
    setWindowTitle(QStringLiteral("Ingredientes"));
    buildControls();

    const bool pick = mode_ == keys::ListMode::Pick;
    for (QPushButton* b : {cmdAdd, cmdDelete, cmdEditar, CmdPropiedades, cmdPrint, cmdClose})
        b->setVisible(!pick);
    Command3->setVisible(pick);
    Command4->setVisible(pick);

    keys::searchOnEnter({Text1, Text2, Text3, Text4, Text5, Text7, Text8, Combo1},
                        [this] { Command1->click(); });
    keys::escapeRunsCancel(this, Command3);
    keys::listGridActivation(
        FlexGrid1, [this] { return mode_; }, cmdEditar, Command4);

    rowToReselect_ = 1;
    nutrientFilter_ = 0;
    source_ = kIngredientListSql;
    loading_ = true;
    requery();
    actu_flexgrid1();
    loading_ = false;
}

frmproductos::~frmproductos() = default;

void frmproductos::buildControls() {
    Frame1 = named<QGroupBox>(this, "Frame1");
    Text1 = named<QLineEdit>(Frame1, "Text1");
    Text2 = named<QLineEdit>(Frame1, "Text2");
    Text1->setMaxLength(20);
    Text2->setMaxLength(20);
    Text3 = named<QLineEdit>(Frame1, "Text3");
    Combo1 = named<QComboBox>(Frame1, "Combo1");
    Combo1->addItems(kFilterUnits);
    Combo1->setCurrentIndex(-1);
    Text4 = named<QLineEdit>(Frame1, "Text4");
    Text5 = named<QLineEdit>(Frame1, "Text5");
    Text6 = named<QLineEdit>(Frame1, "Text6");
    Text6->setReadOnly(true);
    Text7 = named<QLineEdit>(Frame1, "Text7");
    Text8 = named<QLineEdit>(Frame1, "Text8");
    Command1 = button(Frame1, "Command1", QStringLiteral("&Buscar"));
    Command2 = button(Frame1, "Command2", QStringLiteral("&Limpiar"));
    Command9 = button(Frame1, "Command9", QStringLiteral("..."));
    Command9->setFixedWidth(32);

    auto* panel = new QGridLayout(Frame1);
    auto label = [this](const QString& text) { return new QLabel(text, Frame1); };
    panel->addWidget(label(QStringLiteral("Código")), 0, 0);
    panel->addWidget(Text1, 0, 1);
    panel->addWidget(Text2, 0, 2);
    panel->addWidget(label(QStringLiteral("Descripción")), 1, 0);
    panel->addWidget(Text3, 1, 1, 1, 2);
    panel->addWidget(label(QStringLiteral("Unidad")), 2, 0);
    panel->addWidget(Combo1, 2, 1);
    panel->addWidget(label(QStringLiteral("Costo")), 0, 4);
    panel->addWidget(Text4, 0, 5);
    panel->addWidget(Text5, 0, 6);
    panel->addWidget(label(QStringLiteral("Nutriente")), 1, 4);
    auto* nutrient = new QHBoxLayout;
    nutrient->addWidget(Text6, 1);
    nutrient->addWidget(Command9);
    panel->addLayout(nutrient, 1, 5, 1, 2);
    panel->addWidget(label(QStringLiteral("Valor")), 2, 4);
    panel->addWidget(Text7, 2, 5);
    panel->addWidget(Text8, 2, 6);
    panel->setColumnMinimumWidth(3, 16);
    panel->addWidget(Command1, 0, 7);
    panel->addWidget(Command2, 1, 7);

    FlexGrid1 = named<QTableWidget>(this, "FlexGrid1");
    binding_ = new GridBinding(FlexGrid1);
    FlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    binding_->setColumns(ingredientColumns());
    binding_->setFillColumn(kIngredientFillColumn);

    cmdAdd = button(this, "cmdAdd", QStringLiteral("&Nuevo"));
    cmdEditar = button(this, "cmdEditar", QStringLiteral("E&ditar"));
    cmdDelete = button(this, "cmdDelete", QStringLiteral("&Eliminar"));
    CmdPropiedades = button(this, "CmdPropiedades", QStringLiteral("&Nutrientes"));
    cmdPrint = button(this, "cmdPrint", QStringLiteral("&Imprimir"));
    cmdClose = button(this, "cmdClose", QStringLiteral("&Salir"));
    Command4 = button(this, "Command4", QStringLiteral("&Aceptar"));
    Command3 = button(this, "Command3", QStringLiteral("&Cancelar"));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, cmdEditar, cmdDelete, CmdPropiedades, cmdPrint})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {Command4, Command3, cmdClose})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(FlexGrid1, 1);
    layout->addLayout(buttons);
    resize(760, 560);

    connect(Command1, &QPushButton::clicked, this, &frmproductos::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmproductos::Command2_Click);
    connect(Command9, &QPushButton::clicked, this, &frmproductos::Command9_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmproductos::cmdAdd_Click);
    connect(cmdEditar, &QPushButton::clicked, this, &frmproductos::cmdEditar_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmproductos::cmdDelete_Click);
    connect(CmdPropiedades, &QPushButton::clicked, this, &frmproductos::CmdPropiedades_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmproductos::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(Command4, &QPushButton::clicked, this, &frmproductos::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &frmproductos::Command3_Click);
}

IngredientFilter frmproductos::filter() const {
    IngredientFilter f;
    f.codeFrom = Text1->text();
    f.codeTo = Text2->text();
    f.name = Text3->text();
    f.unit = Combo1->currentText();
    f.costFrom = Text4->text();
    f.costTo = Text5->text();
    f.nutrientId = nutrientFilter_;
    f.valueFrom = Text7->text();
    f.valueTo = Text8->text();
    return f;
}

bool frmproductos::requery() {
    try {
        rs_ = db_.query(source_);
        return true;
    } catch (const store::StoreError& e) {
        rs_ = store::RecordSet();
        views::showErrorView(app::dataErrorText(0), e);
        return false;
    }
}

void frmproductos::Command1_Click() {
    const IngredientFilter f = filter();
    if (const auto refusal = checkIngredientFilter(f)) {
        msg::msgBox(refusal->message, msg::Critical);
        views::focusControl(this, refusal->control);
        return;
    }
    app::BusyPointer busy;
    source_ = ingredientSearchSql(f);
    requery();
    actu_flexgrid1();
}

void frmproductos::Command2_Click() {
    Combo1->setCurrentIndex(-1);
    for (QLineEdit* t : {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8})
        t->clear();
    nutrientFilter_ = 0;
    rs_.clear();
    binding_->clear();
}

void frmproductos::Command9_Click() {
    std::optional<NutrientPick> picked;
    {
        frmpropiedades list(db_, keys::ListMode::Pick);
        views::placeBelowRight(&list, this);
        widgets::openModal(list);
        picked = list.pick();
    }
    if (!picked || picked->id < 1) {
        nutrientFilter_ = 0;
        Text6->clear();
    } else {
        nutrientFilter_ = picked->id;
        Text6->setText(picked->name);
    }
}

void frmproductos::actu_flexgrid1() {
    binding_->show(ingredientGrid(rs_));
    const int dataRows = binding_->dataRowCount();
    if (dataRows > 0) {
        if (rowToReselect_ >= 1 && rowToReselect_ <= dataRows) {
            FlexGrid1->setCurrentCell(rowToReselect_ - 1, kIngredientFillColumn);
            FlexGrid1->scrollToItem(FlexGrid1->item(rowToReselect_ - 1, kIngredientFillColumn),
                                    QAbstractItemView::PositionAtTop);
        }
        if (!loading_)
            FlexGrid1->setFocus(Qt::OtherFocusReason);
    }
}

QString frmproductos::cell(int row, int column) const {
    const QTableWidgetItem* item = FlexGrid1->item(row, column);
    return item ? item->text() : QString();
}

int frmproductos::checkedRow(bool needCost) {
    const int row = FlexGrid1->currentRow();
    if (row < 0 || row >= binding_->dataRowCount())
        return -1;
    const std::pair<int, const char*> expected[] = {{0, "id_producto"}, {2, "nombre"}};
    const QString* messages[] = {&texts::kCampoIdProducto, &texts::kCampoNombre};
    for (int i = 0; i < 2; ++i) {
        if (binding_->boundField(expected[i].first) != QLatin1String(expected[i].second)) {
            msg::msgBox(*messages[i], msg::Critical);
            return -1;
        }
    }
    if (needCost && binding_->boundField(4) != QLatin1String("costo")) {
        msg::msgBox(texts::kCampoCosto, msg::Critical);
        return -1;
    }
    return row;
}

void frmproductos::cmdAdd_Click() {
    {
        app::BusyPointer busy;
        frmproducto editor(db_, 0);
        busy.release();
        widgets::openModal(editor);
    }
    requery();
    actu_flexgrid1();
}

void frmproductos::cmdEditar_Click() {
    const int row = checkedRow(false);
    if (row < 0)
        return;
    {
        app::BusyPointer busy;
        frmproducto editor(db_, cell(row, 0).toInt());
        busy.release();
        widgets::openModal(editor);
    }
    rowToReselect_ = row + 1;
    Command1->click();
}

void frmproductos::cmdDelete_Click() {
    const int row = checkedRow(false);
    if (row < 0)
        return;
    rowToReselect_ = row + 1;
    const int id = cell(row, 0).toInt();
    const QString name = cell(row, 2).trimmed();
    try {
        const int formulas = formulasUsingIngredient(db_, id);
        if (msg::msgBox(texts::askDeleteIngredient(name, formulas), msg::Question) != msg::Yes)
            return;
        if (ingredientHasNutrients(db_, id) &&
            msg::msgBox(texts::askDeleteIngredientWithNutrients(name), msg::Question) != msg::Yes)
            return;
        deleteIngredient(db_, id);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
    }
    requery();
    actu_flexgrid1();
}

void frmproductos::CmdPropiedades_Click() {
    if (!CmdPropiedades->isEnabled())
        return;
    const int row = checkedRow(false);
    if (row < 0)
        return;
    frmproducto_propiedades values(db_, cell(row, 0).toInt());
    values.setWindowTitle(cell(row, 2).trimmed());
    widgets::openModal(values);
}

void frmproductos::cmdPrint_Click() {
    if (!cmdPrint->isEnabled() || rs_.count() < 1)
        return;
    printing::previewIngredientReport(rs_, this);
}

void frmproductos::Command4_Click() {
    const int row = checkedRow(true);
    if (row < 0)
        return;
    // The cost as stored, not as the grid rounds it.
    pick_ = IngredientPick{cell(row, 0).toInt(), cell(row, 2),
                           rs_.valueAt(row, rs_.fieldIndex(QStringLiteral("costo"))).toDouble()};
    accept();
}

void frmproductos::Command3_Click() {
    pick_.reset();
    reject();
}

} // namespace catalog
