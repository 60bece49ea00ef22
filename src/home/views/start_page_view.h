#pragma once

#include "home/start_page.h"

#include <QWidget>
#include <vector>

class GridBinding;
class QLabel;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace home {

// The main window's start page (`inicio`): the database in use (`lblBaseDatos`), the formulas
// changed most recently (`grdRecientes`; a double click or Enter opens one), what changed in
// prices since the book was formulated (`lblPrecios`, `grdPrecios`, the button `cmdReformular`
// to the worklist), the counts (`lblCantidades`) and the link to the quick guide (`lblGuia`).
// It opens nothing itself: it says what the user asked for, and the main window opens it.
class StartPageView : public QWidget {
    Q_OBJECT
public:
    explicit StartPageView(store::Database& db, QWidget* parent = nullptr);

    // Reads the page again (after a task view closed). A failure of the database is shown on the
    // page in place of its figures.
    void refresh();
    const StartPage& page() const { return page_; }

Q_SIGNALS:
    void formulaChosen(int idFormula);
    void worklistChosen();
    void guideChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildRecent();
    QWidget* buildPrices();
    QWidget* buildSide();
    void openRow(int row);

    store::Database& db_;
    StartPage page_;
    QLabel* database_ = nullptr;
    QLabel* error_ = nullptr;
    QTableWidget* recent_ = nullptr;
    GridBinding* recentBinding_ = nullptr;
    QLabel* prices_ = nullptr;
    QTableWidget* changed_ = nullptr;
    GridBinding* changedBinding_ = nullptr;
    QPushButton* worklist_ = nullptr;
    QLabel* counts_ = nullptr;
};

} // namespace home
