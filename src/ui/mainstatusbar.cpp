#include "mainstatusbar.h"

#include <QFileInfo>
#include <QPainter>

namespace tovra {

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString &text)
{
    setText(text);
    setToolTip(text);
    updateGeometry();
}

// Room for the caption and the ellipsis, so that a short bar still says which file it speaks of.
QSize ElidedLabel::minimumSizeHint() const
{
    const QString shortest = text().section(QLatin1Char(' '), 0, 0) + QStringLiteral(" …");
    return {fontMetrics().horizontalAdvance(shortest) + contentsMargins().left() + contentsMargins().right(),
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(room, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width()));
}

MainStatusBar::MainStatusBar(QWidget *parent)
    : QStatusBar(parent)
    , remoteLabel(new ElidedLabel(this))
    , logLabel(new ElidedLabel(this))
    , dataLabel(new ElidedLabel(this))
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(false); // the window has a fixed size
    logLabel->setObjectName(QStringLiteral("LogRecordinglbl"));
    dataLabel->setObjectName(QStringLiteral("DataRecordinglbl"));
    // At their full width when there is room; the passing messages take what is left.
    remoteLabel->setObjectName(QStringLiteral("RemoteControllbl"));
    addPermanentWidget(remoteLabel);
    remoteLabel->hide();
    addPermanentWidget(logLabel);
    addPermanentWidget(dataLabel);
    showLogRecording(QString());
    showDataRecording(QString());
}

void MainStatusBar::showLogRecording(const QString &fileName)
{
    showRecording(logLabel, QStringLiteral("Log: "), fileName);
}

void MainStatusBar::showDataRecording(const QString &fileName)
{
    showRecording(dataLabel, QStringLiteral("Data: "), fileName);
}

void MainStatusBar::showRemoteControl(const QString &client)
{
    remoteLabel->setFullText(QStringLiteral("Remote control: ") + client);
    remoteLabel->setVisible(!client.isEmpty());
}

// The tooltip names the folder as well: the file lands in the working folder, which the
// operator may not know.
void MainStatusBar::showRecording(ElidedLabel *label, const QString &caption, const QString &fileName)
{
    label->setFullText(caption + (fileName.isEmpty() ? QStringLiteral("off") : fileName));
    if (!fileName.isEmpty())
        label->setToolTip(caption + QFileInfo(fileName).absoluteFilePath());
}

} // namespace tovra
