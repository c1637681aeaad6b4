#pragma once

#include "desktop.h"
#include "linkprompts.h"

#include <QTextStream>

namespace tovra {

// The desktop of a run without a window: no one is there to answer, so each box is written to
// standard error with the answer taken, and the answer is the one that leaves the laser as it is
// and keeps the program running: No to a question, Abort to a retry, Ignore to
// "Communications lost. Restart?" (polling goes on), Cancel to every dialog. A restart is not
// started: headless runs are restarted by their service manager.
class HeadlessDesktop : public Desktop, public LinkPrompts
{
public:
    HeadlessDesktop();

    void message(const QString &text) override;
    Button warning(const QString &text, ButtonSet buttons) override;
    Button question(const QString &text) override;
    QString inputText(const QString &title, const QString &prompt, const QString &defaultText) override;
    std::optional<QString> inputSecret(const QString &title, const QString &prompt) override;
    QString saveFileName(const QString &caption, const QString &filter) override;
    QString openFileName(const QString &caption, const QString &filter) override;
    void openUrl(const QString &url) override;
    int execDialog(QDialog &dialog) override;
    void startNewInstance() override;
    void closeOpenBoxes() override {}

    void tell(const QString &text) override;
    bool retry(const QString &text) override;
    std::optional<int> pickPort(const QList<PortChoice> &ports, int currentPort) override;
    LostLinkAnswer communicationsLost() override;

private:
    void say(const QString &text, const QString &answer);

    QTextStream err;
};

} // namespace tovra
