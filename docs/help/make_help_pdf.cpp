// Turns a help page kept as HTML in the repository into the PDF the Ayuda menu opens.
#include "help_pdf.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "uso: make_help_pdf PAGINA.html SALIDA.pdf\n";
        return 2;
    }
    QString error;
    if (!helppdf::writePdf(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                           &error)) {
        err << error << '\n';
        return 1;
    }
    return 0;
}
