#pragma once

#include <QString>

namespace store {

// A new, empty file of our own next to the target, which another run can never pick, held
// locked (flock) for as long as this object lives. The lock ends with the process however it
// ends, so a file of our naming that nobody holds locked was left by a run that was killed.
class OwnedTemporary {
public:
    explicit OwnedTemporary(const QString& target);
    ~OwnedTemporary();
    OwnedTemporary(const OwnedTemporary&) = delete;
    OwnedTemporary& operator=(const OwnedTemporary&) = delete;

    const QString& name() const { return name_; }

private:
    QString name_;
    int fd_ = -1;
};

// Moves `from` to `to` only while `to` does not exist: true when moved, false when `to` exists.
bool moveIntoFreePath(const QString& from, const QString& to);

// The temporaries of runs that were killed: "<target>.<12 hex digits>.creando" (the names of
// OwnedTemporary) that no run holds locked, with their journals, and journals left without
// their file. The user's own "<target>.creando" has no such name, and a run under way holds its
// file locked until the file is in place.
void removeStaleTemporaries(const QString& target);

} // namespace store
