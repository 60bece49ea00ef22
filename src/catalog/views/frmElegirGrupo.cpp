#include "catalog/views/frmElegirGrupo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace catalog {

frmElegirGrupo::frmElegirGrupo(store::Database& db, QWidget* parent)
    : QDialog(parent), groups_(listGroups(db)) {
    setObjectName(QStringLiteral("frmElegirGrupo"));
    setWindowTitle(QStringLiteral("Grupos de Ingredientes"));
    lstGrupos_ = new QListWidget(this);
    lstGrupos_->setObjectName(QStringLiteral("lstGrupos"));
    for (const IngredientGroup& g : groups_)
        lstGrupos_->addItem(g.nombre);
    if (!groups_.empty())
        lstGrupos_->setCurrentRow(0);
    connect(lstGrupos_, &QListWidget::itemDoubleClicked, this, &frmElegirGrupo::accept);

    auto* ok = new QPushButton(QStringLiteral("&Aceptar"), this);
    ok->setObjectName(QStringLiteral("cmdAceptar"));
    ok->setDefault(true);
    ok->setEnabled(!groups_.empty());
    auto* cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancel->setObjectName(QStringLiteral("cmdCancelar"));
    connect(ok, &QPushButton::clicked, this, &frmElegirGrupo::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    if (groups_.empty())
        layout->addWidget(new QLabel(
            QStringLiteral("No hay grupos: créelos en Datos → Grupos de Ingredientes."), this));
    layout->addWidget(lstGrupos_, 1);
    layout->addLayout(buttons);
    resize(360, 320);
}

frmElegirGrupo::~frmElegirGrupo() = default;

void frmElegirGrupo::accept() {
    const int row = lstGrupos_->currentRow();
    if (row < 0 || size_t(row) >= groups_.size())
        return;
    pick_ = groups_[size_t(row)];
    QDialog::accept();
}

} // namespace catalog
