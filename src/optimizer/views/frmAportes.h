#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;

#include "workspace/workspace.h"

#include <optional>
#include <vector>

namespace optimizer {

// What each ingredient can bring to the nutrient whose minimum the formulation could not reach,
// under the caption the run gives ("PROBLEMA CON RESTRICCIÓN: …"). When it is first activated it
// says which nutrient (`nutrientName`) stopped the formulation.
class frmAportes : public QDialog {
    Q_OBJECT

public:
    // maximoAlcanzable: the greatest value the nutrient reaches in any admissible mix; without it
    // the largest single contribution.
    frmAportes(const std::vector<workspace::ContributionRow>& rows,
               std::optional<double> maximoAlcanzable, const QString& caption,
               const QString& nutrientName, QWidget* parent = nullptr);
    ~frmAportes() override;

    // The greatest value the nutrient reaches, when the caller knows better than the workspace.
    void setMaximoAlcanzable(double value);

protected:
    bool event(QEvent* event) override;

private:
    void announce();

    QLabel* Label1_1_ = nullptr;
    QTableWidget* FlexGrid1_ = nullptr;
    QString nutrientName_;
    bool announced_ = false;
};

} // namespace optimizer
