#include "support/ExternalReaders.h"

#include <QJsonArray>
#include <QJsonDocument>
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
    const QJsonDocument document =
        QJsonDocument::fromJson(run(QStringLiteral("python3"), {QStringLiteral("-c"), script, fileName}));
    QList<QStringList> records;
    for (const QJsonValue& record : document.array()) {
        QStringList fields;
        for (const QJsonValue& field : record.toArray())
            fields << field.toString();
        records << fields;
    }
    return records;
}

} // namespace ExternalReaders
