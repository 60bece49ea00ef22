#include "optimizer/views/frmCurvaCompromiso.h"

#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "app/views/modal.h"
#include "workspace/workspace.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace optimizer {

namespace {

QScatterSeries* marks(const QString& name, const QColor& colour, double size) {
    auto* s = new QScatterSeries;
    s->setName(name);
    s->setColor(colour);
    s->setBorderColor(colour.darker(140));
    s->setMarkerSize(size);
    return s;
}

// A value axis beside another whose figures are a straight function of its own: the secondary
// scale of percentages.
QValueAxis* scaleOf(double from, double to, const QString& title) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.2f"));
    axis->setRange(std::min(from, to), std::max(from, to));
    axis->setReverse(from > to);
    return axis;
}

} // namespace

frmCurvaCompromiso::frmCurvaCompromiso(const workspace::Workspace& ws, store::Database& db,
                                       QWidget* parent)
    : QDialog(parent), ws_(ws), db_(db), choices_(goalChoices(db, ws)) {
    setObjectName(QStringLiteral("frmCurvaCompromiso"));
    setWindowTitle(QStringLiteral("Curva de compromiso: costo frente a un segundo objetivo"));

    cboObjetivo_ = new QComboBox(this);
    cboObjetivo_->setObjectName(QStringLiteral("cboObjetivo"));
    for (const GoalChoice& c : choices_)
        cboObjetivo_->addItem(goalCaption(c), c.id);
    auto* lblObjetivo = new QLabel(QStringLiteral("&Objetivo:"), this);
    lblObjetivo->setBuddy(cboObjetivo_);
    chkAumentar_ = new QCheckBox(QStringLiteral("&Aumentarlo (en vez de bajarlo)"), this);
    chkAumentar_->setObjectName(QStringLiteral("chkAumentar"));
    auto* cmdCalcular = new QPushButton(QStringLiteral("&Calcular"), this);
    cmdCalcular->setObjectName(QStringLiteral("cmdCalcular"));
    connect(cmdCalcular, &QPushButton::clicked, this, &frmCurvaCompromiso::calculate);
    connect(cboObjetivo_, &QComboBox::activated, this, &frmCurvaCompromiso::calculate);
    connect(chkAumentar_, &QCheckBox::toggled, this, &frmCurvaCompromiso::calculate);

    lblMensaje_ = new QLabel(this);
    lblMensaje_->setObjectName(QStringLiteral("lblMensaje"));
    lblMensaje_->setWordWrap(true);

    chtCurva_ = new QChartView(new QChart, this);
    chtCurva_->setObjectName(QStringLiteral("chtCurva"));
    chtCurva_->setRenderHint(QPainter::Antialiasing);
    chtCurva_->setMinimumSize(560, 380);

    grdVertices_ = new QTableWidget(this);
    grdVertices_->setObjectName(QStringLiteral("grdVertices"));
    grdVertices_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdVertices_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdVertices_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdVertices_->verticalHeader()->hide();
    grdVertices_->horizontalHeader()->setStretchLastSection(true);
    connect(grdVertices_, &QTableWidget::itemSelectionChanged, this,
            &frmCurvaCompromiso::vertexChosen);

    txtValor_ = new QLineEdit(this);
    txtValor_->setObjectName(QStringLiteral("txtValor"));
    txtValor_->setToolTip(QStringLiteral("Un valor del objetivo sobre la curva, entre dos vértices "
                                         "o en uno; también se elige con un clic en la línea"));
    connect(txtValor_, &QLineEdit::returnPressed, this, &frmCurvaCompromiso::valueTyped);
    auto* lblValor = new QLabel(QStringLiteral("&Valor elegido:"), this);
    lblValor->setBuddy(txtValor_);
    lblPunto_ = new QLabel(this);
    lblPunto_->setObjectName(QStringLiteral("lblPunto"));
    lblPunto_->setWordWrap(true);
    cmdAplicar_ = new QPushButton(QStringLiteral("&Llevar a la fórmula"), this);
    cmdAplicar_->setObjectName(QStringLiteral("cmdAplicar"));
    cmdAplicar_->setToolTip(QStringLiteral("Pone la mezcla de ese punto en la fórmula, sin grabar, "
                                           "con el límite del objetivo en ese valor"));
    connect(cmdAplicar_, &QPushButton::clicked, this, &frmCurvaCompromiso::takeToFormula);
    auto* cmdClose = new QPushButton(QStringLiteral("&Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(lblObjetivo);
    top->addWidget(cboObjetivo_, 1);
    top->addWidget(chkAumentar_);
    top->addWidget(cmdCalcular);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblValor);
    bottom->addWidget(txtValor_);
    bottom->addWidget(lblPunto_, 1);
    bottom->addWidget(cmdAplicar_);
    bottom->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblMensaje_);
    layout->addWidget(chtCurva_, 3);
    layout->addWidget(grdVertices_, 2);
    layout->addLayout(bottom);
    resize(980, 820);

    // The formula's first nutrient is the first choice; the curve shows at once.
    if (!choices_.empty())
        calculate();
    else
        lblMensaje_->setText(QStringLiteral("El catálogo no tiene nutrientes."));
}

