#include "catalog/views/frmpropiedades.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/message_styles.h"
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

namespace catalog {

using widgets::button;
using widgets::named;

frmpropiedades::frmpropiedades(store::Database& db, keys::ListMode mode, QWidget* parent)
    : SearchListDialog(nutrientList(), mode, parent), db_(db) {
    buildSearchPanel();
    buildList();
    keys::searchOnEnter({nameText}, [this] { searchButton->click(); });

    source_ = description().openingStatement;
    loading_ = true;
    requery();
    showRows();
    loading_ = false;
}

frmpropiedades::~frmpropiedades() = default;

void frmpropiedades::buildSearchPanel() {
    nameText = named<QLineEdit>(searchPanel, "Text1");
    searchButton = button(searchPanel, "Command1", QStringLiteral("&Buscar"));
    auto* panel = new QHBoxLayout(searchPanel);
    panel->addWidget(new QLabel(QStringLiteral("Descripción"), searchPanel));
    panel->addWidget(nameText, 1);
    panel->addWidget(searchButton);
    connect(searchButton, &QPushButton::clicked, this, &frmpropiedades::search);
}

void frmpropiedades::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (searchPanel->isVisible())
        nameText->setFocus(Qt::OtherFocusReason);
}

void frmpropiedades::requery() {
    try {
        rs_ = db_.query(source_);
    } catch (const store::StoreError& e) {
        rs_ = store::RecordSet();
        views::showErrorView(app::dataErrorText(0), e);
    }
}

void frmpropiedades::search() {
    app::BusyPointer busy;
    source_ = nutrientSearchSql(nameText->text());
    requery();
    showRows();
}

void frmpropiedades::showRows() {
    binding->bind(rs_);
    reselectRow(rowToReselect_, !loading_);
}

int frmpropiedades::checkedRow(bool needName) {
    const int row = listGrid->currentRow();
    if (row < 0 || row >= binding->dataRowCount())
        return -1;
    if (binding->boundField(0) != QLatin1String("id_propiedad")) {
        msg::msgBox(texts::kCampoIdPropiedad, msg::Critical);
        return -1;
    }
    if (needName && binding->boundField(1) != QLatin1String("nombre")) {
        msg::msgBox(texts::kCampoNombre, msg::Critical);
        return -1;
    }
    return row;
}

void frmpropiedades::addRow() {
    {
        app::BusyPointer busy;
        frmpropiedad editor(db_, 0);
        busy.release();
        widgets::openModal(editor);
    }
    requery();
    showRows();
}

void frmpropiedades::editRow() {
    const int row = checkedRow(false);
    if (row < 0)
        return;
    {
        app::BusyPointer busy;
        frmpropiedad editor(db_, cellText(row, 0).toInt());
        busy.release();
        widgets::openModal(editor);
    }
    rowToReselect_ = row + 1;
    searchButton->click();
}

void frmpropiedades::deleteRow() {
    const int row = checkedRow(true);
    if (row < 0)
        return;
    rowToReselect_ = row + 1;
    const int id = cellText(row, 0).toInt();
    const QString name = cellText(row, 1);
    try {
        const int formulas = formulasUsingNutrient(db_, id);
        if (msg::msgBox(texts::askDeleteNutrient(name, formulas), msg::QuestionDefaultNo) !=
            msg::Yes)
            return;
        if (nutrientHasIngredients(db_, id) &&
            msg::msgBox(texts::askDeleteNutrientWithIngredients(name), msg::QuestionDefaultNo) !=
                msg::Yes)
            return;
        deleteNutrient(db_, id);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
    }
    requery();
    showRows();
}

void frmpropiedades::printRows() {
    if (!printButton->isEnabled() || rs_.count() < 1)
        return;
    printing::previewNutrientReport(rs_, this);
}

void frmpropiedades::acceptPick() {
    const int row = checkedRow(true);
    if (row < 0)
        return;
    pick_ = NutrientPick{cellText(row, 0).toInt(), cellText(row, 1), cellText(row, 2)};
    accept();
}

} // namespace catalog
