#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;
class QRadioButton;

namespace workspace {

// The answer of the recalculation dialog.
struct Recalculation {
    double cantidad = 0.0;
    bool mantenerNutrientes = false;
};

// Asks for a new batch quantity and whether to keep the present nutrient list. "&Aceptar" with a
// valid quantity closes it with answer() set; "&Cancelar" leaves no answer.
class frmRecalcular : public QDialog {
    Q_OBJECT

public:
    explicit frmRecalcular(QWidget* parent = nullptr);
    ~frmRecalcular() override;

    // The basis of the workspace's ingredient quantities (ingredientsDry), shown beside the
    // quantity.
    void setSecaIng(bool ingredientsDry);

    const std::optional<Recalculation>& answer() const { return answer_; }

private:
    void confirm();

    QLineEdit* txt_cantidad_ = nullptr;
    QLineEdit* Text1_ = nullptr;
    QRadioButton* keepNutrients_ = nullptr;
    std::optional<Recalculation> answer_;
};

} // namespace workspace