frmCurvaCompromiso::~frmCurvaCompromiso() = default;

void frmCurvaCompromiso::calculate() {
    const int index = cboObjetivo_->currentIndex();
    if (index < 0)
        return;
    run_ = tradeoffOfWorkspace(ws_, db_, cboObjetivo_->itemData(index).toInt(),
                               chkAumentar_->isChecked());
    chosen_.reset();
    txtValor_->clear();
    lblPunto_->clear();
    lblMensaje_->setText(curveSummary(run_));
    cmdAplicar_->setEnabled(false);
    txtValor_->setEnabled(run_.hasCurve());
    drawChart();
    fillVertices();
    if (!run_.notices.empty()) {
        QStringList texts;
        for (const workspace::Notice& n : run_.notices)
            texts << n.text;
        lblMensaje_->setText(lblMensaje_->text() + u' ' + texts.join(u' '));
    }
}

void frmCurvaCompromiso::drawChart() {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chosenMark_ = nullptr;
    if (run_.hasCurve()) {
        const std::vector<CurvePoint> points = curveLine(run_);
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("Menor costo"));
        for (const CurvePoint& p : points)
            line->append(p.valor, p.costo);
        QPen pen(QColor(32, 96, 176));
        pen.setWidth(3);
        line->setPen(pen);
        auto* vertices = marks(QStringLiteral("Vértices"), QColor(32, 96, 176), 9);
        for (const TradeoffRow& v : run_.vertices)
            vertices->append(v.valor, v.costo);
        auto* actual = marks(QStringLiteral("Fórmula actual"), QColor(230, 140, 20), 12);
        if (run_.actual)
            actual->append(run_.actual->valor, run_.actual->costo);
        chosenMark_ = marks(QStringLiteral("Punto elegido"), QColor(20, 150, 60), 13);
        for (QXYSeries* s : std::initializer_list<QXYSeries*>{line, vertices, actual, chosenMark_})
            chart->addSeries(s);
        for (QXYSeries* s : std::initializer_list<QXYSeries*>{line, vertices})
            connect(s, &QXYSeries::clicked, this,
                    [this](const QPointF& point) { choose(point.x()); });

        double xMin = run_.vertices.front().valor, xMax = xMin;
        double yMin = run_.vertices.front().costo, yMax = yMin;
        for (const CurvePoint& p : points) {
            xMin = std::min(xMin, p.valor), xMax = std::max(xMax, p.valor);
            yMin = std::min(yMin, p.costo), yMax = std::max(yMax, p.costo);
        }
        if (run_.actual) {
            xMin = std::min(xMin, run_.actual->valor), xMax = std::max(xMax, run_.actual->valor);
            yMin = std::min(yMin, run_.actual->costo), yMax = std::max(yMax, run_.actual->costo);
        }
        const double xPad = xMax > xMin ? 0.05 * (xMax - xMin) : std::max(1e-3, 0.05 * xMax);
        const double yPad = yMax > yMin ? 0.08 * (yMax - yMin) : std::max(1e-4, 0.05 * yMax);
        auto* axisX = new QValueAxis;
        axisX->setTitleText(curveGoalTitle(run_));
        axisX->setLabelFormat(QStringLiteral("%.4g"));
        axisX->setRange(xMin - xPad, xMax + xPad);
        axisX->applyNiceNumbers();
        auto* axisY = new QValueAxis;
        axisY->setTitleText(kCurveCostTitle);
        axisY->setLabelFormat(QStringLiteral("%.4f"));
        axisY->setRange(yMin - yPad, yMax + yPad);
        axisY->applyNiceNumbers();
        chart->addAxis(axisX, Qt::AlignBottom);
        chart->addAxis(axisY, Qt::AlignLeft);
        for (QAbstractSeries* s : chart->series()) {
            s->attachAxis(axisX);
            s->attachAxis(axisY);
        }
        chart->addAxis(scaleOf(percentAboveLeastCost(run_, axisY->min()),
                               percentAboveLeastCost(run_, axisY->max()),
                               QStringLiteral("% sobre menor costo")),
                       Qt::AlignRight);
        const auto from = percentFromOptimum(run_, axisX->min());
        const auto to = percentFromOptimum(run_, axisX->max());
        if (from && to)
            chart->addAxis(scaleOf(*from, *to,
                                   run_.aumentar ? QStringLiteral("% sobre el óptimo")
                                                 : QStringLiteral("% bajo el óptimo")),
                           Qt::AlignTop);
    }
    QChart* old = chtCurva_->chart();
    chtCurva_->setChart(chart);
    delete old;
}

