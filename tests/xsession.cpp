#include "xsession.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>

namespace tovra::test {

namespace {

// A window may vanish between two questions about it; the question then just fails.
int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

struct XFreeDeleter
{
    void operator()(void *data) const
    {
        if (data)
            XFree(data);
    }
};

// The items of a window's property of `type` (longs for 32-bit items, as Xlib hands them out);
// empty when the window or the property is missing.
template<typename Item>
QList<Item> propertyOf(Display *display, Window window, const char *name, Atom type, long maxItems)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, maxItems, False, type,
                                          &actualType, &format, &count, &after, &data);
    const std::unique_ptr<unsigned char, XFreeDeleter> owned(data);
    if (status != Success || actualType != type || !data)
        return {};
    const auto *items = reinterpret_cast<const Item *>(data);
    return QList<Item>(items, items + count);
}

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

bool XSession::available()
{
    return !tool("Xvfb").isEmpty() && !tool("xdotool").isEmpty();
}

bool XSession::windowManagerAvailable()
{
    return !tool("openbox").isEmpty();
}

XSession::XSession(QSize screen)
{
    // -displayfd makes the server pick a free display and write its number once it accepts
    // clients.
    server.start(tool("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                QStringLiteral("0"),
                                QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                                QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                // No reset (and keymap compile) whenever the last client leaves; no
                                // GL in the server, which the tests' programs do not use either.
                                QStringLiteral("-noreset"), QStringLiteral("-extension"), QStringLiteral("GLX")});
    if (!server.waitForStarted(5000))
        return;
    QByteArray number;
    const QDeadlineTimer deadline(10000);
    while (!number.contains('\n') && !deadline.hasExpired() && server.waitForReadyRead(int(deadline.remainingTime())))
        number += server.readAllStandardOutput();
    if (!number.contains('\n'))
        return;
    displayName = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    if (windowManagerAvailable()) {
        windowManager.setProcessEnvironment(environment());
        windowManager.setProgram(tool("openbox"));
        windowManager.start();
        // The manager owns the screen once it announces itself on the root window.
        const QDeadlineTimer managed(10000);
        Display *display = connection();
        while (display && !managed.hasExpired()) {
            if (!propertyOf<long>(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1).isEmpty())
                break;
            QThread::msleep(50);
        }
    }
}

XSession::~XSession()
{
    if (xConnection)
        XCloseDisplay(xConnection);
    stop(windowManager);
    stop(server);
}

Display *XSession::connection() const
{
    if (!xConnection && !displayName.isEmpty()) {
        XSetErrorHandler(ignoreErrors);
        xConnection = XOpenDisplay(displayName.toLocal8Bit().constData());
    }
    return xConnection;
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), displayName);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Widgets paint without OpenGL; the GL libraries would only be loaded for nothing.
    environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

QString XSession::xdotool(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(tool("xdotool"), arguments);
    if (!process.waitForFinished(20000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QPoint XSession::pointer() const
{
    Display *display = connection();
    if (!display)
        return {-1, -1};
    Window root = 0;
    Window child = 0;
    int x = -1;
    int y = -1;
    int inWindowX = 0;
    int inWindowY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &inWindowX, &inWindowY, &buttons))
        return {-1, -1};
    return {x, y};
}

namespace {

// The visible windows below `parent` that carry `pid`: first its own children in stacking order,
// then each child's, as xdotool searches.
void collectWindowsOf(Display *display, Window parent, long pid, QList<qulonglong> &found)
{
    Window root = 0;
    Window parentOfParent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return;
    const std::unique_ptr<Window, XFreeDeleter> owned(children);
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable
            && propertyOf<long>(display, children[i], "_NET_WM_PID", XA_CARDINAL, 1) == QList<long>{pid})
            found.append(children[i]);
    }
    for (unsigned int i = 0; i < count; ++i)
        collectWindowsOf(display, children[i], pid, found);
}

} // namespace

QList<qulonglong> XSession::windowsOf(qint64 pid) const
{
    QList<qulonglong> found;
    if (Display *display = connection())
        collectWindowsOf(display, DefaultRootWindow(display), long(pid), found);
    return found;
}

qulonglong XSession::waitForWindowOf(qint64 pid, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QList<qulonglong> windows = windowsOf(pid);
        if (!windows.isEmpty())
            return windows.last();
        QThread::msleep(50);
    }
    return 0;
}

bool XSession::focus(qulonglong window, int timeoutMs) const
{
    const QString id = QString::number(window);
    // A window manager hands the focus on when asked through it; without one, it is set directly.
    xdotool({windowManagerAvailable() ? QStringLiteral("windowactivate") : QStringLiteral("windowfocus"),
             QStringLiteral("--sync"), id});
    const QDeadlineTimer deadline(timeoutMs);
    while (!hasFocus(window)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

// Whether the keyboard's focus is on `window` or inside it.
bool XSession::hasFocus(qulonglong window) const
{
    Display *display = connection();
    if (!display)
        return false;
    Window focused = 0;
    int revertTo = 0;
    XGetInputFocus(display, &focused, &revertTo);
    const Window root = DefaultRootWindow(display);
    while (focused != None && focused != PointerRoot && focused != root) {
        if (focused == window)
            return true;
        Window rootOut = 0;
        Window parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, focused, &rootOut, &parent, &children, &count))
            return false;
        XFree(children);
        focused = parent;
    }
    return false;
}

QString XSession::windowName(qulonglong window) const
{
    Display *display = connection();
    if (!display)
        return {};
    const QList<char> name = propertyOf<char>(display, window, "_NET_WM_NAME",
                                              XInternAtom(display, "UTF8_STRING", False), 1024);
    if (!name.isEmpty())
        return QString::fromUtf8(name.constData(), name.size());
    const QList<char> latin1 = propertyOf<char>(display, window, "WM_NAME", XA_STRING, 1024);
    return QString::fromLatin1(latin1.constData(), latin1.size());
}

QRect XSession::clientGeometry(qulonglong window) const
{
    Display *display = connection();
    XWindowAttributes attributes;
    if (!display || !XGetWindowAttributes(display, window, &attributes))
        return {};
    // The corner in screen pixels as xwininfo reports it (outside the border, which is none).
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, attributes.root, -attributes.border_width, -attributes.border_width, &x, &y, &child);
    return QRect(x, y, attributes.width, attributes.height);
}

QRect XSession::frameGeometry(qulonglong window) const
{
    Display *display = connection();
    const QRect client = clientGeometry(window);
    if (!display)
        return client;
    // left, right, top, bottom
    const QList<long> extents = propertyOf<long>(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
    if (extents.size() != 4)
        return client;
    return client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
}

} // namespace tovra::test
