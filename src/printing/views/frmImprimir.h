#pragma once

#include <QDialog>

#include <QStringList>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace printing {

// Asks where the formula goes: the printer (destination() 1) or an OpenDocument text (2).
// Cancelar or closing it otherwise leaves destination() 0: nothing is printed. withCharts(): the
// printout adds a page with the charts of the mix. Given goals to choose from, a checkable list
// offers them; chosenGoals() are the positions of those checked, a line each on the printout.
class frmImprimir : public QDialog {
    Q_OBJECT

public:
    explicit frmImprimir(QWidget* parent = nullptr);
    ~frmImprimir() override;

    qint16 destination() const { return destination_; }
    bool withCharts() const;
    // The goals offered, by name (none: the list stays hidden).
    void setGoalChoices(const QStringList& names);
    std::vector<int> chosenGoals() const;

private:
    void choose(qint16 destination);

    QGroupBox* Frame1;
    QPushButton* Command1;
    QPushButton* Command2;
    QCheckBox* chkGraficos;
    QLabel* lblObjetivos;
    QListWidget* lstObjetivos;
    QPushButton* cmdCancelar;
    qint16 destination_ = 0;
};

} // namespace printing
