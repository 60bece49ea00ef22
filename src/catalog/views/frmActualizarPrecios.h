#pragma once

#include "app/views/open_file.h"
#include "catalog/price_list.h"

#include <QDialog>
#include <functional>
#include <optional>

class GridBinding;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace catalog {

// Re-prices the catalogue from a price list: the user names the file (typed or chosen), the view
// shows what each line changes and which lines are in conflict, and "Aplicar" applies every
// change at once after a confirmation. Nothing is written until then.
class frmActualizarPrecios : public QDialog {
    Q_OBJECT
public:
    // The file it opens is asked through widgets::chooseOpenFile; tests install their own.
    using FileChooser = widgets::OpenFileChooser;
    static FileChooser setFileChooser(FileChooser chooser) {
        return widgets::setOpenFileChooser(std::move(chooser));
    }

    // decimalMark: how the list writes its numbers, as the regional settings say.
    frmActualizarPrecios(store::Database& db, QChar decimalMark, QWidget* parent = nullptr);

    // The preview shown, if a list was read.
    const std::optional<PriceListPreview>& preview() const { return preview_; }

private:
    void cmdExaminar_Click();
    void cmdLeer_Click();
    void cmdAplicar_Click();
    // Reads the named file again and shows it; false when it could not be read.
    bool readList();
    void showPreview();
    void forgetPreview();

    store::Database& db_;
    QChar decimalMark_;
    std::optional<PriceListPreview> preview_;

    QLineEdit* txtArchivo = nullptr;
    QLabel* lblResumen = nullptr;
    GridBinding* precios_ = nullptr;
    GridBinding* conflictos_ = nullptr;
    QPushButton* cmdAplicar = nullptr;
};

} // namespace catalog
