#include "cli/IntervalCommands.h"

#include "cli/TextTable.h"
#include "components/o_Duration.h"
#include "components/o_SignIn.h"
#include "components/o_EntryWriter.h"
#include "components/o_IntervalEditor.h"
#include "components/o_WorkHistory.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QRegularExpression>
#include <QTextStream>

namespace {

QString momentText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

} // namespace

IntervalCommands::IntervalCommands(DbConnection& connection, int kind, const SignedInUser& user, QTextStream& out)
    : m_connection(connection)
    , m_kind(kind)
    , m_user(user)
    , m_out(out)
{
}

void IntervalCommands::requireDeveloper(const SignedInUser& user)
{
    if (user.developerId == 0)
        throw AppError(TIntervalEditor::noDeveloperText(user.userName));
}

TIntervalUser IntervalCommands::intervalUser(const SignedInUser& user)
{
    TIntervalUser result;
    result.developerId = user.developerId;
    result.isAdmin = user.isAdmin;
    result.userName = user.userName;
    result.source = WorkSource::CommandLine;
    return result;
}

void IntervalCommands::writeLocked(const std::function<void()>& write)
{
    try {
        write();
    } catch (const LockedPeriodError& error) {
        if (!error.confirmable())
            throw;
        throw AppError(error.message() + QStringLiteral(" Add --allow-locked to change it all the same; the change "
                                                        "is recorded in the interval's history."));
    }
}

QDateTime IntervalCommands::parseMoment(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})[ T](\\d{2}:\\d{2}(:\\d{2})?)$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return {};
    const QDate date = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(match.captured(2), match.captured(3).isEmpty() ? QStringLiteral("HH:mm")
                                                                                       : QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

void IntervalCommands::list(const QDate& from, const QDate& to)
{
    requireDeveloper(m_user);
    TIntervalEditor editor(m_connection, m_kind);
    const QList<TInterval> rows = editor.list(m_user.developerId, from, to);
    const QStringList titles{QStringLiteral("ID"),   QStringLiteral("Project"), QStringLiteral("Start"),
                             QStringLiteral("Stop"), QStringLiteral("Hours"),   QStringLiteral("Comment")};
    QList<QStringList> lines{titles};
    for (const TInterval& row : rows)
        lines << QStringList{QString::number(row.id),
                             row.projectName,
                             momentText(row.start),
                             row.running() ? QStringLiteral("running") : momentText(row.end),
                             row.running() ? QString() : Duration::ofStoredHours(row.hours),
                             TextTable::oneLine(row.comment)};
    // IDs and hours to the right, the rest to the left; the comment last, unpadded.
    TextTable::write(m_out, lines, {0, 4}, false);
    m_out << rows.size() << (rows.size() == 1 ? " interval\n" : " intervals\n");
    m_out.flush();
}

void IntervalCommands::edit(int id, const IntervalEdit& edit)
{
    TIntervalEditor editor(m_connection, m_kind);
    TIntervalUser user = intervalUser(m_user);
    user.lockConfirmed = edit.allowLocked;
    const TInterval current = editor.require(user, id);

    TIntervalChange change;
    change.id = id;
    change.projectId = current.projectId;
    change.start = edit.start.value_or(current.start);
    change.end = current.running() ? QDateTime() : current.end;
    if (edit.stop)
        change.end = *edit.stop;
    change.comment = edit.comment.value_or(current.comment);
    if (edit.project)
        change.projectId = project(*edit.project).id;

    const QString refused = TIntervalEditor::refusal(current, change, Clock::now());
    if (!refused.isEmpty())
        throw AppError(refused);
    const QList<TInterval> overlaps = TIntervalEditor::timesChanged(current, change)
                                          ? editor.overlapping(current.developerId, change.start, change.end, id)
                                          : QList<TInterval>();
    if (!overlaps.isEmpty() && !edit.allowOverlap) {
        QStringList lines;
        for (const TInterval& other : overlaps)
            lines << QStringLiteral("  interval %1: %2").arg(other.id).arg(TIntervalEditor::describe(other));
        throw AppError(QStringLiteral("Interval %1 would overlap:\n%2\nNothing was written; add --allow-overlap to "
                                      "write it all the same.")
                           .arg(id)
                           .arg(lines.join(QLatin1Char('\n'))));
    }
    // Refused should the interval have changed since it was read just now.
    TInterval written;
    writeLocked([&] { written = editor.update(user, change, current); });
    m_out << QStringLiteral("Changed interval %1: %2.\n").arg(id).arg(TIntervalEditor::describe(written));
    m_out.flush();
}

void IntervalCommands::remove(int id, bool allowLocked)
{
    TIntervalEditor editor(m_connection, m_kind);
    TIntervalUser user = intervalUser(m_user);
    user.lockConfirmed = allowLocked;
    TInterval removed;
    writeLocked([&] { removed = editor.remove(user, id); });
    m_out << QStringLiteral("Deleted interval %1: %2.\n").arg(id).arg(TIntervalEditor::describe(removed));
    m_out.flush();
}

void IntervalCommands::history(int id)
{
    TWorkHistory history(m_connection);
    if (!history.isRecorded())
        throw AppError(TWorkHistory::notRecordedText());
    const QList<TWorkChange> changes = history.ofInterval(id);
    if (changes.isEmpty()) {
        m_out << QStringLiteral("Interval %1 has no recorded changes.\n").arg(id);
        m_out.flush();
        return;
    }
    QList<QStringList> lines{{QStringLiteral("When"), QStringLiteral("Who"), QStringLiteral("From"),
                              QStringLiteral("Action"), QStringLiteral("What")}};
    for (const TWorkChange& change : changes)
        lines << QStringList{TWorkHistory::whenText(change), change.who, TWorkHistory::sourceText(change.source),
                             TWorkHistory::actionText(change.action), TextTable::oneLine(history.describe(change))};
    TextTable::write(m_out, lines, {}, false);
    m_out.flush();
}

TIntervalEditor::Project IntervalCommands::project(const QString& wanted, bool forStart)
{
    return TEntryWriter::findProject(TIntervalEditor(m_connection, m_kind).projectsOf(intervalUser(m_user), forStart),
                                     wanted, m_user.userName);
}
