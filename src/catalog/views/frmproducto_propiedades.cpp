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
constexpr int kDeviationColumn = 4;
constexpr int kNameColumn = 2;
constexpr int kSourceColumn = 5; // read only: where the value comes from
// The background that marks a nutrient just added, with white text.
constexpr long kAddedRow = grid::rgbLong(0, 128, 128);

} // namespace

frmproducto_propiedades::frmproducto_propiedades(store::Database& db, int idProducto,
                                                 QWidget* parent)
    : QDialog(parent), db_(db), idProducto_(idProducto) {
    setObjectName(QStringLiteral("frmproducto_propiedades"));
    buildControls();

    keys::searchOnEnter({nameFilter}, [this] { searchButton->click(); });
    keys::onGridActivation(valuesGrid, [this] { cmdEditar->click(); });
    editor_ = new keys::InGridEditor(txt_aux, valuesGrid);
    editor_->setUnconfirmed([this](const QString& text) { return unconfirmedEnd(text); });
    editor_->setCommit([this](const QString& text) { return commitValue(text); });

    search();
}

frmproducto_propiedades::~frmproducto_propiedades() = default;

void frmproducto_propiedades::buildControls() {
    searchBox = new QGroupBox(this);
    searchBox->setObjectName(QStringLiteral("Frame1"));
    nameFilter = new QLineEdit(searchBox);
    nameFilter->setObjectName(QStringLiteral("Text1"));
    searchButton = button(searchBox, "Command1", QStringLiteral("Buscar"));
    auto* panel = new QHBoxLayout(searchBox);
    panel->addWidget(new QLabel(QStringLiteral("Buscar"), searchBox));
    panel->addWidget(nameFilter, 1);
    panel->addWidget(searchButton);

    valuesGrid = new QTableWidget(this);
    valuesGrid->setObjectName(QStringLiteral("FlexGrid1"));
    binding_ = new GridBinding(valuesGrid);
    valuesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    binding_->setColumns(compositionColumns());
    binding_->setFillColumn(kSourceColumn);
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
    layout->addWidget(searchBox);
    layout->addWidget(valuesGrid, 1);
    layout->addLayout(buttons);
    resize(grid::twipsToPixels(5130 + 1300 + 1100 + 2400) + 60, 520);

    connect(searchButton, &QPushButton::clicked, this, &frmproducto_propiedades::search);
    connect(cmdNuevo, &QPushButton::clicked, this, &frmproducto_propiedades::cmdNuevo_Click);
    connect(cmdEditar, &QPushButton::clicked, this, &frmproducto_propiedades::cmdEditar_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmproducto_propiedades::cmdDelete_Click);
    connect(cmdrequery, &QPushButton::clicked, this, &frmproducto_propiedades::cmdrequery_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

void frmproducto_propiedades::requery() {
    try {
        rs_ = db_.query(compositionSql(idProducto_, nameFilter->text()));
    } catch (const store::StoreError& e) {
        rs_ = store::RecordSet();
        msg::msgBox(texts::kDataErrorPrefix + e.message());
    }
}

void frmproducto_propiedades::search() {
    requery();
    fillGrid();
}

void frmproducto_propiedades::cmdrequery_Click() {
    requery();
    fillGrid();
}

void frmproducto_propiedades::fillGrid() {
    std::vector<grid::Column> columns = compositionColumns();
    columns[kNameColumn].widthTwips = compositionNameWidth(rs_.count());
    binding_->setColumns(columns);
    binding_->bind(rs_);
    // No "No hubo coincidencias" here: an ingredient without values shows an empty grid.
    binding_->setNoMatchVisible(false);
    if (binding_->dataRowCount() > 0)
        valuesGrid->setCurrentCell(0, kNameColumn);
}

QString frmproducto_propiedades::cell(int row, int column) const {
    const QTableWidgetItem* item = valuesGrid->item(row, column);
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
    const int row = valuesGrid->currentRow();
    if (row < 0 || row >= binding_->dataRowCount() || editor_->isEditing() || !layoutOk())
        return;
    editRow_ = row;
    // The deviation is edited when its cell is the current one, the value otherwise.
    editColumn_ = valuesGrid->currentColumn() == kDeviationColumn ? kDeviationColumn : kValueColumn;
    editIdProducto_ = cell(row, 0).toInt();
    editIdPropiedad_ = cell(row, 1).toInt();
    editName_ = cell(row, kNameColumn).trimmed();
    startText_ = cell(row, editColumn_);
    startValue_ = startValueOf(cell(row, kValueColumn));
    editor_->begin(row, editColumn_, startText_);
}

int frmproducto_propiedades::unconfirmedEnd(const QString& text) {
    if (editColumn_ == kDeviationColumn ? deviationUnchanged(text, startText_)
                                        : editUnchanged(text, startValue_))
        return keys::InGridEditor::Escape;
    return msg::msgBox(texts::askSaveValue(text, editName_), msg::Question) == msg::Yes
               ? keys::InGridEditor::Enter
               : keys::InGridEditor::Escape;
}

bool frmproducto_propiedades::commitDeviation(const QString& text) {
    if (deviationUnchanged(text, startText_))
        return true;
    const DeviationEntry entry = deviationToStore(text);
    if (!entry.refusal.isEmpty()) {
        msg::msgBox(entry.refusal, msg::Critical);
        return false;
    }
    try {
        if (!saveCompositionDeviation(db_, editIdProducto_, editIdPropiedad_, entry.desvio))
            msg::msgBox(texts::kNoActualizoValor, msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(texts::kDataErrorPrefix + e.message());
    }
    requery();
    fillGrid();
    return true;
}

bool frmproducto_propiedades::commitValue(const QString& text) {
    if (editColumn_ == kDeviationColumn)
        return commitDeviation(text);
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
    fillGrid();
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
    fillGrid();
    for (int r = 0; r < binding_->dataRowCount(); ++r) {
        if (cell(r, 1).toInt() != picked)
            continue;
        grid::CellStyle marked;
        marked.text = cell(r, kNameColumn);
        marked.background = kAddedRow;
        marked.foreground = grid::kWhite;
        binding_->paintCell(r, kNameColumn, marked);
        valuesGrid->setCurrentCell(r, kValueColumn);
        valuesGrid->setFocus(Qt::OtherFocusReason);
        cmdEditar_Click();
        break;
    }
}

void frmproducto_propiedades::cmdDelete_Click() {
    if (!cmdDelete->isEnabled())
        return;
    const int row = valuesGrid->currentRow();
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
    fillGrid();
}

} // namespace catalog
