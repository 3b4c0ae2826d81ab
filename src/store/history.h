#pragma once
// REC, TREC, CH and "...": the page in front noted in REC/URL-mmdd.txt in
// the data folder, one file a day; today's file, or one picked, opened for reading.

#include <QDate>
#include <QString>

namespace kurumin {

class Panel;

QString historyPath(const QString& dataFolder, const QDate& day);
// A field as a record holds it: in double quotes, nothing escaped.
QString quoted(const QString& text);

void wireHistory(Panel& p);

} // namespace kurumin
