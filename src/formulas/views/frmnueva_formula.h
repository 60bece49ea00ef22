#pragma once

#include "formulas/formula_header.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace formulas {

// Asks for the header row of the formula the workspace saves: a new formula, a new version or
// an update of formula `formulaId` (0: a new one) for a batch of `cantidad`. It writes nothing:
// "&Grabar" checks the answer and closes accepted, and the workspace then writes header and rows
// in one transaction, so no transaction is open while the user is asked. Cancelling leaves 0 in
// formulaId().
class frmnueva_formula : public QDialog {
    Q_OBJECT

public:
    frmnueva_formula(store::Database& db, int formulaId, double cantidad, bool ingredientsDry,
                     bool nutrientsDry, QWidget* parent = nullptr);
    ~frmnueva_formula() override;

    // The formula cannot be edited (its row or versions could not be read): the editor closes
    // as soon as it is shown.
    bool closesAtOnce() const { return opened_.formulaId == -1; }
    // The formula the header is for: as opened, or 0 once cancelled or when it cannot be edited.
    int formulaId() const { return formulaId_; }
    double cantidad() const { return cantidad_; }

    // What the editor was opened on, and the header as the boxes hold it now; for writeHeader.
    const HeaderOpening& opening() const { return opened_; }
    HeaderInput answer() const;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void Check1_Click();
    void cmdUpdate_Click();
    void cmdRefresh_Click();

    store::Database& db_;
    int formulaId_;
    double cantidad_;
    bool ingredientsDry_;
    bool nutrientsDry_;
    HeaderOpening opened_;

    QLineEdit* code_ = nullptr;    // txtFields(0)
    QLineEdit* product_ = nullptr; // txtFields(1)
    QLineEdit* version_ = nullptr; // txtFields(2)
    QLineEdit* lastCodeEdit = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdRefresh = nullptr;
};

} // namespace formulas
