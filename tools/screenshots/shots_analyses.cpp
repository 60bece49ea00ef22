// The laboratory analyses window on a copy of the sample database: a file of results read with a
// conflict, the analyses stored, and the composition they give for a period.
#include "tour.h"

#include "catalog/lab_analyses.h"
#include "catalog/views/frmAnalisisLaboratorio.h"
#include "store/database.h"

#include <QDateEdit>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

struct Copy {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
};

const QByteArray kAnalyses = "codigo;propiedad;fecha;lote;valor\n"
                             "MAIZ;Proteína bruta;06/01/2026;M-101;8,1\n"
                             "MAIZ;Proteína bruta;20/01/2026;M-102;8,6\n"
                             "MAIZ;Proteína bruta;03/02/2026;M-103;7,9\n"
                             "MAIZ;Proteína bruta;17/02/2026;M-104;8,4\n"
                             "MAIZ;Extracto etéreo;06/01/2026;M-101;3,6\n"
                             "MAIZ;Extracto etéreo;20/01/2026;M-102;3,9\n"
                             "MAIZ;Extracto etéreo;03/02/2026;M-103;3,7\n"
                             "SOJA44;Proteína bruta;08/01/2026;S-55;43,2\n"
                             "SOJA44;Proteína bruta;22/01/2026;S-56;44,6\n"
                             "SOJA44;Proteína bruta;05/02/2026;S-57;44,1\n"
                             "SOJA44;Lisina;08/01/2026;S-55;2,71\n"
                             "TRIGO;Proteína bruta;10/02/2026;T-9;11,8\n"
                             "SORGO;Proteína bruta;10/02/2026;G-3;9,1\n";

std::shared_ptr<Copy> sampleCopy(tour::Context& c) {
    auto s = std::make_shared<Copy>();
    const QString path = s->dir.filePath(QStringLiteral("analisis.db"));
    QFile::copy(c.db.path(), path);
    s->db = store::Database::openFile(path);
    return s;
}

QString writeFile(const Copy& s, const QByteArray& content) {
    const QString path = s.dir.filePath(QStringLiteral("analisis_febrero.csv"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

std::unique_ptr<QWidget> keeping(std::shared_ptr<Copy> s,
                                 std::unique_ptr<catalog::frmAnalisisLaboratorio> view) {
    QObject::connect(view.get(), &QObject::destroyed, [s] {});
    return view;
}

// The window on a copy holding the analyses, showing tab `tab`.
std::unique_ptr<catalog::frmAnalisisLaboratorio> withAnalyses(const Copy& s, int tab) {
    catalog::insertAnalyses(*s.db,
                            catalog::previewAnalysesFile(*s.db, writeFile(s, kAnalyses), u','));
    auto view = std::make_unique<catalog::frmAnalisisLaboratorio>(*s.db, u',', QDate(2026, 2, 28));
    view->findChild<QTabWidget*>(QStringLiteral("tabAnalisis"))->setCurrentIndex(tab);
    return view;
}

std::unique_ptr<QWidget> imported(tour::Context& c) {
    auto s = sampleCopy(c);
    QByteArray content = kAnalyses;
    content += "CENTENO;Proteína bruta;10/02/2026;C-1;10,2\n"
               "MAIZ;Vitamina E;10/02/2026;M-105;21\n";
    const QString path = writeFile(*s, content);
    auto view = std::make_unique<catalog::frmAnalisisLaboratorio>(*s->db, u',', QDate(2026, 2, 28));
    const auto previous = catalog::frmAnalisisLaboratorio::setFileChooser(
        [path](QWidget*, const QString&, const QString&) { return path; });
    view->findChild<QPushButton*>(QStringLiteral("cmdImportar"))->click();
    catalog::frmAnalisisLaboratorio::setFileChooser(previous);
    return keeping(s, std::move(view));
}

std::unique_ptr<QWidget> stored(tour::Context& c) {
    auto s = sampleCopy(c);
    return keeping(s, withAnalyses(*s, 1));
}

std::unique_ptr<QWidget> composition(tour::Context& c) {
    auto s = sampleCopy(c);
    auto view = withAnalyses(*s, 2);
    view->findChild<QDateEdit*>(QStringLiteral("dtpDesde"))->setDate(QDate(2026, 1, 1));
    view->findChild<QPushButton*>(QStringLiteral("cmdCalcular"))->click();
    return keeping(s, std::move(view));
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmAnalisisLaboratorio"), imported, nullptr});
    all.push_back({QStringLiteral("frmAnalisisLaboratorio_guardados"), stored, nullptr});
    all.push_back({QStringLiteral("frmAnalisisLaboratorio_composicion"), composition, nullptr});
});

} // namespace
