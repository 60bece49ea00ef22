#include "optimizer/views/frmAportes.h"

#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "optimizer/analysis_grids.h"
#include "optimizer/formulation_run.h"
#include "workspace/workspace.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace optimizer {

frmAportes::frmAportes(const std::vector<workspace::ContributionRow>& rows,
                       std::optional<double> maximoAlcanzable, const QString& caption,
                       const QString& nutrientName, QWidget* parent)
    : QDialog(parent), nutrientName_(nutrientName) {
    setObjectName(QStringLiteral("frmAportes"));
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Aportes") : caption);

    auto* Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* Label1_0 =
        new QLabel(QStringLiteral("Máximo valor a alcanzar con los ingredientes acutales"), Frame1);
    Label1_0->setObjectName(QStringLiteral("Label1_0"));
    Label1_1_ = new QLabel(Frame1);
    Label1_1_->setObjectName(QStringLiteral("Label1_1"));
    QFont bold = Label1_1_->font();
    bold.setBold(true);
    Label1_1_->setFont(bold);
    auto* frameLayout = new QHBoxLayout(Frame1);
    frameLayout->addWidget(Label1_0);
    frameLayout->addWidget(Label1_1_);
    frameLayout->addStretch(1);

    FlexGrid1_ = new QTableWidget(this);
    FlexGrid1_->setObjectName(QStringLiteral("FlexGrid1"));
    auto* binding = new GridBinding(FlexGrid1_);
    binding->setFitCaptions(true);
    binding->setFillColumn(0);
    binding->show(contributionsGrid(rows));
    binding->setNoMatchVisible(false);

    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(FlexGrid1_, 1);
    layout->addLayout(buttons);
    resize(720, 360);
    cmdClose->setFocus(Qt::OtherFocusReason);

    setMaximoAlcanzable(maximoAlcanzable.value_or(largestContribution(rows)));
}

frmAportes::~frmAportes() = default;

void frmAportes::setMaximoAlcanzable(double value) {
    Label1_1_->setText(reachableText(value));
}

bool frmAportes::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate && !announced_) {
        announced_ = true;
        // After the activation has run its course, so the box opens over a drawn view.
        QMetaObject::invokeMethod(this, &frmAportes::announce, Qt::QueuedConnection);
    }
    return handled;
}

// Said once, when the view first comes up, so the user knows why the formulation stopped.
void frmAportes::announce() {
    msg::msgBox(contributionsMessage(nutrientName_), msg::Critical,
                QStringLiteral("Se ha cancelado la Formulación"));
}

} // namespace optimizer
