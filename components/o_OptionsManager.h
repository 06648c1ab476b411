#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <memory>

class ProfileFile;

// Sections and keys of options.ini.
namespace Options {
inline const QString ConnectionSection = QStringLiteral("ConnectionSettings");
inline const QString ExportSection = QStringLiteral("ExportSettings");
inline const QString ProjectsSection = QStringLiteral("ProjectsSection");

inline const QString ServerName = QStringLiteral("ServerName");
inline const QString DataBaseName = QStringLiteral("DataBaseName");
inline const QString UserName = QStringLiteral("UserName");
inline const QString Password = QStringLiteral("Password");
inline const QString DatabaseType = QStringLiteral("DatabaseType");
// PostgreSQL's TLS: libpq's sslmode and the CA certificate the server's is checked against.
inline const QString SslMode = QStringLiteral("SslMode");
inline const QString SslRootCert = QStringLiteral("SslRootCert");
// The user name of the last sign-in on this desktop, offered at the next one.
inline const QString LastUserName = QStringLiteral("LastUserName");
inline const QString ExcelPath = QStringLiteral("ExcelPath");
inline const QString DataBasePath = QStringLiteral("DataBasePath");
inline const QString LastProjectTimeElapsed = QStringLiteral("LastProjectTimeElapsed");
inline const QString IdleMinutes = QStringLiteral("IdleMinutes"); // 0: no idle detection
// An interval taken over at sign-in that has run longer is asked about; 0: never.
inline const QString LongIntervalHours = QStringLiteral("LongIntervalHours");
inline constexpr int DefaultLongIntervalHours = 10;

// Per-user choices about the desktop: reminders during working hours, what a
// lock or suspend does to a running interval, starting at login.
inline const QString DesktopSection = QStringLiteral("DesktopSettings");
inline const QString ReminderMinutes = QStringLiteral("ReminderMinutes"); // 0: no reminders
inline const QString WorkDays = QStringLiteral("WorkDays"); // "1,2,3,4,5", Monday is 1
// "09:00"; also the earliest start of time added in the week grid.
inline const QString WorkStart = QStringLiteral("WorkStart");
inline const QString WorkEnd = QStringLiteral("WorkEnd"); // "17:00"
inline const QString OnLockOrSuspend = QStringLiteral("OnLockOrSuspend"); // 0 nothing, 1 stop, 2 ask on return
inline const QString StartAtLogin = QStringLiteral("StartAtLogin"); // 1: the autostart entry is wanted

inline const QString DefaultDataBasePath = QStringLiteral("DataBase\\hwr.db");
inline const QString DefaultExcelPath = QStringLiteral("Reports\\Hourwright.xlsx");

// Conversions of option texts the callers make; a text that is no number
// raises the conversion error.
int toInt(const QVariant& value);
double toDouble(const QVariant& value); // reads both '.' and ',' decimal points
// A time of day written "HH:mm" (or "H:mm"); the fallback for anything else.
QTime toTimeOfDay(const QVariant& value, const QTime& fallback);
} // namespace Options

// Reads and writes options.ini. Nothing is cached: every read and write goes
// to the file. Two values, the database user name and password, are stored
// in the program's own text encoding.
class TqvOptionsManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString OptionsFileName READ OptionsFileName WRITE setOptionsFileName)
public:
    explicit TqvOptionsManager(QObject* owner = nullptr);
    ~TqvOptionsManager() override;

    QString OptionsFileName() const { return m_fileName; }
    void setOptionsFileName(const QString& fileName);
    QStringList sectionNames() const { return m_sections; }

    // The text of the value, or defaultValue (with its own type) when empty.
    QVariant ReadValue(const QString& section, const QString& key, const QVariant& defaultValue) const;
    void WriteValue(const QString& section, const QString& key, const QVariant& value);
    QVariant ReadEncodedValue(const QString& section, const QString& key, const QVariant& defaultValue) const;
    void WriteEncodedValue(const QString& section, const QString& key, const QVariant& value);

    // Six bits a symbol from "0-9A-Za-z+/", most significant first, no fill.
    static QString EncodeValue(const QByteArray& bytes);
    // Stops at the first character outside the table; the table's 47 Greek
    // letters (Windows-1253 0xC1..0xF9) decode to 64..110.
    static QByteArray DecodeValue(const QString& symbols);

    // Numbers are written in their ordinary decimal form with a '.' point.
    static QString valueText(const QVariant& value);

private:
    ProfileFile& file() const;

    QString m_fileName;
    std::unique_ptr<ProfileFile> m_file;
    QStringList m_sections;
};

// The one options manager of the program, created on first use.
TqvOptionsManager* GetOptionsManager();
