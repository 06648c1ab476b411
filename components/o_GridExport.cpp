#include "components/o_GridExport.h"

#include "toolkit/Clock.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/UrlOpener.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString kCaption = QStringLiteral("Hourwright");

// Often enough for the bar to move and the window to repaint, rarely enough
// not to cost more than the rows themselves.
constexpr int kRowsBetweenEvents = 1000;

bool usableFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isWritable();
}

} // namespace

TGridExport::TGridExport(QObject* owner)
    : QObject(owner)
{
}

QString TGridExport::outputFolderInUse() const
{
    if (!m_outputFolder.isEmpty())
        return m_outputFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return usableFolder(documents) ? documents : QDir::tempPath();
}

QString TGridExport::uniqueFileName(const QString& stem, const QString& suffix) const
{
    const QDir folder(outputFolderInUse());
    const QString dated = stem + QLatin1Char(' ') + Clock::now().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    QString name = folder.filePath(dated + suffix);
    // Two exports within one second must not overwrite each other.
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = folder.filePath(QStringLiteral("%1 (%2)%3").arg(dated).arg(n).arg(suffix));
    return name;
}

QList<DbGrid::Column> TGridExport::columnsOf(const DbGrid& grid, const MemTable& table)
{
    QList<DbGrid::Column> columns = grid.gridColumns();
    if (columns.isEmpty())
        for (const QString& field : table.fieldNames()) {
            DbGrid::Column column;
            column.field = field;
            column.title = field;
            columns.append(column);
        }
    return columns;
}

void TGridExport::startProgress(const MemTable& table)
{
    if (m_progressBar) {
        m_progressBar->setMaximum(table.recordCount());
        m_progressBar->setValue(0);
    }
}

void TGridExport::walkRows(DbGrid& grid, MemTable& table, const std::function<void()>& row)
{
    startProgress(table);
    QProgressBar* bar = m_progressBar.data();
    const auto resetBar = qScopeGuard([this] {
        if (m_progressBar)
            m_progressBar->setValue(0);
    });
    const bool wasEnabled = grid.isEnabled();
    const int position = table.recNo();
    grid.setEnabled(false);
    table.disableControls();
    const auto restore = qScopeGuard([&] {
        if (position >= 0)
            table.setRecNo(position);
        table.enableControls();
        grid.setEnabled(wasEnabled);
    });

    int rows = 0;
    for (table.first(); !table.eof(); table.next()) {
        row();
        if (bar)
            bar->setValue(bar->value() + 1);
        // Repaints only: a click now could close the table being read.
        if (++rows % kRowsBetweenEvents == 0)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void TGridExport::reportWritten(const QString& fileName, const QString& what)
{
    m_lastExport = fileName;
    MessageService::information(kCaption, QStringLiteral("Exported Successfully"));
    if (!UrlOpener::open(QUrl::fromLocalFile(fileName)))
        MessageService::warning(kCaption, QStringLiteral("The %1 was written to %2, but no program could open it.")
                                              .arg(what, QDir::toNativeSeparators(fileName)));
}
