#pragma once
// Tells the views that the panel's state may have changed: after every
// handler, and before a box shows what a handler has written so far.

#include <QObject>

namespace kurumin {

class PanelChanges : public QObject {
    Q_OBJECT
  signals:
    void changed();
};

} // namespace kurumin
