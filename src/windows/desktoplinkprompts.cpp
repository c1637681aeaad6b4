#include "desktoplinkprompts.h"

#include "desktop.h"
#include "formpickport.h"

namespace tovra {

void DesktopLinkPrompts::tell(const QString &text)
{
    desktop.message(text);
}

bool DesktopLinkPrompts::retry(const QString &text)
{
    return desktop.warning(text, ButtonSet::AbortRetry) == Button::Retry;
}

std::optional<int> DesktopLinkPrompts::pickPort(const QList<PortChoice> &ports, int currentPort)
{
    TformPickPort dialog;
    for (const PortChoice &port : ports)
        dialog.addPort(port.number, port.devicePath);
    dialog.selectPort(currentPort);
    if (desktop.execDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenPort();
}

LostLinkAnswer DesktopLinkPrompts::communicationsLost()
{
    switch (desktop.warning(QStringLiteral("Communications lost. Restart?"), ButtonSet::YesNoIgnore)) {
    case Button::Yes:
        return LostLinkAnswer::Restart;
    case Button::No:
        return LostLinkAnswer::Exit;
    case Button::Ignore:
        return LostLinkAnswer::Ignore;
    default:
        return LostLinkAnswer::Dismissed;
    }
}

} // namespace tovra
