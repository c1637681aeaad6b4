#include "headlessdesktop.h"

#include <cstdio>

namespace tovra {

HeadlessDesktop::HeadlessDesktop()
    : err(stderr)
{
}

void HeadlessDesktop::say(const QString &text, const QString &answer)
{
    QString line = text;
    // A box's text may come from the laser: one line, no control characters.
    for (QChar &c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    err << "tovra: " << line;
    if (!answer.isEmpty())
        err << " [" << answer << "]";
    err << Qt::endl;
}

void HeadlessDesktop::message(const QString &text)
{
    say(text, QString());
}

Button HeadlessDesktop::warning(const QString &text, ButtonSet buttons)
{
    switch (buttons) {
    case ButtonSet::Ok:
        say(text, QString());
        return Button::Ok;
    case ButtonSet::AbortRetry:
        say(text, QStringLiteral("Abort"));
        return Button::Abort;
    case ButtonSet::YesNo:
        say(text, QStringLiteral("No"));
        return Button::No;
    case ButtonSet::YesNoIgnore:
        break;
    }
    say(text, QStringLiteral("Ignore"));
    return Button::Ignore;
}

Button HeadlessDesktop::question(const QString &text)
{
    say(text, QStringLiteral("No"));
    return Button::No;
}

QString HeadlessDesktop::inputText(const QString &title, const QString &prompt, const QString &defaultText)
{
    say(title + QStringLiteral(": ") + prompt, QStringLiteral("Cancel"));
    return defaultText;
}

std::optional<QString> HeadlessDesktop::inputSecret(const QString &title, const QString &prompt)
{
    say(title + QStringLiteral(": ") + prompt, QStringLiteral("Cancel"));
    return std::nullopt;
}

QString HeadlessDesktop::saveFileName(const QString &caption, const QString &)
{
    say(caption, QStringLiteral("Cancel"));
    return QString();
}

QString HeadlessDesktop::openFileName(const QString &caption, const QString &)
{
    say(caption, QStringLiteral("Cancel"));
    return QString();
}

void HeadlessDesktop::openUrl(const QString &) {}

int HeadlessDesktop::execDialog(QDialog &)
{
    return 0; // QDialog::Rejected
}

void HeadlessDesktop::startNewInstance()
{
    say(QStringLiteral("Not restarted without a window; the service manager restarts a headless run"), QString());
}

void HeadlessDesktop::tell(const QString &text)
{
    say(text, QString());
}

bool HeadlessDesktop::retry(const QString &text)
{
    say(text, QStringLiteral("Abort"));
    return false;
}

std::optional<int> HeadlessDesktop::pickPort(const QList<PortChoice> &, int)
{
    say(QStringLiteral("Choose the port with port=N when running headless"), QStringLiteral("Cancel"));
    return std::nullopt;
}

LostLinkAnswer HeadlessDesktop::communicationsLost()
{
    say(QStringLiteral("Communications lost. Restart?"), QStringLiteral("Ignore"));
    return LostLinkAnswer::Ignore;
}

} // namespace tovra
