#include "optimizer/views/frmConflicto.h"

#include "optimizer/conflict_table.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace optimizer {

frmConflicto::frmConflicto(const std::vector<lp::ConflictLimit>& conflict, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmConflicto"));
    setWindowTitle(conflictCaption());

    auto* lblExplicacion = new QLabel(conflictExplanation(), this);
    lblExplicacion->setObjectName(QStringLiteral("lblExplicacion"));
    lblExplicacion->setWordWrap(true);

    const QStringList headers = conflictHeaders();
    const std::vector<QStringList> rows = conflictRows(conflict);
    grdConflicto_ = new QTableWidget(int(rows.size()), int(headers.size()), this);
    grdConflicto_->setObjectName(QStringLiteral("grdConflicto"));
    grdConflicto_->setHorizontalHeaderLabels(headers);
    grdConflicto_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdConflicto_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdConflicto_->verticalHeader()->hide();
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < int(headers.size()); ++c) {
            auto* item = new QTableWidgetItem(rows[size_t(r)][c]);
            // Figures line up on the right, as in every grid of the program.
            if (c >= 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdConflicto_->setItem(r, c, item);
        }
    grdConflicto_->resizeColumnsToContents();
    grdConflicto_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblExplicacion);
    layout->addWidget(grdConflicto_, 1);
    layout->addLayout(buttons);
    resize(760, 300);
    cmdClose->setFocus(Qt::OtherFocusReason);
}

frmConflicto::~frmConflicto() = default;

} // namespace optimizer
