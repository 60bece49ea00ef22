#pragma once

#include <QWidget>
#include <functional>

class GridBinding;
class QTableWidget;
class QTableWidgetItem;

namespace store {
class Database;
}

namespace workspace {

struct Workspace;
struct EditResult;

// The "Relaciones y Grupos" tab of the workspace: the ratio limits (`flexrel`) and the group
// limits (`flexgrp`), each with `+` and `-`, their Mínimo and Máximo edited in place.
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
    void cellEdited(QTableWidget* grid, QTableWidgetItem* item);
    void done(const EditResult& result);

    Workspace& ws_;
    store::Database& db_;
    std::function<void(const EditResult&)> redraw_;
    QTableWidget* flexrel_ = nullptr;
    QTableWidget* flexgrp_ = nullptr;
    GridBinding* rel_ = nullptr;
    GridBinding* grp_ = nullptr;
    bool painting_ = false;
};

} // namespace workspace
