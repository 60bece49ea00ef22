#pragma once

#include <QDialog>

namespace app {

// The error view: shows gTextoError; "Detalle" gives the number and description of the most
// recent run-time error.
class errores : public QDialog {
    Q_OBJECT
public:
    explicit errores(QWidget* parent = nullptr);

private:
    void Command1_Click();
};

} // namespace app
