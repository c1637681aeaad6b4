#pragma once

#include "linkprompts.h"

namespace tovra {

class Desktop;

// The link's questions as the operator meets them: boxes through the desktop seam and the
// "Select Serial Port" dialog.
class DesktopLinkPrompts : public LinkPrompts
{
public:
    explicit DesktopLinkPrompts(Desktop &desktopSeam) : desktop(desktopSeam) {}

    void tell(const QString &text) override;
    bool retry(const QString &text) override;
    std::optional<int> pickPort(const QList<PortChoice> &ports, int currentPort) override;
    LostLinkAnswer communicationsLost() override;

private:
    Desktop &desktop;
};

} // namespace tovra
