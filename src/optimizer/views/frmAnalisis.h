#pragma once

#include "optimizer/analysis_grids.h"
#include "optimizer/ranging_target.h"

#include <QDialog>
#include <array>
#include <optional>
#include <tuple>
#include <type_traits>

class QTabWidget;
class QTableWidget;

namespace workspace {
struct Workspace;
}

namespace optimizer {

// The sensitivity rows of the last formulation, one tab per kind of row. Reads the workspace's
// rows without changing them. Given the formula's blend, "Rangos" opens the ranging of the
// selected row's price or limit.
class frmAnalisis : public QDialog {
    Q_OBJECT

public:
    // `chance`: the nutrients whose limits held with a probability, listed in their own tab.
    explicit frmAnalisis(const workspace::Workspace& ws, QWidget* parent = nullptr,
                         std::optional<StoredBlend> formula = std::nullopt,
                         const std::vector<ChanceFigureRow>& chance = {});
    ~frmAnalisis() override;

    // The result when the user asked for the curve of cost against a second goal: the
    // workspace's window opens it, since a point chosen there changes the workspace.
    static constexpr int kOpenCurve = 2;

private:
    void cmdRangos_Click();

    QTabWidget* tabs_ = nullptr;
    // One grid per tab: sized by the tabs, so a new kind of row cannot write past it.
    std::array<QTableWidget*, std::tuple_size_v<std::decay_t<decltype(analysisTabs())>>> grids_ =
        {};
    std::optional<StoredBlend> formula_;
    std::vector<workspace::SensitivityRow> rows_; // the workspace's, as the tabs list them
};

} // namespace optimizer
