#pragma once

#include <QTreeWidget>

class TqvFileInfo;

// A two-column list of a file's version strings, by default those of the
// running executable. Fills itself as soon as it is placed on a parent.
class TqvFileInfoListView : public QTreeWidget
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
public:
    explicit TqvFileInfoListView(QWidget* parent = nullptr);

    QString FileName() const { return m_fileName; }
    // A blank name lists the running executable; a name of a missing file
    // throws and leaves the rows as they were.
    void setFileName(const QString& fileName);

    TqvFileInfo* fileInfo() const { return m_fileInfo; }

    // Rebuilds both columns, each half the list's width, and the ten rows.
    virtual void FillInfo();

protected:
    bool event(QEvent* event) override;

private:
    TqvFileInfo* m_fileInfo = nullptr;
    QString m_fileName;
};
