#include "toolkit/AutostartEntry.h"

#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

AutostartEntry::AutostartEntry(const QString& desktopId)
    : m_desktopId(desktopId)
{
}

QString AutostartEntry::path() const
{
    return AppPaths::userConfigFolder(QStringLiteral("autostart")) + QLatin1Char('/') + m_desktopId
           + QStringLiteral(".desktop");
}

bool AutostartEntry::exists() const
{
    return QFileInfo::exists(path());
}

QString AutostartEntry::execLine(const QStringList& command)
{
    QStringList quoted;
    for (QString argument : command) {
        for (const char* special : {"\\", "\"", "`", "$"})
            argument.replace(QLatin1String(special), QLatin1String("\\") + QLatin1String(special));
        argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
        quoted << QLatin1Char('"') + argument + QLatin1Char('"');
    }
    // The value is read as a desktop entry string too, so its backslashes double once more.
    return quoted.join(QLatin1Char(' ')).replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

void AutostartEntry::write(const QString& name, const QString& comment, const QString& icon,
                           const QStringList& command) const
{
    const QString file = path();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nComment=%2\nIcon=%3\n"
                                            "Exec=%4\nTerminal=false\nX-GNOME-Autostart-enabled=true\n")
                                 .arg(name, comment, icon, execLine(command));
        out.write(text.toUtf8());
        if (out.commit())
            return;
    }
    throw AppError(QStringLiteral("The autostart entry %1 could not be written: %2").arg(file, out.errorString()));
}

void AutostartEntry::remove() const
{
    QFile file(path());
    if (file.exists() && !file.remove())
        throw AppError(
            QStringLiteral("The autostart entry %1 could not be removed: %2").arg(file.fileName(), file.errorString()));
}
