#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;

namespace printing {

// Asks where the formula goes: the printer (gDestinoImpresion 1) or a word-processor document
// (2). Closing it otherwise leaves gDestinoImpresion as the opener set it (0).
class frmImprimir : public QDialog {
    Q_OBJECT

public:
    explicit frmImprimir(QWidget* parent = nullptr);
    ~frmImprimir() override;

private:
    void choose(qint16 destination);

    QGroupBox* Frame1;
    QPushButton* Command1;
    QPushButton* Command2;
};

} // namespace printing
