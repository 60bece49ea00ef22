#pragma once

#include "app/views/open_file.h"
#include "catalog/composition_list.h"

#include <QDialog>
#include <optional>

class GridBinding;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace catalog {

// Brings composition values in from a list (footprint factors, a laboratory's table): the user
// names the file, the view shows what each line changes, the nutrients the list would create and
// the lines in conflict, and "Aplicar" applies every change at once after a confirmation; new
// nutrients are created only when the user agrees to it. Nothing is written until then.
class frmActualizarComposicion : public QDialog {
    Q_OBJECT
public:
    // The file it opens is asked through widgets::chooseOpenFile; tests install their own.
    using FileChooser = widgets::OpenFileChooser;
    static FileChooser setFileChooser(FileChooser chooser) {
        return widgets::setOpenFileChooser(std::move(chooser));
    }

    // decimalMark: how the list writes its numbers, as the regional settings say.
    frmActualizarComposicion(store::Database& db, QChar decimalMark, QWidget* parent = nullptr);

    // The preview shown, if a list was read.
    const std::optional<CompositionListPreview>& preview() const { return preview_; }

private:
    void cmdExaminar_Click();
    void cmdLeer_Click();
    void cmdAplicar_Click();
    // Reads the named file again and shows it; false when it could not be read.
    bool readList(bool createNutrients = true);
    void showPreview();
    void forgetPreview();

    store::Database& db_;
    QChar decimalMark_;
    std::optional<CompositionListPreview> preview_;

    QLineEdit* txtArchivo = nullptr;
    QLabel* lblResumen = nullptr;
    GridBinding* valores_ = nullptr;
    GridBinding* nuevos_ = nullptr;
    GridBinding* conflictos_ = nullptr;
    QPushButton* cmdAplicar = nullptr;
};

} // namespace catalog
