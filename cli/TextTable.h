#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QTextStream;

// The command line's aligned tables: `list` and `report` write theirs alike.
namespace TextTable {

// A comment on one line of a table: line breaks become blanks.
QString oneLine(QString text);

// Writes the lines (the titles first) with every column padded to its widest
// entry, the columns in rightAligned to the right and the others to the left.
// The last column is not padded and no line ends in blanks. With rule, a line
// of dashes as wide as each column follows the titles.
void write(QTextStream& out, const QList<QStringList>& lines, const QList<int>& rightAligned, bool rule);

} // namespace TextTable
