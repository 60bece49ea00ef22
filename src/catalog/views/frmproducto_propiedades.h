#pragma once

#include "store/record_set.h"

#include <QDialog>

class GridBinding;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace keys {
class InGridEditor;
}
namespace store {
class Database;
}

namespace catalog {

// The nutrient values of the ingredient `idProducto`, largest first, each edited in place in the
// grid; Nuevo adds a nutrient picked in the nutrient list. The opener sets the caption to the
// ingredient's name.
class frmproducto_propiedades : public QDialog {
    Q_OBJECT

public:
    frmproducto_propiedades(store::Database& db, int idProducto, QWidget* parent = nullptr);
    ~frmproducto_propiedades() override;

    const store::RecordSet& rows() const { return rs_; }
    // The ingredient whose values are shown.
    int ingredientId() const { return idProducto_; }

private:
    void buildControls();
    void search();
    void cmdNuevo_Click();
    void cmdEditar_Click();
    void cmdDelete_Click();
    void cmdrequery_Click();

    void requery();
    void fillGrid();
    bool layoutOk();
    QString cell(int row, int column) const;
    int unconfirmedEnd(const QString& text);
    bool commitValue(const QString& text);
    bool commitDeviation(const QString& text);

    store::Database& db_;
    store::RecordSet rs_;
    int idProducto_ = 0;

    // The edit under way.
    int editRow_ = -1;
    int editIdProducto_ = 0;
    int editIdPropiedad_ = 0;
    QString editName_;
    double startValue_ = 0;
    int editColumn_ = 0; // the value's or the deviation's
    QString startText_;  // the cell's text when the edit began

    QGroupBox* searchBox = nullptr;
    QLineEdit* nameFilter = nullptr;
    QPushButton* searchButton = nullptr;
    QTableWidget* valuesGrid = nullptr;
    GridBinding* binding_ = nullptr;
    QLineEdit* txt_aux = nullptr;
    keys::InGridEditor* editor_ = nullptr;
    QPushButton* cmdNuevo = nullptr;
    QPushButton* cmdEditar = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdrequery = nullptr;
    QPushButton* cmdClose = nullptr;
};

} // namespace catalog
