#include "printing/page_output.h"

#include "printing/output_file.h"
#include "printing/page_canvas.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

namespace printing {

QPageLayout standardPageLayout() {
    // 4.2 mm (1/6 inch) is what common laser printers cannot reach at each edge.
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(4.2, 4.2, 4.2, 4.2), QPageLayout::Millimeter);
}

bool writePdf(const QString& path, const QString& title, const PageDrawing& draw, QString* error) {
    if (const QString problem = outputTargetProblem(path); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("No se pudo crear el archivo \"%1\": %2")
                         .arg(path, file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Dosivant"));
        writer.setResolution(600);
        writer.setPageLayout(standardPageLayout());
        QPainter painter;
        if (!painter.begin(&writer)) {
            if (error)
                *error = QStringLiteral("No se pudo escribir el PDF \"%1\"").arg(path);
            file.cancelWriting();
            return false;
        }
        PainterCanvas canvas(painter);
        draw(canvas);
        painter.end();
    }
    return commitOutputFile(file, path, error);
}

QList<QImage> renderPages(const PageDrawing& draw, int dotsPerInch, const QPageLayout& layout) {
    const QRectF area = layout.paintRect(QPageLayout::Millimeter);
    const QSize pixels(int(std::lround(area.width() / 25.4 * dotsPerInch)),
                       int(std::lround(area.height() / 25.4 * dotsPerInch)));
    const int dotsPerMeter = int(std::lround(dotsPerInch / 0.0254));
    QList<QImage> pages;
    auto blankPage = [&] {
        QImage image(pixels, QImage::Format_RGB32);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        return image;
    };
    QImage current = blankPage();
    QPainter painter(&current);
    PainterCanvas canvas(painter, [&] {
        // The painter keeps its state; only the picture under it is swapped for a blank one.
        pages.append(current.copy());
        current.fill(Qt::white);
    });
    draw(canvas);
    painter.end();
    pages.append(current);
    return pages;
}

} // namespace printing
