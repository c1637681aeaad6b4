#include "trendswindow.h"

#include "csvexport.h"
#include "datafilereader.h"
#include "desktop.h"
#include "trendplot.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tovra {

namespace {

constexpr qint64 MinuteMs = 60'000;
constexpr qint64 HourMs = 60 * MinuteMs;
constexpr qint64 DayMs = 24 * HourMs;

const struct
{
    TrendsWindow::Range range;
    const char *caption;
    const char *name;
    qint64 spanMs;
} RangeButtons[] = {
    {TrendsWindow::Range::TenMinutes, "10 min", "range10min", 10 * MinuteMs},
    {TrendsWindow::Range::OneHour, "1 h", "range1h", HourMs},
    {TrendsWindow::Range::EightHours, "8 h", "range8h", 8 * HourMs},
    {TrendsWindow::Range::OneDay, "24 h", "range24h", DayMs},
    {TrendsWindow::Range::SevenDays, "7 d", "range7d", 7 * DayMs},
    {TrendsWindow::Range::ThirtyDays, "30 d", "range30d", 30 * DayMs},
    {TrendsWindow::Range::All, "All", "rangeAll", 0},
};

// The shortest range worth plotting: a few seconds of updates.
constexpr qint64 ShortestSpanMs = 10'000;
const QString DataFileEntry = QStringLiteral("file");

QString laserCaption(const LaserIdentity &laser)
{
    return laser.model + QStringLiteral(" #") + QString::number(laser.serialNumber);
}

} // namespace

TrendsWindow::TrendsWindow(Context windowContext, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , context(std::move(windowContext))
    , laserChoice(new QComboBox)
    , rangeButtons(new QButtonGroup(this))
    , noteLabel(new QLabel)
    , cursorLabel(new QLabel)
    , liveTimer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Trends"));
    setObjectName(QStringLiteral("TrendsWindow"));
    buildLayout();
    // The live view moves on once a bucket's width has passed: a long range changes no sooner.
    connect(liveTimer, &QTimer::timeout, this, [this] {
        const qint64 bucketMs = (toMs - fromMs) / plotList.first()->plotColumns();
        if (following && isVisible() && QDateTime::currentMSecsSinceEpoch() - toMs >= bucketMs)
            refresh();
    });
    liveTimer->start(1000);
    toMs = QDateTime::currentMSecsSinceEpoch();
    fromMs = toMs - HourMs;
    reload();
}

TrendsWindow::~TrendsWindow() = default;

void TrendsWindow::buildLayout()
{
    auto *top = new QHBoxLayout;
    laserChoice->setObjectName(QStringLiteral("laserChoice"));
    laserChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(laserChoice, &QComboBox::activated, this, &TrendsWindow::chooseSource);
    top->addWidget(new QLabel(QStringLiteral("Laser:")));
    top->addWidget(laserChoice);
    top->addWidget(buildRangeButtons());
    top->addStretch();
    auto *exportButton = new QPushButton(QStringLiteral("Export CSV…"));
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    connect(exportButton, &QPushButton::clicked, this, &TrendsWindow::exportCsv);
    auto *pictureButton = new QPushButton(QStringLiteral("Save Picture…"));
    pictureButton->setObjectName(QStringLiteral("savePicture"));
    connect(pictureButton, &QPushButton::clicked, this, &TrendsWindow::savePicture);
    top->addWidget(exportButton);
    top->addWidget(pictureButton);

    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    noteLabel->setObjectName(QStringLiteral("historyNote"));
    noteLabel->setTextFormat(Qt::PlainText);
    noteLabel->setWordWrap(true);
    column->addWidget(noteLabel);
    for (Unit unit : {Unit::Volt, Unit::Ampere, Unit::Celsius, Unit::CountsPerSecond}) {
        auto *plot = new TrendPlot(unit);
        connect(plot, &TrendPlot::panBy, this, &TrendsWindow::panBy);
        connect(plot, &TrendPlot::zoomBy, this, &TrendsWindow::zoomBy);
        connect(plot, &TrendPlot::pointerAt, this, &TrendsWindow::showCursorAt);
        plotList << plot;
        column->addWidget(plot, 1);
    }
    cursorLabel->setObjectName(QStringLiteral("cursorReadOut"));
    cursorLabel->setTextFormat(Qt::PlainText);
    column->addWidget(cursorLabel);
    resize(1100, 860);
}

