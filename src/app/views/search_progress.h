#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace widgets {

// A window-modal progress dialog shown at once, which neither resets nor closes by itself: the
// caller closes it when the long work ends.
std::unique_ptr<QProgressDialog> shownProgressDialog(QWidget* parent, const QString& label,
                                                     const QString& title,
                                                     const QString& objectName, int maximum);

// The progress of a search for a weighable mix or plan, asked before each node: shown once the
// search has run a second (a quick one never flashes it), its label the nodes searched so far;
// Esc or its button stops the search, which keeps the best found.
class SearchProgress {
public:
    SearchProgress(QWidget* parent, QString label);
    ~SearchProgress();
    SearchProgress(const SearchProgress&) = delete;
    SearchProgress& operator=(const SearchProgress&) = delete;

    // Whether the search goes on.
    bool operator()(long nodos);
    // Closes the dialog before the caller shows the result.
    void close();

private:
    QWidget* parent_;
    QString label_;
    QElapsedTimer elapsed_;
    qint64 polled_ = 0;
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace widgets
