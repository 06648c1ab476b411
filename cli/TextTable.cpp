#include "cli/TextTable.h"

#include <QTextStream>

#include <algorithm>

QString TextTable::oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

void TextTable::write(QTextStream& out, const QList<QStringList>& lines, const QList<int>& rightAligned, bool rule)
{
    const int columns = lines.isEmpty() ? 0 : int(lines.first().size());
    QList<int> widths(columns, 0);
    for (const QStringList& line : lines)
        for (int c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], int(line.at(c).size()));

    auto writeLine = [&](const QStringList& cells) {
        QString text;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += QLatin1String("  ");
            text += c == columns - 1           ? cells.at(c)
                    : rightAligned.contains(c) ? cells.at(c).rightJustified(widths[c])
                                               : cells.at(c).leftJustified(widths[c]);
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out << text << '\n';
    };
    for (int i = 0; i < lines.size(); ++i) {
        writeLine(lines.at(i));
        if (i == 0 && rule) {
            QStringList dashes;
            for (int width : std::as_const(widths))
                dashes << QString(width, QLatin1Char('-'));
            writeLine(dashes);
        }
    }
}
