#pragma once

#include <QObject>
#include <QString>

// The version strings of a file, by default of the running executable. The
// build writes them into an ELF section of each of our executables
// (cmake/VersionSection.cmake); any file carrying such a section can be read.
class TqvFileInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(QString CompanyName READ CompanyName)
    Q_PROPERTY(QString FileDescription READ FileDescription)
    Q_PROPERTY(QString FileVersion READ FileVersion)
    Q_PROPERTY(int FileVersionAsNumeric READ FileVersionAsNumeric)
    Q_PROPERTY(QString InternalName READ InternalName)
    Q_PROPERTY(QString LegalCopyright READ LegalCopyright)
    Q_PROPERTY(QString LegalTrademarks READ LegalTrademarks)
    Q_PROPERTY(QString OriginalFilename READ OriginalFilename)
    Q_PROPERTY(QString ProductName READ ProductName)
    Q_PROPERTY(QString ProductVersion READ ProductVersion)
    Q_PROPERTY(QString Comments READ Comments)
public:
    // The section the version strings live in.
    static const QByteArray SectionName;

    // Reads the running executable at once.
    explicit TqvFileInfo(QObject* owner = nullptr);

    QString FileName() const { return m_fileName; }
    // Stores the name and reads that file; a blank name means the running
    // executable. Throws when the file does not exist (the name stays).
    void setFileName(const QString& fileName);

    QString CompanyName() const { return m_companyName; }
    QString FileDescription() const { return m_fileDescription; }
    QString FileVersion() const { return m_fileVersion; }
    // The last part of FileVersion as a number (1.0.0.15 gives 15); throws
    // the conversion error when that part is not a whole number.
    int FileVersionAsNumeric() const;
    QString InternalName() const { return m_internalName; }
    QString LegalCopyright() const { return m_legalCopyright; }
    QString LegalTrademarks() const { return m_legalTrademarks; }
    QString OriginalFilename() const { return m_originalFilename; }
    QString ProductName() const { return m_productName; }
    QString ProductVersion() const { return m_productVersion; }
    QString Comments() const { return m_comments; }

private:
    void Load();

    QString m_fileName;
    QString m_companyName;
    QString m_fileDescription;
    QString m_fileVersion;
    QString m_internalName;
    QString m_legalCopyright;
    QString m_legalTrademarks;
    QString m_originalFilename;
    QString m_productName;
    QString m_productVersion;
    QString m_comments;
};
