#include "book/views/frmComparar.h"

#include "app/busy_pointer.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/modal.h"
#include "book/stored_comparison.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace book {

namespace {

QLabel* named(QLabel* label, const char* name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

frmComparar::frmComparar(Comparison comparison, QWidget* parent)
    : QDialog(parent), comparison_(std::move(comparison)) {
    setObjectName(QStringLiteral("frmComparar"));
    setWindowTitle(QStringLiteral("Comparación de Fórmulas"));

    auto* left = named(new QLabel(comparison_.leftTitle, this), "lblIzquierda");
    auto* right = named(new QLabel(comparison_.rightTitle, this), "lblDerecha");
    for (QLabel* title : {left, right}) {
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
    }
    auto* differences = named(new QLabel(differencesText(comparison_), this), "lblDiferencias");
    onlyDifferences_ = new QCheckBox(QStringLiteral("Mostrar solo las diferencias"), this);
    onlyDifferences_->setObjectName(QStringLiteral("chkDiferencias"));
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("FlexGrid1"));
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    binding_ = new GridBinding(grid_);
    binding_->setFitContents(true); // a long product name widens its column rather than being cut
    auto* close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("cmdClose"));

    auto* titles = new QHBoxLayout;
    titles->addWidget(new QLabel(QStringLiteral("Izquierda:"), this));
    titles->addWidget(left);
    titles->addSpacing(30);
    titles->addWidget(new QLabel(QStringLiteral("Derecha:"), this));
    titles->addWidget(right);
    titles->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(differences);
    bottom->addStretch(1);
    bottom->addWidget(onlyDifferences_);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(titles);
    layout->addWidget(grid_, 1);
    layout->addLayout(bottom);
    resize(1180, 640);

    connect(onlyDifferences_, &QCheckBox::toggled, this, &frmComparar::showLines);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    showLines();
}

void frmComparar::showLines() {
    binding_->show(comparisonGrid(comparison_, onlyDifferences_->isChecked()));
}

void compareStored(store::Database& db, int leftId, int rightId, QWidget* parent) {
    QString message;
    std::optional<Comparison> comparison;
    {
        app::BusyPointer busy;
        comparison = compareStoredFormulas(db, leftId, rightId, &message);
    }
    if (!comparison) {
        msg::msgBox(message, msg::Critical);
        return;
    }
    frmComparar view(std::move(*comparison), parent);
    widgets::openModal(view);
}

} // namespace book