QWidget *TrendsWindow::buildRangeButtons()
{
    auto *box = new QWidget;
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (const auto &button : RangeButtons) {
        auto *push = new QPushButton(QString::fromLatin1(button.caption));
        push->setObjectName(QString::fromLatin1(button.name));
        push->setCheckable(true);
        rangeButtons->addButton(push);
        connect(push, &QPushButton::clicked, this, [this, range = button.range] { selectRange(range); });
        row->addWidget(push);
    }
    rangeButtons->buttons().at(1)->setChecked(true);
    return box;
}

void TrendsWindow::reload()
{
    listSources(laserChoice->currentData().toString());
}

// The entry chosen is the connected laser, else the one of `current`, else the first.
void TrendsWindow::listSources(const QString &current)
{
    const LaserIdentity connected = context.connectedLaser ? context.connectedLaser() : LaserIdentity();
    if (!store.isOpen() && QFileInfo::exists(context.historyFile))
        store.open(context.historyFile, HistoryStore::Mode::ReadOnly);
    laserChoice->clear();
    int choose = -1;
    for (const HistoryStore::Laser &laser : store.lasers()) {
        const bool isConnected = laser.identity == connected;
        laserChoice->addItem(laserCaption(laser.identity) + (isConnected ? QStringLiteral(" (connected)") : QString()),
                             QString::number(laser.id));
        if ((isConnected && current != DataFileEntry) || QString::number(laser.id) == current)
            choose = laserChoice->count() - 1;
    }
    if (dataFile) {
        laserChoice->addItem(QStringLiteral("Data file ") + QFileInfo(dataFileName).fileName(), DataFileEntry);
        if (current == DataFileEntry)
            choose = laserChoice->count() - 1;
    }
    if (choose < 0 && laserChoice->count() > 0)
        choose = 0;
    laserChoice->setCurrentIndex(choose);
    chooseSource(choose);
}

void TrendsWindow::chooseSource(int index)
{
    const QString key = index >= 0 ? laserChoice->itemData(index).toString() : QString();
    if (key == DataFileEntry) {
        source.reset();
        updateNote();
        const TimeSpan span = dataFile->span();
        following = false;
        showRange(span.firstMs, std::max(span.lastMs + 1, span.firstMs + ShortestSpanMs));
        return;
    }
    for (const HistoryStore::Laser &laser : store.lasers()) {
        if (QString::number(laser.id) == key) {
            setSource(std::make_unique<StoredTrend>(store, laser));
            return;
        }
    }
    setSource(nullptr);
}

void TrendsWindow::setSource(std::unique_ptr<TrendSource> newSource)
{
    source = std::move(newSource);
    updateNote();
    following = true;
    const qint64 span = toMs - fromMs;
    toMs = QDateTime::currentMSecsSinceEpoch();
    showRange(toMs - span, toMs);
}

void TrendsWindow::openDataFile(const QString &fileName)
{
    const DataFileContents contents = readDataFile(fileName);
    if (!contents.error.isEmpty()) {
        context.desktop.message(contents.error);
        return;
    }
    dataFile = std::make_unique<SampleTrend>(LaserIdentity{QStringLiteral("Data file"), 0, QString()}, contents.samples);
    dataFileName = fileName;
    dataFileNote = QFileInfo(fileName).fileName() + QStringLiteral(": ") + contents.note();
    listSources(DataFileEntry);
}

void TrendsWindow::showHistoryState(HistoryState, const QString &note)
{
    historyNote = note;
    updateNote();
}

void TrendsWindow::updateNote()
{
    QStringList lines;
    if (laserChoice->currentData().toString() == DataFileEntry)
        lines << dataFileNote;
    else if (!store.isOpen())
        lines << QStringLiteral("No history yet: it starts with the first status update of a laser.");
    if (!historyNote.isEmpty())
        lines << historyNote;
    noteLabel->setText(lines.join(QLatin1Char('\n')));
}

QString TrendsWindow::note() const
{
    return noteLabel->text();
}

TrendSource *TrendsWindow::currentSource() const
{
    return laserChoice->currentData().toString() == DataFileEntry ? static_cast<TrendSource *>(dataFile.get())
                                                                   : source.get();
}

