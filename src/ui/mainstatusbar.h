#pragma once

#include <QLabel>
#include <QStatusBar>

namespace tovra {

// A one-line label that shows as much of its text as fits: when short of room the middle gives
// way to "…", so the start ("Log: TovraLogFile_") and the end (".txt") stay readable. The text is
// plain (a file name is never markup); the whole text stands in the tooltip.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The main window's status bar. On the left, passing messages of any part of the window
// (QStatusBar::showMessage, e.g. where a file went); on the right, always, whether the
// communication log and the data file are recording: "Log: <file name>" or "Log: off", and the
// same for "Data:".
class MainStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget *parent = nullptr);

    // An empty name: the file is off.
    void showLogRecording(const QString &fileName);
    void showDataRecording(const QString &fileName);

    // "Remote control: <client>" at the left of the permanent fields while a client of the control
    // API holds control; an empty client hides it.
    void showRemoteControl(const QString &client);
    QString remoteControlText() const { return remoteLabel->isHidden() ? QString() : remoteLabel->text(); }
    QString logText() const { return logLabel->text(); }
    QString dataText() const { return dataLabel->text(); }

private:
    static void showRecording(ElidedLabel *label, const QString &caption, const QString &fileName);

    ElidedLabel *remoteLabel;
    ElidedLabel *logLabel;
    ElidedLabel *dataLabel;
};

} // namespace tovra
