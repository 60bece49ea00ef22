#include "app/busy_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

bool haveGui() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

namespace app {

BusyPointer::BusyPointer() {
    if (haveGui()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        active_ = true;
    }
}

BusyPointer::~BusyPointer() {
    release();
}

void BusyPointer::release() {
    if (!active_)
        return;
    active_ = false;
    if (haveGui())
        QGuiApplication::restoreOverrideCursor();
}

} // namespace app
