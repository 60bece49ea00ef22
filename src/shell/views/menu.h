#pragma once

#include "store/database.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QMenu;

namespace home {
class StartPageView;
}

namespace app {

// The main window: the menu bar from which every task view is opened modally, and the start page
// (the database in use, recent formulas, price changes, counts) as its central widget; the title
// bar and the status bar name the database. It owns the working database for the life of the
// program; closing it ends the program.
class menu : public QMainWindow {
    Q_OBJECT
public:
    // cnBase is the database opened at start-up (null only in tests of the window itself).
    explicit menu(std::unique_ptr<store::Database> cnBase, QWidget* parent = nullptr);
    ~menu() override;

    store::Database* cnBase() const { return cnBase_.get(); }
    // The start page; null without a database.
    home::StartPageView* startPage() const { return startPage_; }

private:
    QAction* addItem(QMenu* to, const char* name, const QString& caption);
    void addSeparator(QMenu* to, const char* name);
    void buildMenus();
    void buildStartPage();
    // Opens a task view modally, then reads the start page again: the view may have changed it.
    void openTask(QDialog& view);
    void openFormula(int idFormula);

    void productos_Click();
    void propiedades_Click();
    void grupos_Click();
    void actualizarprecios_Click();
    void actualizarcomposicion_Click();
    void analisislaboratorio_Click();
    void admformulas_Click();
    void guiarapida_Click();
    void acercadetarvel_Click();
    void version_Click();
    void ImpDatos_Click();
    void OrigenDatos_Click();
    void optimizacion_Click();
    void reformular_Click();
    void planes_Click();

    std::unique_ptr<store::Database> cnBase_;
    home::StartPageView* startPage_ = nullptr;
};

} // namespace app
