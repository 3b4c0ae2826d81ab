#pragma once
// The keep list: up to 50 saved pages, names in List1 and URLs in List2,
// kept in URL.ini in the data folder and rewritten at every KEEP and DEL.

#include "platform/desktop.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kurumin {

class Panel;

// URL.ini in the data folder.
QString keepListPath(Panel& panel);

// Fills List1 (names), List2 (URLs) and lblCNT from URL.ini. A count that is
// no number ends the load where it stands.
void loadKeepList(Panel& panel);

// The whole list as URL.ini holds it: Count, then NameI and URLI in order.
std::vector<ProfileEdit> keepListEdits(const QStringList& names, const QStringList& urls,
                                       bool clearFirst);

// Only web addresses are opened from the list: a stored script or file
// address must not run.
bool isWebAddress(const QString& url);

void wireKeepList(Panel& p);

inline constexpr int KeepListFull = 50;

} // namespace kurumin
