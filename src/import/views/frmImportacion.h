#pragma once

#include "import/file_dsn.h"
#include "import/import_settings.h"
#include "store/database.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace import {

class BackgroundImport;

// Imports the ingredients, nutrients and compositions of the source named by the File DSN.
// One import per opening. It runs on a worker thread, so the window keeps repainting and taking
// input: Esc (or closing the window) asks the import to stop after the row in hand, or at once
// while it waits for another program's lock.
class frmImportacion : public QDialog {
    Q_OBJECT
public:
    explicit frmImportacion(store::Database& db, QWidget* parent = nullptr,
                            QString dsnPath = defaultDsnPath(),
                            QString settingsPath = defaultSettingsPath());

    bool importing() const { return importing_; }

protected:
    // During an import Esc and the window's close button ask for a cancel instead of closing.
    // (The import button itself is disabled then, so it cannot hold the focus for Esc.)
    void reject() override;

private:
    void cmdImpotar_Click();
    void txtLog_Change();
    void appendLog(const QStringList& lines);
    void showProgress(const QString& text, int done, int total);

    store::Database& db_;
    QString dsnPath_;
    QString settingsPath_;
    bool importing_ = false;
    BackgroundImport* job_ = nullptr; // the import under way

    QLabel* lblOrigen = nullptr;
    QLabel* lblOK = nullptr;
    QLabel* lblNO = nullptr;
    QLineEdit* ProgNutrientes = nullptr;
    QProgressBar* barProgreso = nullptr;
    QPlainTextEdit* txtLog = nullptr;
    QPushButton* cmdImpotar = nullptr;
    QPushButton* cdmSalir = nullptr;
};

} // namespace import
