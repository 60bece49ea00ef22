#pragma once

#include "catalog/ingredients.h"

#include <QDialog>
#include <memory>

class GridBinding;

namespace store {
class Database;
}

namespace catalog {

namespace views {
struct IngredientForm;
}

// The ingredient editor: a new ingredient when `id` is below 1, otherwise the one with
// that id. A new one gets its key, and a zero composition row for every nutrient, when first
// saved. Closing with changes not saved asks whether to save them. Below the fields, the
// ingredient's last prices (read-only).
class frmproducto : public QDialog {
    Q_OBJECT

public:
    frmproducto(store::Database& db, int id, QWidget* parent = nullptr);
    ~frmproducto() override;

    // The key of the ingredient shown, 0 while it is new.
    int ingredientId() const { return record_.id; }

public Q_SLOTS:
    void reject() override;

private:
    bool cmdUpdate_Click();
    void cmdRefresh_Click();
    void cmdrequery_Click();
    void CmdPropiedades_Click();

    bool pending() const;
    // Reads the stored ingredient again; false (after the error view) when it is gone.
    bool reload();
    void showRecord();
    void showPriceHistory();
    void markStored();

    store::Database& db_;
    std::unique_ptr<views::IngredientForm> form_;
    IngredientRecord record_;
    bool isNew_ = false;
    bool hasRecord_ = false;
    GridBinding* historial_ = nullptr;
};

} // namespace catalog
