#pragma once

#include <QDialog>

namespace app {

// The about box: the program's name and version.
class frmacercade : public QDialog {
    Q_OBJECT
public:
    explicit frmacercade(QWidget* parent = nullptr);
};

} // namespace app
