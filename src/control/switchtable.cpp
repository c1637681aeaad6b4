#include "switchtable.h"

#include <QStringList>

#include <algorithm>

namespace tovra {

namespace {

using Kind = SwitchEntry::Kind;

constexpr qsizetype HelpNameWidth = 20;
constexpr qsizetype HelpLineWidth = 78;

// `text` cut at blanks into lines that end by HelpLineWidth; it starts at `column`, and every
// further line at HelpNameWidth.
QString wrapped(const QString &text, qsizetype column)
{
    QString result;
    qsizetype length = column;
    bool lineEmpty = true;
    for (const QString &word : text.split(QLatin1Char(' '))) {
        if (!lineEmpty && length + 1 + word.size() > HelpLineWidth) {
            result += QLatin1Char('\n') + QString(HelpNameWidth, QLatin1Char(' '));
            length = HelpNameWidth;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            result += QLatin1Char(' ');
            ++length;
        }
        result += word;
        length += word.size();
        lineEmpty = false;
    }
    return result + QLatin1Char('\n');
}

QString helpName(const SwitchEntry &entry)
{
    return entry.kind == Kind::StartSwitch ? QLatin1Char('-') + entry.name : entry.name;
}

QString helpLines(Kind kind)
{
    QString lines;
    for (const SwitchEntry &entry : switchTable()) {
        if (entry.kind != kind)
            continue;
        const QString name = QStringLiteral("  ") + helpName(entry);
        // A long name stands on a line of its own.
        if (name.size() < HelpNameWidth)
            lines += name.leftJustified(HelpNameWidth);
        else
            lines += name + QLatin1Char('\n') + QString(HelpNameWidth, QLatin1Char(' '));
        lines += wrapped(entry.effect, HelpNameWidth);
    }
    return lines;
}

// roff: a hyphen is written "\-", a backslash "\e"; a line may not start with a dot.
QString roff(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e")).replace(QLatin1Char('-'), QLatin1String("\\-"));
    return escaped.startsWith(QLatin1Char('.')) ? QStringLiteral("\\&") + escaped : escaped;
}

QString manualEntries(Kind kind)
{
    QString entries;
    for (const SwitchEntry &entry : switchTable()) {
        if (entry.kind == kind)
            entries += QStringLiteral(".TP\n.B ") + roff(helpName(entry)) + QLatin1Char('\n') + roff(entry.effect) + QLatin1Char('\n');
    }
    return entries;
}

QString readmeRows(Kind kind)
{
    QString rows;
    for (const SwitchEntry &entry : switchTable()) {
        if (entry.kind == kind)
            rows += QStringLiteral("| `") + entry.name + QStringLiteral("` | ") + entry.effect + QStringLiteral(" |\n");
    }
    return rows;
}

} // namespace

const QList<SwitchEntry> &switchTable()
{
    static const QList<SwitchEntry> table = {
        {Kind::StartSwitch, QStringLiteral("log"),
         QStringLiteral("Record every line exchanged in TovraLogFile_<user>_<start>.txt in the working folder.")},
        {Kind::StartSwitch, QStringLiteral("data"),
         QStringLiteral("Record one row of measurements per status poll in TovraDataFile_<user>_<start>.txt in "
                        "the working folder.")},
        {Kind::StartSwitch, QStringLiteral("demo"), QStringLiteral("Demo mode, as holding Left Shift at start.")},
        {Kind::StartSwitch, QStringLiteral("pickport"),
         QStringLiteral("Choose the port by hand, as holding Right Shift at start.")},
        {Kind::StartSwitch, QStringLiteral("share"),
         QStringLiteral("Share the laser with scripts from the start, as Tools > Share Port.")},
        {Kind::StartSwitch, QStringLiteral("port=N"),
         QStringLiteral("Use the laser at port N (1 to 100) instead of scanning the ports for it.")},
        {Kind::StartSwitch, QStringLiteral("api=HOST:PORT"),
         QStringLiteral("Serve the control API on TCP at HOST:PORT as well as on its Unix socket; HOST must be a "
                        "loopback address (127.0.0.1, [::1], localhost) unless TOVRA_API_TOKEN_FILE is set.")},
        {Kind::StartSwitch, QStringLiteral("headless"),
         QStringLiteral("Run without a window: scan (or use port=N), load, poll, record files, share the port and "
                        "serve the control API; a status line on standard output every 10 s.")},
        {Kind::StartSwitch, QStringLiteral("remotefiring"),
         QStringLiteral("With headless: allow remote firing from the start, as Tools > Allow Remote Firing does "
                        "in the window (there is no menu to check it in).")},
        {Kind::Information, QStringLiteral("--help"), QStringLiteral("Show the switches and end, without opening a window.")},
        {Kind::Information, QStringLiteral("--version"),
         QStringLiteral("Show the program's version and end, without opening a window.")},
        {Kind::Environment, QStringLiteral("TOVRA_PORT_PATTERN"),
         QStringLiteral("A path in which %d stands for the port number; it replaces the mapping of ports 1 to 100 to "
                        "/dev/ttyS*, /dev/ttyUSB* and /dev/ttyACM*, e.g. /tmp/lab/com%d makes port 3 /tmp/lab/com3.")},
        {Kind::Environment, QStringLiteral("TOVRA_SHARE_PATH"),
         QStringLiteral("Where Tools > Share Port links the port for scripts, instead of $XDG_RUNTIME_DIR/tovra/port. "
                        "The link's folder must belong to the user alone (mode 0700).")},
        {Kind::Environment, QStringLiteral("TOVRA_API_PATH"),
         QStringLiteral("Where the control API's Unix socket is made, instead of $XDG_RUNTIME_DIR/tovra/api.sock. "
                        "Its folder must belong to the user alone (mode 0700); the socket is made with mode 0600.")},
        {Kind::Environment, QStringLiteral("TOVRA_API_TOKEN_FILE"),
         QStringLiteral("A file (the user's own, mode 0600) whose first line is the token that TCP clients of the "
                        "control API must send with auth first; with it, api=HOST:PORT may name any address.")},
        {Kind::Environment, QStringLiteral("XDG_RUNTIME_DIR"),
         QStringLiteral("The user's runtime folder; the shared port and the control API's socket are made in its "
                        "folder tovra, which is created with mode 0700 and used only while it belongs to the user "
                        "alone.")},
        {Kind::Environment, QStringLiteral("USERNAME, USER, LOGNAME"),
         QStringLiteral("The first of them that is set and not empty names the user in the record files' names; "
                        "path separators, \"..\" and control characters in it are written as \"_\".")},
    };
    return table;
}

QString switchHelpText()
{
    return QStringLiteral("Usage: tovra [switch...]\n"
                          "Drives a Q-switched pulsed Tovra laser over its serial line.\n"
                          "\n"
                          "Switches (after - or /, any letter case, each a whole argument):\n")
           + helpLines(Kind::StartSwitch) + QLatin1Char('\n') + helpLines(Kind::Information)
           + QStringLiteral("\nEnvironment:\n") + helpLines(Kind::Environment)
           + QStringLiteral("\nSIGINT and SIGTERM end the program as File > Exit does: \"FL 0\" stops the laser.\n");
}

QString switchManualSections()
{
    return QStringLiteral(".SH OPTIONS\n"
                          "A switch starts with\n.B \\-\nor\n.BR / ,\n"
                          "its name may be written in any letter case, and it counts only as a whole argument:\n"
                          ".B \\-Log\nand\n.B /LOG\ndo,\n.B \\-\\-log\ndoes not.\n")
           + manualEntries(Kind::StartSwitch) + manualEntries(Kind::Information) + QStringLiteral(".SH ENVIRONMENT\n")
           + manualEntries(Kind::Environment);
}

QString switchReadmeTables()
{
    return QStringLiteral("| switch (after `-` or `/`, any letter case) | effect |\n|---|---|\n")
           + readmeRows(Kind::StartSwitch) + readmeRows(Kind::Information)
           + QStringLiteral("\n| environment variable | effect |\n|---|---|\n") + readmeRows(Kind::Environment);
}

} // namespace tovra
