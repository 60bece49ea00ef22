#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace workspace {

// Asks for a new batch quantity and whether to keep the present nutrient list. "&Aceptar" with a
// valid quantity leaves it in gCantidad and the choice in gMantenerNutrientes; "&Cancelar"
// leaves both as they were.
class frmRecalcular : public QDialog {
    Q_OBJECT

public:
    explicit frmRecalcular(QWidget* parent = nullptr);
    ~frmRecalcular() override;

    // The basis of the workspace's ingredient quantities (vSecaIng), shown beside the quantity.
    void setSecaIng(bool vSecaIng);

private:
    void Command4_Click();

    QLineEdit* txt_cantidad_ = nullptr;
    QLineEdit* Text1_ = nullptr;
    QRadioButton* Option2_0_ = nullptr;
};

} // namespace workspace
