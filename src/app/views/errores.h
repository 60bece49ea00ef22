#pragma once

#include <QDialog>

namespace app {

// The error view: shows the text its opener gives; "Detalle" gives the number and description of
// the most recent run-time error.
class errores : public QDialog {
    Q_OBJECT
public:
    explicit errores(const QString& text, QWidget* parent = nullptr);

private:
    void showErrorDetail();
};

} // namespace app
