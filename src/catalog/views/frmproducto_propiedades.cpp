#include "catalog/views/frmproducto_propiedades.h"

#include "app/grid_style.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/composition.h"
#include "catalog/views/frmpropiedades.h"
#include "catalog/views/view_support.h"
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

namespace {

constexpr int kValueColumn = 3;
constexpr int kNameColumn = 2;
// The background that marks a nutrient just added, with white text.
constexpr long kAddedRow = grid::rgbLong(0, 128, 128);

} // namespace

frmproducto_propiedades::frmproducto_propiedades(store::Database& db, int idProducto,
                                                 QWidget* parent)
    : QDialog(parent), db_(db), idProducto_(idProducto) {
    setObjectName(QStringLiteral("frmproducto_propiedades"));
    buildControls();

    keys::searchOnEnter({Text1}, [this] { Command1->click(); });
    keys::onGridActivation(FlexGrid1, [this] { cmdEditar->click(); });
    editor_ = new keys::InGridEditor(txt_aux, FlexGrid1);
    editor_->setUnconfirmed([this](const QString& text) { return unconfirmedEnd(text); });
    editor_->setCommit([this](const QString& text) { return commitValue(text); });

    Command1_Click();
}

frmproducto_propiedades::~frmproducto_propiedades() = default;

void frmproducto_propiedades::buildControls() {
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Command1 = button(Frame1, "Command1", QStringLiteral("Buscar"));
    auto* panel = new QHBoxLayout(Frame1);
    panel->addWidget(new QLabel(QStringLiteral("Buscar"), Frame1));
    panel->addWidget(Text1, 1);
    panel->addWidget(Command1);

    FlexGrid1 = new QTableWidget(this);
    FlexGrid1->setObjectName(QStringLiteral("FlexGrid1"));
    binding_ = new GridBinding(FlexGrid1);
    FlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    binding_->setColumns(compositionColumns());
    txt_aux = new QLineEdit(this);
    txt_aux->setObjectName(QStringLiteral("txt_aux"));
    txt_aux->setAlignment(Qt::AlignRight);

    cmdNuevo = button(this, "cmdNuevo", QStringLiteral("&Nuevo"));
    cmdEditar = button(this, "cmdEditar", QStringLiteral("Editar"));
    cmdDelete = button(this, "cmdDelete", QStringLiteral("&Eliminar"));
    cmdrequery = button(this, "cmdrequery", QStringLiteral("Refrescar"));
    cmdClose = button(this, "cmdClose", QStringLiteral("Salir"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdNuevo, cmdEditar, cmdDelete, cmdrequery})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(FlexGrid1, 1);
    layout->addLayout(buttons);
    resize(grid::twipsToPixels(5130 + 1300) + 60, 520);

    connect(Command1, &QPushButton::clicked, this, &frmproducto_propiedades::Command1_Click);
    connect(cmdNuevo, &QPushButton::clicked, this, &frmproducto_propiedades::cmdNuevo_Click);
    connect(cmdEditar, &QPushButton::clicked, this, &frmproducto_propiedades::cmdEditar_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmproducto_propiedades::cmdDelete_Click);
    connect(cmdrequery, &QPushButton::clicked, this, &frmproducto_propiedades::cmdrequery_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

void frmproducto_propiedades::requery() {
    try {
        rs_ = db_.query(compositionSql(idProducto_, Text1->text()));
    } catch (const store::StoreError& e) {
        rs_ = store::RecordSet();
        msg::msgBox(texts::kDataErrorPrefix + e.message());
    }
}

void frmproducto_propiedades::Command1_Click() {
    requery();
    actu_flexgrid1();
}

void frmproducto_propiedades::cmdrequery_Click() {
    requery();
    actu_flexgrid1();
}

void frmproducto_propiedades::actu_flexgrid1() {
    std::vector<grid::Column> columns = compositionColumns();
    columns[kNameColumn].widthTwips = compositionNameWidth(rs_.count());
    binding_->setColumns(columns);
    binding_->bind(rs_);
    // No "No hubo coincidencias" here: an ingredient without values shows an empty grid.
    binding_->setNoMatchVisible(false);
    if (binding_->dataRowCount() > 0)
        FlexGrid1->setCurrentCell(0, kNameColumn);
}

QString frmproducto_propiedades::cell(int row, int column) const {
    const QTableWidgetItem* item = FlexGrid1->item(row, column);
    return item ? item->text() : QString();
}

bool frmproducto_propiedades::layoutOk() {
    const std::pair<int, const char*> expected[] = {
        {0, "id_producto"}, {1, "id_propiedad"}, {kNameColumn, "nombre"}};
    const QString* messages[] = {&texts::kCompIdProducto, &texts::kCompIdPropiedad,
                                 &texts::kCompNombre};
    for (int i = 0; i < 3; ++i) {
        if (binding_->boundField(expected[i].first) != QLatin1String(expected[i].second)) {
            msg::msgBox(*messages[i], msg::Critical);
            return false;
        }
    }
    return true;
}

void frmproducto_propiedades::cmdEditar_Click() {
    const int row = FlexGrid1->currentRow();
    if (row < 0 || row >= binding_->dataRowCount() || editor_->isEditing() || !layoutOk())
        return;
    editRow_ = row;
    editIdProducto_ = cell(row, 0).toInt();
    editIdPropiedad_ = cell(row, 1).toInt();
    editName_ = cell(row, kNameColumn).trimmed();
    startValue_ = startValueOf(cell(row, kValueColumn));
    editor_->begin(row, kValueColumn, cell(row, kValueColumn));
}

int frmproducto_propiedades::unconfirmedEnd(const QString& text) {
    if (editUnchanged(text, startValue_))
        return keys::InGridEditor::Escape;
    return msg::msgBox(texts::askSaveValue(text, editName_), msg::Question) == msg::Yes
               ? keys::InGridEditor::Enter
               : keys::InGridEditor::Escape;
}

bool frmproducto_propiedades::commitValue(const QString& text) {
    if (editUnchanged(text, startValue_))
        return true; // the same value is never written again
    const std::optional<double> value = valueToStore(text);
    if (!value) {
        msg::msgBox(texts::kValorNoNumerico, msg::Critical);
        return false;
    }
    try {
        if (!updateCompositionValue(db_, editIdProducto_, editIdPropiedad_, *value))
            msg::msgBox(texts::kNoActualizoValor, msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(texts::kDataErrorPrefix + e.message());
    }
    requery();
    actu_flexgrid1();
    return true;
}

void frmproducto_propiedades::cmdNuevo_Click() {
    int picked = 0;
    {
        frmpropiedades list(db_, keys::ListMode::Pick);
        views::placeBelowRight(&list, this);
        widgets::openModal(list);
        if (list.pick())
            picked = list.pick()->id;
    }
    if (picked <= 0)
        return;
    try {
        if (addNutrientToIngredient(db_, idProducto_, picked) == AddOutcome::AlreadyPresent) {
            msg::msgBox(texts::kNutrienteYaAsignado, msg::Critical);
            return;
        }
    } catch (const store::StoreError& e) {
        msg::msgBox(texts::kDataErrorPrefix + e.message());
        return;
    }
    requery();
    actu_flexgrid1();
    for (int r = 0; r < binding_->dataRowCount(); ++r) {
        if (cell(r, 1).toInt() != picked)
            continue;
        grid::CellStyle marked;
        marked.text = cell(r, kNameColumn);
        marked.background = kAddedRow;
        marked.foreground = grid::kWhite;
        binding_->paintCell(r, kNameColumn, marked);
        FlexGrid1->setCurrentCell(r, kValueColumn);
        FlexGrid1->setFocus(Qt::OtherFocusReason);
        cmdEditar_Click();
        break;
    }
}

void frmproducto_propiedades::cmdDelete_Click() {
    if (!cmdDelete->isEnabled())
        return;
    const int row = FlexGrid1->currentRow();
    if (row < 0 || row >= binding_->dataRowCount() || !layoutOk())
        return;
    const int idProducto = cell(row, 0).toInt();
    const int idPropiedad = cell(row, 1).toInt();
    if (msg::msgBox(texts::askDeleteComposition(cell(row, kNameColumn)), msg::QuestionDefaultNo) !=
        msg::Yes)
        return;
    try {
        deleteComposition(db_, idProducto, idPropiedad);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
    }
    requery();
    actu_flexgrid1();
}

} // namespace catalog
