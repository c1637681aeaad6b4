#pragma once

#include "historystore.h"
#include "historywriter.h"
#include "trendsource.h"

#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QButtonGroup;
class QTimer;

namespace tovra {

class Desktop;
class TrendPlot;

// The Trends window: the history of the connected laser, or read-only of any laser in it, or a
// data file, plotted over one time axis with one plot per unit. Range buttons, pan and zoom, a
// cursor read-out, event markers; at the right edge the view follows the live values. Exports
// the shown range and series as CSV and the plots as PNG.
class TrendsWindow : public QWidget
{
    Q_OBJECT
public:
    struct Context
    {
        QString historyFile;
        // The laser the program is connected to; an empty model when none (demo mode).
        std::function<LaserIdentity()> connectedLaser;
        QString programVersion;
        Desktop &desktop;
    };

    // The ranges of the range buttons; All is the whole of the source.
    enum class Range { TenMinutes, OneHour, EightHours, OneDay, SevenDays, ThirtyDays, All };

    TrendsWindow(Context context, QWidget *parent = nullptr);
    ~TrendsWindow() override;

    // The history's state, as the main window's status bar shows it too.
    void showHistoryState(HistoryState state, const QString &note);
    // Plots a data file of the program in this window, with a note of what was skipped.
    void openDataFile(const QString &fileName);
    // Lists the lasers of the history again and shows the connected one.
    void reload();

    void selectRange(Range range);
    void exportCsv();
    void savePicture();
    QList<TrendPlot *> plots() const { return plotList; }
    qint64 shownFromMs() const { return fromMs; }
    qint64 shownToMs() const { return toMs; }
    QString cursorReadOut() const;
    QString note() const;
    // Shows the range again from the source (the live view calls it on its timer).
    void refresh();

private:
    void buildLayout();
    QWidget *buildRangeButtons();
    void listSources(const QString &current);
    void chooseSource(int index);
    void setSource(std::unique_ptr<TrendSource> source);
    void panBy(double fraction);
    void zoomBy(double factor, qint64 anchorMs);
    void showRange(qint64 newFromMs, qint64 newToMs);
    void showCursorAt(qint64 ms);
    void updateNote();
    QList<Channel> shownChannels() const;
    TrendSource *currentSource() const;
    bool atRightEdge() const;

    Context context;
    HistoryStore store;
    std::unique_ptr<TrendSource> source;
    std::unique_ptr<SampleTrend> dataFile;
    QString dataFileName;
    QString dataFileNote;
    QString historyNote;
    QComboBox *laserChoice;
    QButtonGroup *rangeButtons;
    QLabel *noteLabel;
    QLabel *cursorLabel;
    QList<TrendPlot *> plotList;
    QTimer *liveTimer;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    bool following = true;
};

} // namespace tovra
