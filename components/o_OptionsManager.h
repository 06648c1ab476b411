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
inline const QString ExcelPath = QStringLiteral("ExcelPath");
inline const QString DataBasePath = QStringLiteral("DataBasePath");
inline const QString LastProjectTimeElapsed = QStringLiteral("LastProjectTimeElapsed");
inline const QString IdleMinutes = QStringLiteral("IdleMinutes"); // 0: no idle detection
// An interval taken over at sign-in that has run longer is asked about; 0: never.
inline const QString LongIntervalHours = QStringLiteral("LongIntervalHours");
inline constexpr int DefaultLongIntervalHours = 10;
// Time added in the week grid starts no earlier than this time of day ("HH:mm").
inline const QString WorkingDayStart = QStringLiteral("WorkingDayStart");
inline const QTime DefaultWorkingDayStart = QTime(9, 0);

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
