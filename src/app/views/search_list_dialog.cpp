#include "app/views/search_list_dialog.h"

#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/named_widgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace widgets {

SearchListDialog::SearchListDialog(lists::ListDescription description, keys::ListMode mode,
                                   QWidget* parent)
    : QDialog(parent), description_(std::move(description)), mode_(mode) {
    setObjectName(description_.objectName);
    setWindowTitle(description_.caption);
    searchPanel = new QGroupBox(description_.searchTitle, this);
    searchPanel->setObjectName(QStringLiteral("Frame1"));
}

QPushButton* SearchListDialog::makeButton(QWidget* parent, const char* name,
                                          const QString& caption) const {
    QPushButton* b = button(parent, name, caption);
    if (!description_.buttonsTakeFocus)
        b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QPushButton* SearchListDialog::extraButton(const QString& objectName) const {
    for (QPushButton* b : extraButtons_)
        if (b->objectName() == objectName)
            return b;
    return nullptr;
}

QString SearchListDialog::cellText(int row, int column) const {
    const QTableWidgetItem* item = listGrid->item(row, column);
    return item ? item->text() : QString();
}

void SearchListDialog::reselectRow(int row, bool takeFocus) {
    const int dataRows = binding->dataRowCount();
    if (dataRows <= 0)
        return;
    const int column = description_.fillColumn;
    if (row >= 1 && row <= dataRows) {
        listGrid->setCurrentCell(row - 1, column);
        listGrid->scrollToItem(listGrid->item(row - 1, column), QAbstractItemView::PositionAtTop);
    }
    if (takeFocus)
        listGrid->setFocus(Qt::OtherFocusReason);
}

void SearchListDialog::buildList() {
    listGrid = named<QTableWidget>(this, "FlexGrid1");
    listGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    binding = new GridBinding(listGrid);
    if (description_.columns)
        binding->setColumns(description_.columns());
    binding->setFillColumn(description_.fillColumn);

    addButton = makeButton(this, "cmdAdd", QStringLiteral("&Nuevo"));
    editButton = makeButton(this, "cmdEditar", QStringLiteral("E&ditar"));
    deleteButton = makeButton(this, "cmdDelete", QStringLiteral("&Eliminar"));
    for (const lists::ListButton& extra : description_.extraButtons)
        extraButtons_.push_back(
            makeButton(this, extra.objectName.toLatin1().constData(), extra.caption));
    printButton = makeButton(this, "cmdPrint", QStringLiteral("&Imprimir"));
    closeButton = makeButton(this, "cmdClose", QStringLiteral("&Salir"));
    acceptButton = makeButton(this, "Command4", description_.acceptCaption);
    cancelButton = makeButton(this, "Command3", description_.cancelCaption);

    std::vector<QPushButton*> maintain = {addButton, editButton, deleteButton};
    maintain.insert(maintain.end(), extraButtons_.begin(), extraButtons_.end());
    maintain.push_back(printButton);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : maintain)
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {acceptButton, cancelButton, closeButton})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(searchPanel);
    layout->addWidget(listGrid, 1);
    layout->addLayout(buttons);
    resize(description_.size);

    const bool picking = mode_ == keys::ListMode::Pick;
    maintain.push_back(closeButton);
    for (QPushButton* b : maintain)
        b->setVisible(!picking);
    acceptButton->setVisible(picking);
    cancelButton->setVisible(picking);

    connect(addButton, &QPushButton::clicked, this, &SearchListDialog::addRow);
    connect(editButton, &QPushButton::clicked, this, &SearchListDialog::editRow);
    connect(deleteButton, &QPushButton::clicked, this, &SearchListDialog::deleteRow);
    connect(printButton, &QPushButton::clicked, this, &SearchListDialog::printRows);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(acceptButton, &QPushButton::clicked, this, &SearchListDialog::acceptPick);
    connect(cancelButton, &QPushButton::clicked, this, &SearchListDialog::cancelPick);

    keys::escapeRunsCancel(this, cancelButton);
    keys::listGridActivation(
        listGrid, [this] { return mode_; }, editButton, acceptButton);
}

void SearchListDialog::cancelPick() {
    forgetPick();
    reject();
}

} // namespace widgets
