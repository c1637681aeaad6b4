#include "recordfiles.h"

#include "laserstate.h"

#include <QDateTime>

namespace tovra {

namespace {

QStringList logHeader(const LaserState &)
{
    return {fileHeaderLine(QStringLiteral("Tovra Communication Log File "), QDateTime::currentDateTime())};
}

QStringList dataHeader(const LaserState &state)
{
    return {fileHeaderLine(QStringLiteral("Tovra Data File "), QDateTime::currentDateTime()), dataColumnHeader(state)};
}

} // namespace

RecordFiles::RecordFiles(LaserState &laserState, Desktop &desktop, std::function<bool()> busy,
                         RecordFilesView &menusView)
    : state(laserState)
    , view(menusView)
    , messages(desktop, std::move(busy))
{
    for (RecordKind kind : {RecordKind::CommunicationLog, RecordKind::DataCollection})
        (this->*recordOf(kind).file).setWriteFailureHandler([this, kind] {
            switchOff(kind);
            messages.post(recordOf(kind).failure);
        });
}

const RecordFiles::Record &RecordFiles::recordOf(RecordKind kind) const
{
    static const Record log{
        &RecordFiles::loggingEnabled,
        &RecordFiles::logFile,
        logFileNameFor,
        logHeader,
        QStringLiteral("Log file cannot be written to. Please run program from writable location. "
                       "Logging will be disabled."),
    };
    static const Record data{
        &RecordFiles::dataCollectionEnabled,
        &RecordFiles::dataFile,
        dataFileNameFor,
        dataHeader,
        QStringLiteral("Data file cannot be written to. Please run program from writable location. "
                       "Logging will be disabled."),
    };
    return kind == RecordKind::CommunicationLog ? log : data;
}

QString RecordFiles::fileName(RecordKind kind) const
{
    const QString written = (this->*recordOf(kind).file).fileName();
    return written.isEmpty() ? recordOf(kind).nameFor(run) : written;
}

void RecordFiles::toggle(RecordKind kind)
{
    const Record &record = recordOf(kind);
    if (this->*record.enabled) {
        switchOff(kind);
        (this->*record.file).close();
        return;
    }
    this->*record.enabled = true;
    view.setRecordChecked(kind, true);
    if (!(this->*record.file).open(record.nameFor(run), record.headerFor(state))) {
        // The check mark stays: choosing the item again tries again.
        this->*record.enabled = false;
        messages.showNowOrLater(record.failure);
        return;
    }
    view.showRecording(kind, fileName(kind));
}

void RecordFiles::switchOff(RecordKind kind)
{
    this->*recordOf(kind).enabled = false;
    view.setRecordChecked(kind, false);
    view.showRecording(kind, QString());
}

void RecordFiles::appendDataRow(const QList<Measurement> &unread)
{
    if (!dataCollectionEnabled)
        return;
    dataFile.writeLine((QStringList{longTimeText(QTime::currentTime())} + dataRowValues(state, unread))
                                 .join(QLatin1Char(',')));
}

void RecordFiles::appendLogNote(const QString &line)
{
    if (loggingEnabled)
        logFile.writeLine(line);
}

void RecordFiles::endRecording()
{
    for (RecordKind kind : {RecordKind::CommunicationLog, RecordKind::DataCollection}) {
        this->*recordOf(kind).enabled = false;
        (this->*recordOf(kind).file).close();
    }
}

} // namespace tovra
