#pragma once

#include "catalog/ingredients.h"

#include <QDialog>
#include <memory>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace catalog {

namespace views {
struct IngredientForm;
}

// Saves the mix of the workspace as a new catalogue ingredient: cost and dry matter open with
// the mix's figures, the code, name and unit are typed, and the ingredient gets one composition
// row per nutrient of the formula with the value the mix reaches. Closes once saved.
class frmComoProducto : public QDialog {
    Q_OBJECT

public:
    explicit frmComoProducto(store::Database& db, const workspace::Workspace& ws,
                             QWidget* parent = nullptr);
    ~frmComoProducto() override;

    // The key of the ingredient created, 0 until it is saved.
    int ingredientId() const { return savedId_; }

public Q_SLOTS:
    void reject() override;

private:
    bool cmdUpdate_Click();
    void cmdRefresh_Click();
    bool pending() const;

    store::Database& db_;
    const workspace::Workspace& ws_;
    std::unique_ptr<views::IngredientForm> form_;
    IngredientRecord record_;
    int savedId_ = 0;
    bool hasRecord_ = true;
};

} // namespace catalog
