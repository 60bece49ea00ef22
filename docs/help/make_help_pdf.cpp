// Turns a help page kept as HTML in the repository into the PDF the Ayuda menu opens, with
// Qt's own text layout: no other tool is needed to build the documents.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextStream>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "uso: make_help_pdf PAGINA.html SALIDA.pdf\n";
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        err << "no se puede leer " << source.fileName() << ": " << source.errorString() << '\n';
        return 1;
    }
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 11));
    document.setDefaultStyleSheet(QStringLiteral(
        "h1 { color: #1f4e79; } h2 { color: #1f4e79; } h3 { color: #1f4e79; margin-top: 14px; }"
        "pre { background-color: #f0f0f0; }"));
    // Pictures (<img src="../screenshots/menu.png">) are found relative to the page.
    QString html = QString::fromUtf8(source.readAll());
    const QString folder = QFileInfo(source).absolutePath();
    html.replace(QRegularExpression(QStringLiteral("src=\"(?!/)([^\"]+)\"")),
                 QStringLiteral("src=\"") + folder + QStringLiteral("/\\1\""));
    document.setHtml(html);

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    writer.setCreator(QStringLiteral("Dosivant"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    // Without a page size of its own, the document is laid out on the writer's pages and
    // numbered at their foot.
    document.print(&writer);
    return 0;
}
