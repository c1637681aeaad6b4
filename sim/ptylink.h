#pragma once

#include <QString>

#include <memory>

namespace tovra::sim {

// A pseudo-terminal whose device node is linked at a chosen path, so that the program finds it
// where it looks for a port. The simulator keeps the terminal's own side open as well: without
// that, every close of the port by the program would hang the line up for the simulator too.
class PtyLink
{
public:
    // Opens a pty in raw mode and links its node at `linkPath`, replacing what is there.
    static std::unique_ptr<PtyLink> create(const QString &linkPath, QString *error);
    // Removes the link (when it still points here) and closes both sides: the program's open
    // port hangs up.
    ~PtyLink();
    PtyLink(const PtyLink &) = delete;
    PtyLink &operator=(const PtyLink &) = delete;

    int masterFd() const { return master; }
    QString devicePath() const { return device; }

private:
    PtyLink() = default;

    int master = -1;
    int terminal = -1; // the simulator's own descriptor of the device node
    QString device;
    QString link;
};

} // namespace tovra::sim
