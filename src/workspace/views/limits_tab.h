#pragma once

#include <QWidget>
#include <functional>

class GridBinding;
class QTableWidget;

namespace keys {
class InGridEditor;
}

namespace store {
class Database;
}

namespace workspace {

struct Workspace;
struct EditResult;

// The "Relaciones y Grupos" tab of the workspace: the ratio limits (`flexrel`) and the group
// limits (`flexgrp`), each with `+` and `-`. Their Mínimo and Máximo are edited as the nutrient
// grid's limits are: a double click or Enter opens a box over the cell (`txtRel`, `txtGrp`),
// Enter stores the value through core's checks and Esc leaves it as it was.
class LimitsTab : public QWidget {
public:
    LimitsTab(Workspace& ws, store::Database& db, std::function<void(const EditResult&)> redraw,
              QWidget* parent = nullptr);

    // Shows the workspace's ratio and group rows as they stand.
    void paint();

private:
    void addRatio();
    void removeRatio();
    void addGroup();
    void removeGroup();
    void beginEdit(QTableWidget* grid);
    bool commit(QTableWidget* grid, const QString& text);
    void done(const EditResult& result);

    Workspace& ws_;
    store::Database& db_;
    std::function<void(const EditResult&)> redraw_;
    QTableWidget* flexrel_ = nullptr;
    QTableWidget* flexgrp_ = nullptr;
    GridBinding* rel_ = nullptr;
    GridBinding* grp_ = nullptr;
    keys::InGridEditor* txtRel_ = nullptr;
    keys::InGridEditor* txtGrp_ = nullptr;
};

} // namespace workspace
