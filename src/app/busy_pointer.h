#pragma once

namespace app {

// Shows the hourglass for as long as it lives, so every way out of a long operation (return,
// early exit, exception) gives the pointer back. Guards nest. Without a QGuiApplication (tools,
// core tests) it does nothing.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // Gives the pointer back before the guard ends, for an operation that hands over to a modal
    // window the user works in. Safe to call twice.
    void release();

private:
    bool active_ = false;
};

} // namespace app
