#pragma once

#include "toolkit/DbGrid.h"

#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QString>

#include <functional>

class MemTable;

// What the exports of a data-bound grid share: where the files go, how they
// are named, the progress bar, and the walk over the grid's rows.
class TGridExport : public QObject
{
    Q_OBJECT
public:
    explicit TGridExport(QObject* owner = nullptr);

    QProgressBar* ProgressBar() const { return m_progressBar.data(); }
    void setProgressBar(QProgressBar* bar) { m_progressBar = bar; }

    // Where the files go; empty (the default) means the documents folder,
    // or the temporary folder when there is no usable documents folder.
    QString OutputFolder() const { return m_outputFolder; }
    void setOutputFolder(const QString& folder) { m_outputFolder = folder; }
    // The folder the next file will be written to.
    QString outputFolderInUse() const;

    // The file the last export wrote (empty before the first).
    QString LastExportFileName() const { return m_lastExport; }

protected:
    // "<stem> yyyy-MM-dd HH-mm-ss<suffix>" in the output folder, with a
    // number added when a file of that name is already there.
    QString uniqueFileName(const QString& stem, const QString& suffix) const;

    // The grid's columns, every field under its name when it was given none.
    static QList<DbGrid::Column> columnsOf(const DbGrid& grid, const MemTable& table);

    // Sets the bar to nothing done of the table's rows.
    void startProgress(const MemTable& table);
    // Calls row() for every row of the grid's table with the cursor on it,
    // moving the progress bar. The grid and the table's other controls stay
    // put meanwhile and get back the row they showed, however the walk ends.
    void walkRows(DbGrid& grid, MemTable& table, const std::function<void()>& row);

    // Tells the user, then opens the file in the desktop's program for it.
    void reportWritten(const QString& fileName, const QString& what);

    void setLastExport(const QString& fileName) { m_lastExport = fileName; }

private:
    QString m_outputFolder;
    QString m_lastExport;
    QPointer<QProgressBar> m_progressBar;
};
