#include "printing/views/frmGraficos.h"

#include "app/messages.h"
#include "app/views/modal.h"
#include "printing/mix_chart_page.h"
#include "printing/page_canvas.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace printing {

namespace {

// Paints the charts over its whole area, in millimetres of the screen.
class ChartsCanvas : public QWidget {
public:
    ChartsCanvas(optimizer::MixCharts charts, QWidget* parent)
        : QWidget(parent), charts_(std::move(charts)) {
        setObjectName(QStringLiteral("picGraficos"));
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
        setMinimumSize(720, 560);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PainterCanvas canvas(painter);
        const QSizeF size = canvas.pageSize();
        drawMixCharts(canvas, QRectF(4, 4, size.width() - 8, size.height() - 8), charts_);
    }

private:
    optimizer::MixCharts charts_;
};

} // namespace

frmGraficos::frmGraficos(optimizer::MixCharts charts, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmGraficos"));
    setWindowTitle(QStringLiteral("Gráficos de la mezcla"));
    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new ChartsCanvas(std::move(charts), this), 1);
    layout->addLayout(buttons);
    resize(900, 720);
}

frmGraficos::~frmGraficos() = default;

void openGraficos(const workspace::Workspace& ws, QWidget* parent) {
    optimizer::MixCharts charts = optimizer::mixCharts(ws);
    if (charts.nutrientes.empty() && charts.costos.empty()) {
        msg::msgBox(QStringLiteral("Formule primero a mínimo costo para ver los gráficos"),
                    msg::Exclamation);
        return;
    }
    frmGraficos graficos(std::move(charts), parent);
    widgets::openModal(graficos);
}

} // namespace printing
