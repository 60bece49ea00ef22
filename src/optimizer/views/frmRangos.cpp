#include "optimizer/views/frmRangos.h"

#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "app/views/modal.h"
#include "optimizer/views/ranging_charts.h"

#include <QChartView>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace optimizer {

namespace {

QString number(double v) {
    return fmt::format(v, QStringLiteral("0.00####"));
}

QTableWidgetItem* cell(const QString& text, bool bold) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (bold) {
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
    }
    return item;
}

} // namespace

frmRangos::frmRangos(const lp::Blend& blend, const RangingTarget& target, const BlendUnits& units,
                     QWidget* parent)
    : QDialog(parent), blend_(blend), units_(units), targets_(rangingTargets(blend)),
      target_(target) {
    setObjectName(QStringLiteral("frmRangos"));
    setWindowTitle(QStringLiteral("Rangos"));

    // A limit the formula does not set is ranged as if set: it joins the list.
    if (std::find(targets_.begin(), targets_.end(), target) == targets_.end())
        targets_.push_back(target);
    cboParametro_ = new QComboBox(this);
    cboParametro_->setObjectName(QStringLiteral("cboParametro"));
    int chosen = 0;
    for (size_t k = 0; k < targets_.size(); ++k) {
        cboParametro_->addItem(targetCaption(blend_, targets_[k]));
        if (targets_[k] == target)
            chosen = static_cast<int>(k);
    }
    cboParametro_->setCurrentIndex(chosen);
    txtDesde_ = new QLineEdit(this);
    txtDesde_->setObjectName(QStringLiteral("txtDesde"));
    txtHasta_ = new QLineEdit(this);
    txtHasta_->setObjectName(QStringLiteral("txtHasta"));
    auto* cmdCalcular = new QPushButton(QStringLiteral("&Calcular"), this);
    cmdCalcular->setObjectName(QStringLiteral("cmdCalcular"));
    cmdCalcular->setDefault(true);
    lblActual_ = new QLabel(this);
    lblActual_->setObjectName(QStringLiteral("lblActual"));
    lblMensaje_ = new QLabel(this);
    lblMensaje_->setObjectName(QStringLiteral("lblMensaje"));
    lblMensaje_->setWordWrap(true);
    lblMensaje_->setStyleSheet(QStringLiteral("color: #b01e1e"));

    grdTramos_ = new QTableWidget(0, 5, this);
    grdTramos_->setObjectName(QStringLiteral("grdTramos"));
    grdTramos_->verticalHeader()->setVisible(false);
    grdTramos_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdTramos_->setSelectionBehavior(QAbstractItemView::SelectRows);
    chtValor_ = newChartView(QStringLiteral("chtValor"), this);
    chtCosto_ = newChartView(QStringLiteral("chtCosto"), this);

    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Parámetro:"), this), 0, 0);
    top->addWidget(cboParametro_, 0, 1, 1, 5);
    top->addWidget(new QLabel(QStringLiteral("Desde:"), this), 1, 0);
    top->addWidget(txtDesde_, 1, 1);
    top->addWidget(new QLabel(QStringLiteral("Hasta:"), this), 1, 2);
    top->addWidget(txtHasta_, 1, 3);
    top->addWidget(cmdCalcular, 1, 4);
    top->addWidget(lblActual_, 1, 5);
    top->setColumnStretch(5, 1);
    auto* charts = new QHBoxLayout;
    charts->addWidget(chtValor_, 1);
    charts->addWidget(chtCosto_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblMensaje_, 1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdTramos_, 3);
    layout->addLayout(charts, 5);
    layout->addLayout(buttons);
    resize(1060, 760);

    connect(cboParametro_, &QComboBox::currentIndexChanged, this, &frmRangos::chooseTarget);
    connect(cmdCalcular, &QPushButton::clicked, this, &frmRangos::cmdCalcular_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    chooseTarget(chosen);
}

frmRangos::~frmRangos() = default;

void frmRangos::chooseTarget(int index) {
    if (index < 0 || static_cast<size_t>(index) >= targets_.size())
        return;
    target_ = targets_[static_cast<size_t>(index)];
    const RangeBounds range = defaultRange(blend_, target_);
    txtDesde_->setText(number(range.desde));
    txtHasta_->setText(number(range.hasta));
    lblActual_->setText(currentValueText(blend_, target_));
    cmdCalcular_Click();
}

void frmRangos::cmdCalcular_Click() {
    const std::optional<double> desde = numtext::toNumber(txtDesde_->text());
    const std::optional<double> hasta = numtext::toNumber(txtHasta_->text());
    if (!desde || !hasta || !(*desde < *hasta)) {
        msg::msgBox(QStringLiteral("Desde y Hasta deben ser números, y Desde menor que Hasta"),
                    msg::Exclamation);
        txtDesde_->setFocus(Qt::OtherFocusReason);
        return;
    }
    showRanging(rangeTarget(blend_, target_, *desde, *hasta), *desde, *hasta);
}

void frmRangos::showRanging(const lp::Ranging& r, double desde, double hasta) {
    const RangingLabels labels = rangingLabels(blend_, target_, units_);
    grdTramos_->setHorizontalHeaderLabels({QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                           QStringLiteral("Costo desde"),
                                           QStringLiteral("Costo hasta"), labels.slope});
    grdTramos_->setRowCount(static_cast<int>(r.tramos.size()));
    const std::optional<double> now = currentValue(blend_, target_);
    const std::vector<QStringList> texts = rangingCells(r, labels);
    for (int row = 0; row < grdTramos_->rowCount(); ++row) {
        const lp::RangingInterval& i = r.tramos[static_cast<size_t>(row)];
        const bool holdsNow = now && i.desde <= *now && *now <= i.hasta;
        for (int column = 0; column < 5; ++column)
            grdTramos_->setItem(row, column,
                                cell(texts[static_cast<size_t>(row)][column], holdsNow));
    }
    QStringList notes;
    if (const QString problem = rangingProblem(r, target_); !problem.isEmpty())
        notes << problem;
    if (r.infactibleHasta)
        notes << "Sin mezcla posible por debajo de " + number(*r.infactibleHasta);
    if (r.infactibleDesde && r.status == lp::RangingStatus::Ok)
        notes << "Sin mezcla posible por encima de " + number(*r.infactibleDesde);
    lblMensaje_->setText(notes.join(". "));

    RangingChart chart;
    chart.xTitle = labels.parameter;
    chart.xFrom = desde;
    chart.xTo = hasta;
    if (now && desde <= *now && *now <= hasta) {
        chart.current = now;
        chart.currentText = currentValueText(blend_, target_);
    }
    if (r.status == lp::RangingStatus::Ok) {
        chart.infeasibleFrom = r.infactibleDesde;
        chart.infeasibleTo = r.infactibleHasta;
    }
    const QString caption = targetCaption(blend_, target_);
    chart.title =
        (target_.kind == RangingTarget::Price ? "Cantidad según " : "Precio sombra según ") +
        caption.left(1).toLower() + caption.mid(1);
    chart.yTitle = labels.slope;
    chart.line = slopeSteps(r);
    showChart(chtValor_, chart);
    chart.title = "Costo de la fórmula según " + caption.left(1).toLower() + caption.mid(1);
    chart.yTitle = labels.cost;
    chart.fromZero = false;
    chart.line = costPoints(r);
    showChart(chtCosto_, chart);
}

void openRangos(workspace::Workspace& ws, store::Database& db, QWidget* parent,
                const WorkspaceRow& row) {
    const std::optional<StoredBlend> formula = formulatedBlend(ws, db);
    if (!formula || formula->blend.ingredients.empty()) {
        msg::msgBox(QStringLiteral("Formule primero a mínimo costo para ver los rangos"),
                    msg::Exclamation);
        return;
    }
    frmRangos rangos(formula->blend, targetOfWorkspaceRow(formula->blend, row), formula->units,
                     parent);
    widgets::openModal(rangos);
}

} // namespace optimizer
