#pragma once

// A private X server for tests that drive the built program as a person does: its own Xvfb
// display of a chosen size with a window manager that frames windows, and xdotool for the
// mouse and keyboard.

#include <QList>
#include <QProcess>
#include <QRect>
#include <QStringList>

struct _XDisplay;

namespace tovra::test {

class XSession
{
public:
    // True when Xvfb and xdotool are installed; without them the tests skip.
    static bool available();
    // The window manager's absence is not fatal: windows are then unframed.
    static bool windowManagerAvailable();

    explicit XSession(QSize screen = QSize(1280, 1024));
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // Empty if the server could not start.
    QString display() const { return displayName; }
    QProcessEnvironment environment() const;

    // Runs xdotool with `arguments` and returns its output, trimmed; empty on failure. Keys and
    // the pointer go through it; what the tests only read of the server, they ask it themselves.
    QString xdotool(const QStringList &arguments) const;
    // Where the pointer stands on the screen.
    QPoint pointer() const;
    // The visible windows of process `pid`, in the order xdotool's "search --onlyvisible --pid"
    // lists them.
    QList<qulonglong> windowsOf(qint64 pid) const;
    // The visible top-level window of process `pid`, waiting for it to appear; 0 if none.
    qulonglong waitForWindowOf(qint64 pid, int timeoutMs = 20000) const;
    // Gives `window` the keyboard and waits until the server has moved the focus there, so that
    // keys sent next reach it; false if the focus did not arrive.
    bool focus(qulonglong window, int timeoutMs = 20000) const;
    // The window's title.
    QString windowName(qulonglong window) const;
    // The window's inner area (without the window manager's frame) in screen pixels.
    QRect clientGeometry(qulonglong window) const;
    // The window's outer frame in screen pixels (its inner area plus the frame extents the
    // window manager announces).
    QRect frameGeometry(qulonglong window) const;

private:
    // The test's own connection to the server, opened at first use: a question asked there costs
    // a round trip, where a tool started for it costs a process.
    _XDisplay *connection() const;
    bool hasFocus(qulonglong window) const;

    QProcess server;
    QProcess windowManager;
    QString displayName;
    mutable _XDisplay *xConnection = nullptr;
};

} // namespace tovra::test
