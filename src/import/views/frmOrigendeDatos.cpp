#include "import/views/frmOrigendeDatos.h"

#include "app/messages.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace import {

namespace {

frmOrigendeDatos::FileChooser& chooser() {
    static frmOrigendeDatos::FileChooser installed;
    return installed;
}

QString chooseFile(QWidget* parent, const QString& title, const QString& filters) {
    if (chooser())
        return chooser()(parent, title, filters);
    return QFileDialog::getOpenFileName(parent, title, QString(), filters);
}

} // namespace

frmOrigendeDatos::FileChooser frmOrigendeDatos::setFileChooser(FileChooser c) {
    FileChooser old = std::move(chooser());
    chooser() = std::move(c);
    return old;
}

frmOrigendeDatos::frmOrigendeDatos(QWidget* parent, QString dsnPath)
    : QDialog(parent), dsnPath_(std::move(dsnPath)) {
    setObjectName(QStringLiteral("frmOrigendeDatos"));
    setWindowTitle(QStringLiteral("Utilidades - Origen de Datos"));

    auto* Label1 = new QLabel(QStringLiteral("Origen de datos Actual:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    TxtDBQ = new QLineEdit(this);
    TxtDBQ->setObjectName(QStringLiteral("TxtDBQ"));
    TxtDBQ->setReadOnly(true); // the path comes from the file dialog only
    Txtdefdir = new QLineEdit(this);
    Txtdefdir->setObjectName(QStringLiteral("Txtdefdir"));
    Txtdefdir->setReadOnly(true);

    auto* Command1 = new QPushButton(QStringLiteral("Nuevo"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &frmOrigendeDatos::Command1_Click);
    auto* Command2 = new QPushButton(QStringLiteral("Grabar"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command2, &QPushButton::clicked, this, &frmOrigendeDatos::Command2_Click);
    auto* Command3 = new QPushButton(QStringLiteral("Salir"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    connect(Command3, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(TxtDBQ, 1, 0);
    layout->addWidget(Txtdefdir, 2, 0);
    layout->addLayout(buttons, 3, 0);
    resize(560, 150);

    if (const auto values = readDsn(dsnPath_))
        showValues(values->dbq, values->defaultDir);
    else
        showValues(QString(), QString());
}

void frmOrigendeDatos::showValues(const QString& dbq, const QString& defaultDir) {
    dbq_ = dbq;
    defaultDir_ = defaultDir;
    TxtDBQ->setText(dbq.isEmpty() ? kSinOrigen : displayValue(dbq));
    Txtdefdir->setText(displayValue(defaultDir));
}

void frmOrigendeDatos::Command1_Click() {
    const QString chosen = chooseFile(this, QStringLiteral("Seleccione el origen de datos"),
                                      QStringLiteral("Dosivant (*.mdb);;"
                                                     "Dosivant SQLite (*.db *.sqlite *.sqlite3);;"
                                                     "Todos los archivos (*)"));
    if (chosen.isEmpty())
        showValues(QString(), QString());
    else
        showValues(chosen, folderOf(chosen));
}

void frmOrigendeDatos::Command2_Click() {
    if (dbq_.isEmpty())
        return;
    if (!writeDsn(dsnPath_, defaultDir_, dbq_)) {
        msg::msgBox(QStringLiteral("No se pudo grabar el origen de datos en ") + dsnPath_,
                    msg::Critical);
        return;
    }
    accept();
}

} // namespace import
