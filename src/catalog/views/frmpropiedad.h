#pragma once

#include "catalog/nutrients.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace catalog {

// The nutrient editor: a new nutrient when `id` is below 1, otherwise the one with that id.
// A new one gets its key, and a zero composition row for every ingredient, when first
// saved. Closing with changes not saved asks whether to save them.
class frmpropiedad : public QDialog {
    Q_OBJECT

public:
    frmpropiedad(store::Database& db, int id, QWidget* parent = nullptr);
    ~frmpropiedad() override;

    int nutrientId() const { return id_; }

public Q_SLOTS:
    void reject() override;

private:
    bool cmdUpdate_Click();
    void cmdRefresh_Click();
    void cmdrequery_Click();

    NutrientFields typed() const;
    bool pending() const;
    bool reload();
    void showRecord();

    store::Database& db_;
    NutrientFields shown_;
    int id_ = 0;
    int revision_ = 0; // the nutrient's change counter when it was shown
    bool isNew_ = false;
    bool hasRecord_ = false;

    QLineEdit* nameEdit = nullptr;
    QComboBox* unitBox = nullptr;
    QLineEdit* txtid_producto = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdrequery = nullptr;
    QPushButton* cmdClose = nullptr;
};

} // namespace catalog
