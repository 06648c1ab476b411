#include "support/ExternalReaders.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtDebug>

namespace {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(' ') << "failed:" << process.errorString()
                             << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

} // namespace

namespace ExternalReaders {

QString pdfText(const QString& fileName)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                               QStringLiteral("UTF-8"), fileName, QStringLiteral("-")}));
}

int pdfPages(const QString& fileName)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {fileName}));
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                             QRegularExpression::MultilineOption)
                                              .match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QList<QStringList> csvRecords(const QString& fileName)
{
    static const QString script = QStringLiteral(
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
        "    json.dump(list(csv.reader(f, strict=True)), sys.stdout)\n");
    const QJsonDocument document = QJsonDocument::fromJson(python(script, {fileName}));
    QList<QStringList> records;
    for (const QJsonValue& record : document.array()) {
        QStringList fields;
        for (const QJsonValue& field : record.toArray())
            fields << field.toString();
        records << fields;
    }
    return records;
}

QByteArray python(const QString& script, const QStringList& arguments)
{
    // The system interpreter, which has the distribution's modules (scripts/deps.sh).
    const QString interpreter = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                 : QStringLiteral("python3");
    return run(interpreter, QStringList{QStringLiteral("-c"), script} + arguments);
}

QJsonObject xlsxContents(const QString& fileName)
{
    static const QString script = QStringLiteral(
        "import json, sys, openpyxl\n"
        "wb = openpyxl.load_workbook(sys.argv[1])\n"
        "sheets = []\n"
        "for ws in wb.worksheets:\n"
        "    cells = {}\n"
        "    for row in ws.iter_rows():\n"
        "        for c in row:\n"
        "            fill = c.fill.fgColor.rgb if c.fill is not None and c.fill.fill_type == 'solid' else None\n"
        "            if c.value is None and fill is None:\n"
        "                continue\n"
        "            cells[c.coordinate] = {'value': None if c.value is None else str(c.value),\n"
        "                                   'fill': fill, 'bold': bool(c.font.b), 'format': c.number_format}\n"
        "    sheets.append({'name': ws.title, 'merged': [str(r) for r in ws.merged_cells.ranges], 'cells': cells})\n"
        "json.dump({'sheets': sheets}, sys.stdout)\n");
    return QJsonDocument::fromJson(python(script, {fileName})).object();
}

} // namespace ExternalReaders
