#include "import/views/frmImportacion.h"

#include "app/busy_pointer.h"
#include "app/messages.h"
#include "import/background_import.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace import {

frmImportacion::frmImportacion(store::Database& db, QWidget* parent, QString dsnPath,
                               QString settingsPath)
    : QDialog(parent), db_(db), dsnPath_(std::move(dsnPath)),
      settingsPath_(std::move(settingsPath)) {
    setObjectName(QStringLiteral("frmImportacion"));
    setWindowTitle(QStringLiteral("Utilidades - Importación de Datos"));

    auto* Label1 = new QLabel(QStringLiteral("Origen de Datos:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblOrigen = new QLabel(this);
    lblOrigen->setObjectName(QStringLiteral("lblOrigen"));
    lblOK = new QLabel(
        QStringLiteral(
            "Seleccione Importar para realizar la importación de los datos del host remoto."),
        this);
    lblOK->setObjectName(QStringLiteral("lblOK"));
    lblOK->setWordWrap(true);
    lblNO = new QLabel(QStringLiteral("Error en la configuración del importador."), this);
    lblNO->setObjectName(QStringLiteral("lblNO"));
    lblNO->setStyleSheet(QStringLiteral("color: #c00000;"));
    ProgNutrientes = new QLineEdit(this);
    ProgNutrientes->setObjectName(QStringLiteral("ProgNutrientes"));
    ProgNutrientes->setReadOnly(true);
    barProgreso = new QProgressBar(this);
    barProgreso->setObjectName(QStringLiteral("barProgreso"));
    barProgreso->setRange(0, 1);
    barProgreso->setValue(0);
    auto* Label3 = new QLabel(QStringLiteral("Errores de Importación:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    txtLog = new QPlainTextEdit(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    connect(txtLog, &QPlainTextEdit::textChanged, this, &frmImportacion::txtLog_Change);

    cmdImpotar = new QPushButton(QStringLiteral("Importar"), this);
    cmdImpotar->setObjectName(QStringLiteral("cmdImpotar"));
    connect(cmdImpotar, &QPushButton::clicked, this, &frmImportacion::cmdImpotar_Click);
    cdmSalir = new QPushButton(QStringLiteral("Salir"), this);
    cdmSalir->setObjectName(QStringLiteral("cdmSalir"));
    connect(cdmSalir, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImpotar);
    buttons->addWidget(cdmSalir);
    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(lblOrigen, 0, 1);
    layout->addWidget(lblOK, 1, 0, 1, 2);
    layout->addWidget(lblNO, 2, 0, 1, 2);
    layout->addWidget(ProgNutrientes, 3, 0, 1, 2);
    layout->addWidget(barProgreso, 4, 0, 1, 2);
    layout->addWidget(Label3, 5, 0, 1, 2);
    layout->addWidget(txtLog, 6, 0, 1, 2);
    layout->addLayout(buttons, 7, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(6, 1);
    resize(600, 420);

    // A File DSN cut short counts as none: the import cannot tell which file it names.
    if (const auto dsn = readDsn(dsnPath_)) {
        lblOrigen->setText(displayValue(dsn->dbq));
        lblNO->hide();
    } else {
        lblOrigen->setText(kSinOrigen);
        cmdImpotar->setEnabled(false);
        lblOK->hide();
    }
}

void frmImportacion::cmdImpotar_Click() {
    if (msg::msgBox(kConfirmaImportacion, msg::Question) != msg::Yes)
        return;
    cmdImpotar->setEnabled(false); // one import per opening
    cdmSalir->setEnabled(false);
    importing_ = true;

    // The import runs on a worker with connections of its own; this window waits for it in an
    // event loop of its own, so it repaints and takes Esc at any moment.
    BackgroundImport job(db_.path(), remoteConnectionText(dsnPath_, remotePassword(settingsPath_)));
    connect(&job, &BackgroundImport::progress, this, &frmImportacion::showProgress);
    connect(&job, &BackgroundImport::conflicts, this, &frmImportacion::appendLog);
    QEventLoop running;
    connect(&job, &BackgroundImport::finished, &running, &QEventLoop::quit);
    job_ = &job;
    {
        app::BusyPointer busy;
        job.start();
        running.exec();
        if (job.isRunning()) { // the program is quitting
            job.cancel();
            job.waitForFinished();
        }
    }
    job_ = nullptr;
    importing_ = false;
    cdmSalir->setEnabled(true);
    msg::msgBox(outcomeMessage(job.result()), outcomeStyle(job.result()));
}

void frmImportacion::showProgress(const QString& text, int done, int total) {
    ProgNutrientes->setText(text);
    if (total > 0) {
        barProgreso->setRange(0, total);
        barProgreso->setValue(done);
    } else {
        barProgreso->setValue(barProgreso->maximum()); // between phases: the last one is done
    }
}

void frmImportacion::appendLog(const QStringList& lines) {
    QTextCursor end = txtLog->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(lines.join(u'\n') + u'\n');
}

void frmImportacion::txtLog_Change() {
    // The newest line stays in sight.
    txtLog->moveCursor(QTextCursor::End);
    ProgNutrientes->setFocus();
}

void frmImportacion::reject() {
    if (importing_) {
        if (job_)
            job_->cancel();
        return;
    }
    QDialog::reject();
}

} // namespace import
