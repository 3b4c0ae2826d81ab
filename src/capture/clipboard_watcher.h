#pragma once

#include <QString>

namespace kurumin {

class Panel;

// MIN, MAX and the padding width taken from the text between the brackets.
struct RangeBounds {
    QString min;
    QString max;
    bool widthsDiffer = false; // worth the Error_04 warning
};
RangeBounds splitRange(const QString& between);

// One pass of the watcher: takes up new clipboard text.
void watcherTick(Panel& p);

// The 500 ms tick, and the same pass at once when the clipboard changes.
void wireWatcher(Panel& p);

} // namespace kurumin
