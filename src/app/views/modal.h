#pragma once

#include <functional>

class QDialog;

namespace widgets {

// Every view opens another modally through openModal, so a test can stand in for the user:
// the runner gets the dialog (already built, its controls filled) and returns its result code.
using ModalRunner = std::function<int(QDialog&)>;

// Runs the dialog modally (QDialog::exec, or the installed runner) and returns its result.
int openModal(QDialog& dialog);

// Installs a runner; an empty one restores QDialog::exec. Returns the runner it replaces.
ModalRunner setModalRunner(ModalRunner runner);

// Installs a runner for its lifetime.
class ScopedModalRunner {
public:
    explicit ScopedModalRunner(ModalRunner runner) : previous_(setModalRunner(std::move(runner))) {}
    ~ScopedModalRunner() { setModalRunner(std::move(previous_)); }
    ScopedModalRunner(const ScopedModalRunner&) = delete;
    ScopedModalRunner& operator=(const ScopedModalRunner&) = delete;

private:
    ModalRunner previous_;
};

} // namespace widgets
