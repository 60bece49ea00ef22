#pragma once

#include "catalog/groups.h"

#include <QDialog>
#include <optional>

class QListWidget;

namespace store {
class Database;
}

namespace catalog {

// The groups of ingredients by name, to pick one: "&Aceptar" (or a double click) takes the group
// selected, "&Cancelar" none. The list fills itself when built, so an opener reads pick() after
// the dialog has closed.
class frmElegirGrupo : public QDialog {
    Q_OBJECT

public:
    frmElegirGrupo(store::Database& db, QWidget* parent = nullptr);
    ~frmElegirGrupo() override;

    const std::optional<IngredientGroup>& pick() const { return pick_; }

private:
    void accept() override;

    QListWidget* lstGrupos_ = nullptr;
    std::vector<IngredientGroup> groups_;
    std::optional<IngredientGroup> pick_;
};

} // namespace catalog