void TrendsWindow::selectRange(Range range)
{
    for (const auto &button : RangeButtons) {
        if (button.range != range)
            continue;
        if (QAbstractButton *push = findChild<QAbstractButton *>(QString::fromLatin1(button.name)))
            push->setChecked(true);
        TrendSource *shown = currentSource();
        const TimeSpan span = shown ? shown->span() : TimeSpan{0, -1};
        const bool live = shown == source.get();
        const qint64 end = live ? QDateTime::currentMSecsSinceEpoch() : span.lastMs + 1;
        qint64 start = end - button.spanMs;
        if (range == Range::All)
            start = span.isEmpty() ? end - HourMs : span.firstMs;
        following = live;
        showRange(start, std::max(end, start + ShortestSpanMs));
    }
}

void TrendsWindow::panBy(double fraction)
{
    const qint64 span = toMs - fromMs;
    const qint64 shift = qint64(double(span) * fraction);
    showRange(fromMs + shift, toMs + shift);
    following = atRightEdge();
}

void TrendsWindow::zoomBy(double factor, qint64 anchorMs)
{
    if (anchorMs < fromMs || anchorMs > toMs)
        anchorMs = following ? toMs : fromMs + (toMs - fromMs) / 2;
    const qint64 span = std::max(ShortestSpanMs, qint64(double(toMs - fromMs) * factor));
    const double anchorAt = double(anchorMs - fromMs) / double(toMs - fromMs);
    const qint64 start = anchorMs - qint64(anchorAt * double(span));
    showRange(start, start + span);
}

// At the right edge of a live history the view follows the new values.
bool TrendsWindow::atRightEdge() const
{
    return currentSource() == source.get() && source && toMs >= QDateTime::currentMSecsSinceEpoch() - 2000;
}

void TrendsWindow::refresh()
{
    if (following && currentSource() == source.get()) {
        const qint64 span = toMs - fromMs;
        toMs = QDateTime::currentMSecsSinceEpoch();
        fromMs = toMs - span;
    }
    showRange(fromMs, toMs);
}

void TrendsWindow::showRange(qint64 newFromMs, qint64 newToMs)
{
    fromMs = newFromMs;
    toMs = std::max(newToMs, newFromMs + 1);
    TrendSource *shown = currentSource();
    const int columns = plotList.first()->plotColumns();
    const qint64 bucketMs = std::max<qint64>(1, (toMs - fromMs) / columns);
    const QList<ReducedBucket> buckets = shown ? shown->reduce(fromMs, toMs, bucketMs) : QList<ReducedBucket>();
    const QList<HistoryEvent> events = shown ? shown->events(fromMs, toMs) : QList<HistoryEvent>();
    for (TrendPlot *plot : plotList) {
        plot->show(buckets, events, fromMs, toMs);
        plot->setVisible(plot->holdsValues() || plot == plotList.first());
    }
}

void TrendsWindow::showCursorAt(qint64 ms)
{
    QStringList parts = {QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    for (TrendPlot *plot : plotList) {
        const QString values = plot->readOutAt(ms);
        if (!values.isEmpty())
            parts << values;
    }
    cursorLabel->setText(parts.join(QStringLiteral("   ")));
}

QString TrendsWindow::cursorReadOut() const
{
    return cursorLabel->text();
}

QList<Channel> TrendsWindow::shownChannels() const
{
    QList<Channel> shown;
    for (TrendPlot *plot : plotList) {
        for (Channel channel : plot->channels()) {
            if (plot->isShown(channel) && plot->holdsValues(channel))
                shown << channel;
        }
    }
    std::sort(shown.begin(), shown.end());
    return shown;
}

void TrendsWindow::exportCsv()
{
    TrendSource *shown = currentSource();
    if (!shown)
        return;
    QString fileName = context.desktop.saveFileName(QStringLiteral("Export CSV"), QStringLiteral("CSV files (*.csv)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    const QString failure =
        tovra::exportCsv(*shown, {fileName, fromMs, toMs, shownChannels(), context.programVersion});
    if (!failure.isEmpty())
        context.desktop.message(QStringLiteral("The export was not written: ") + failure);
}

void TrendsWindow::savePicture()
{
    QString fileName = context.desktop.saveFileName(QStringLiteral("Save Picture"), QStringLiteral("PNG pictures (*.png)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !grab().save(&file, "PNG") || !file.commit())
        context.desktop.message(QStringLiteral("The picture was not written to ") + fileName);
}

} // namespace tovra