void frmCurvaCompromiso::fillVertices() {
    const QStringList headers = run_.hasCurve() ? tradeoffHeaders(run_) : QStringList();
    const std::vector<QStringList> cells =
        run_.hasCurve() ? tradeoffCells(run_) : std::vector<QStringList>();
    const QSignalBlocker quiet(grdVertices_);
    grdVertices_->clear();
    grdVertices_->setColumnCount(int(headers.size()));
    grdVertices_->setHorizontalHeaderLabels(headers);
    grdVertices_->setRowCount(int(cells.size()));
    for (int r = 0; r < int(cells.size()); ++r)
        for (int c = 0; c < int(cells[size_t(r)].size()); ++c) {
            auto* item = new QTableWidgetItem(cells[size_t(r)][c]);
            item->setToolTip(cells[size_t(r)][c]);
            item->setTextAlignment(c < 4 ? Qt::AlignRight | Qt::AlignVCenter
                                         : Qt::AlignLeft | Qt::AlignVCenter);
            grdVertices_->setItem(r, c, item);
        }
    grdVertices_->resizeColumnsToContents();
    for (int c = 4; c < grdVertices_->columnCount(); ++c)
        grdVertices_->setColumnWidth(c, std::min(grdVertices_->columnWidth(c), 260));
}

void frmCurvaCompromiso::choose(double valor) {
    const std::optional<TradeoffRow> point = tradeoffPointAt(run_, valor);
    if (!point) {
        chosen_.reset();
        cmdAplicar_->setEnabled(false);
        lblPunto_->setText(QStringLiteral("Ese valor está fuera de la curva."));
        if (chosenMark_)
            chosenMark_->clear();
        return;
    }
    chosen_ = point->valor;
    cmdAplicar_->setEnabled(true);
    const QString pattern = tradeoffValuePattern(run_);
    txtValor_->setText(fmt::format(point->valor, pattern + QStringLiteral("##")));
    QStringList mix;
    for (const TradeoffMixLine& m : point->mezcla)
        mix << m.nombre + u' ' + fmt::share(m.porcentajeHumeda * 100) + QStringLiteral(" %");
    lblPunto_->setText(QStringLiteral("Costo ") + fmt::price(point->costo) + QStringLiteral(" (+") +
                       fmt::share(point->sobreCosto) + QStringLiteral(" %). Mezcla: ") +
                       mix.join(QStringLiteral(", ")));
    lblPunto_->setToolTip(mix.join(u'\n'));
    if (chosenMark_) {
        chosenMark_->clear();
        chosenMark_->append(point->valor, point->costo);
    }
}

void frmCurvaCompromiso::vertexChosen() {
    const int row = grdVertices_->currentRow();
    if (row >= 0 && row < int(run_.vertices.size()))
        choose(run_.vertices[size_t(row)].valor);
}

void frmCurvaCompromiso::valueTyped() {
    const std::optional<double> v = numtext::toNumber(txtValor_->text());
    if (!v) {
        msg::msgBox(QStringLiteral("Escriba un valor numérico del objetivo"), msg::Exclamation);
        return;
    }
    choose(*v);
}

void frmCurvaCompromiso::takeToFormula() {
    if (chosen_)
        accept();
}

std::optional<workspace::ResultFigures> openCurvaCompromiso(workspace::Workspace& ws,
                                                            store::Database& db, QWidget* parent) {
    frmCurvaCompromiso view(ws, db, parent);
    if (widgets::openModal(view) != QDialog::Accepted || !view.chosen())
        return std::nullopt;
    const AppliedTradeoff applied = applyTradeoffPoint(ws, view.run(), *view.chosen());
    if (applied.refusal) {
        msg::msgBox(applied.refusal->text, applied.refusal->kind, applied.refusal->title);
        return std::nullopt;
    }
    return applied.figures;
}

} // namespace optimizer
