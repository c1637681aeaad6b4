#include "remotefiringbanner.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace tovra {

RemoteFiringBanner::RemoteFiringBanner(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RemoteFiringBanner"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 220, 0));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);

    label = new QLabel(this);
    label->setTextFormat(Qt::PlainText); // the path is the operator's, never markup
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *copy = new QToolButton(this);
    copy->setObjectName(QStringLiteral("CopySharedPath"));
    copy->setText(QStringLiteral("Copy path"));
    connect(copy, &QToolButton::clicked, this, &RemoteFiringBanner::copyPath);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 2, 0);
    layout->addWidget(label);
    layout->addWidget(copy);
    hide();
}

void RemoteFiringBanner::showFor(const QString &path)
{
    sharedPath = path;
    label->setText(QStringLiteral("Remote firing allowed: scripts at %1 may fire the laser").arg(path));
    label->setToolTip(path);
    setVisible(!path.isEmpty());
}

QString RemoteFiringBanner::text() const
{
    return isHidden() ? QString() : label->text();
}

void RemoteFiringBanner::copyPath() const
{
    QGuiApplication::clipboard()->setText(sharedPath);
}

} // namespace tovra
