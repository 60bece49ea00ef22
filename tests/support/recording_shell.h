#pragma once

#include "app/help_documents.h"

#include <QStringList>

// Stands in for the desktop while it lives: records the documents the program asks it to open
// and answers with `answer`.
class RecordingShell : public app::DocumentShell {
public:
    RecordingShell() : previous_(app::setDocumentShell(this)) {}
    ~RecordingShell() override { app::setDocumentShell(previous_); }
    RecordingShell(const RecordingShell&) = delete;
    RecordingShell& operator=(const RecordingShell&) = delete;
    bool hasPdfViewer() override { return true; }
    bool open(const QString& path) override {
        opened << path;
        return answer;
    }
    QStringList opened;
    bool answer = true;

private:
    app::DocumentShell* previous_;
};
