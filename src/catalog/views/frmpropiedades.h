#pragma once

#include "app/views/search_list_dialog.h"
#include "catalog/picks.h"
#include "store/record_set.h"

#include <optional>

class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace catalog {

// The nutrient list, searched by name. Opened to maintain the catalogue it edits it; opened to
// pick, the opener reads the row picked from pick() once it has closed (none: cancelled).
class frmpropiedades : public widgets::SearchListDialog {
    Q_OBJECT

public:
    frmpropiedades(store::Database& db, keys::ListMode mode, QWidget* parent = nullptr);
    ~frmpropiedades() override;

    // The row "&Aceptar" took in pick mode; none while nothing was picked.
    const std::optional<NutrientPick>& pick() const { return pick_; }

    // The rows the grid shows, in its order.
    const store::RecordSet& rows() const { return rs_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildSearchPanel();
    void search();
    void addRow() override;
    void editRow() override;
    void deleteRow() override;
    void printRows() override;
    void acceptPick() override;
    void forgetPick() override { pick_.reset(); }

    void requery();
    void showRows();
    int checkedRow(bool needName);

    store::Database& db_;
    std::optional<NutrientPick> pick_;
    store::RecordSet rs_;
    QString source_;
    int rowToReselect_ = 1;
    bool loading_ = false;

    QLineEdit* nameText = nullptr;
    QPushButton* searchButton = nullptr;
};

} // namespace catalog
