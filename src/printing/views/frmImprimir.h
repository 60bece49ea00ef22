#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace printing {

// Asks where the formula goes: the printer (destination() 1) or an OpenDocument text (2).
// Cancelar or closing it otherwise leaves destination() 0: nothing is printed. withCharts(): the
// printout adds a page with the charts of the mix.
class frmImprimir : public QDialog {
    Q_OBJECT

public:
    explicit frmImprimir(QWidget* parent = nullptr);
    ~frmImprimir() override;

    qint16 destination() const { return destination_; }
    bool withCharts() const;

private:
    void choose(qint16 destination);

    QGroupBox* Frame1;
    QPushButton* Command1;
    QPushButton* Command2;
    QCheckBox* chkGraficos;
    QPushButton* cmdCancelar;
    qint16 destination_ = 0;
};

} // namespace printing
