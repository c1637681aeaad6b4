// tovractl: asks the running Tovra Laser Control program (window or headless) through its
// control API. Exit status: 0 done, 1 refused or an error, 2 no program running.
#include "apiconnection.h"
#include "apiendpoint.h"
#include "resultprinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QStringList>

#include <csignal>
#include <cstdio>

namespace {

enum ExitCode { Done = 0, Refused = 1, NoProgram = 2 };

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

const char Usage[] =
    "Usage: tovractl [--json] [--socket PATH | --tcp HOST:PORT] COMMAND\n"
    "Commands:\n"
    "  status            the last complete status update\n"
    "  params            every parameter with its value, unit and range\n"
    "  get NAME          one parameter (RR, DC, ...)\n"
    "  set NAME VALUE    sets a parameter (takes control for the moment)\n"
    "  stop              stops the laser, as the window's Stop\n"
    "  fire [SECONDS]    fires (needs Tools > Allow Remote Firing) until SECONDS pass or\n"
    "                    Ctrl-C; the laser stops when tovractl ends\n"
    "  watch [EVENT...]  prints events as lines until Ctrl-C (update fault link fire setting log)\n"
    "Exit status: 0 done, 1 refused or an error, 2 no program running.\n";

void print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

int fail(const QString &message, int code)
{
    std::fprintf(stderr, "tovractl: %s\n", message.toLocal8Bit().constData());
    return code;
}

int exitCodeOf(ApiConnection::Outcome outcome)
{
    switch (outcome) {
    case ApiConnection::Outcome::Ok:
        return Done;
    case ApiConnection::Outcome::Refused:
        return Refused;
    case ApiConnection::Outcome::NoProgram:
        break;
    }
    return NoProgram;
}

class Command
{
public:
    Command(ApiConnection &connection, bool asJson)
        : api(connection)
        , json(asJson)
    {
    }

    // Calls `method`, prints its result unless `quiet`; the exit status of the outcome.
    int call(const QString &method, const QJsonObject &params = {}, bool quiet = false)
    {
        QJsonObject result;
        QString error;
        const ApiConnection::Outcome outcome = api.call(method, params, &result, &error);
        if (outcome != ApiConnection::Outcome::Ok)
            return fail(error, exitCodeOf(outcome));
        if (!quiet)
            print(json ? jsonLine(result) : readableLines(result));
        return Done;
    }

    int set(const QString &name, const QString &text)
    {
        bool number = false;
        const double value = text.toDouble(&number);
        if (!number)
            return fail(text + QStringLiteral(" is not a number"), Refused);
        int code = call(QStringLiteral("control.acquire"), {{QStringLiteral("name"), QStringLiteral("tovractl")}}, true);
        if (code == Done)
            code = call(QStringLiteral("set"), {{QStringLiteral("name"), name}, {QStringLiteral("value"), value}});
        return code;
    }

    // Fires while it runs, renewing the lease every second; stops the laser when it ends.
    int fire(double seconds)
    {
        int code = call(QStringLiteral("control.acquire"), {{QStringLiteral("name"), QStringLiteral("tovractl fire")}}, true);
        if (code == Done)
            code = call(QStringLiteral("fire"), {}, true);
        if (code != Done)
            return code;
        print(QStringLiteral("Firing; Ctrl-C stops\n"));
        QElapsedTimer elapsed;
        QElapsedTimer sincePing;
        elapsed.start();
        sincePing.start();
        while (!interrupted && (seconds <= 0 || static_cast<double>(elapsed.elapsed()) < seconds * 1000)) {
            if (!api.waitForEvents(200))
                return fail(QStringLiteral("The program hung up"), NoProgram);
            if (sincePing.hasExpired(1000)) {
                sincePing.restart();
                if (call(QStringLiteral("ping"), {}, true) != Done)
                    return Refused;
            }
        }
        return call(QStringLiteral("stop"), {}, true);
    }

    int watch(const QStringList &kinds)
    {
        api.onEvent = [this](const QString &kind, const QJsonObject &data) {
            print(json ? jsonLine({{QStringLiteral("event"), kind}, {QStringLiteral("data"), data}})
                       : kind + QLatin1Char(' ') + jsonLine(data));
        };
        QJsonObject params;
        if (!kinds.isEmpty())
            params.insert(QStringLiteral("events"), QJsonArray::fromStringList(kinds));
        const int code = call(QStringLiteral("subscribe"), params, true);
        if (code != Done)
            return code;
        while (!interrupted) {
            if (!api.waitForEvents(250))
                return fail(QStringLiteral("The program hung up"), NoProgram);
        }
        return Done;
    }

private:
    ApiConnection &api;
    const bool json;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    bool json = false;
    QString socketPath = tovra::defaultApiSocketPath();
    QString tcp;
    while (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--"))) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--json"))
            json = true;
        else if (option == QLatin1String("--socket") && !arguments.isEmpty())
            socketPath = arguments.takeFirst();
        else if (option == QLatin1String("--tcp") && !arguments.isEmpty())
            tcp = arguments.takeFirst();
        else if (option == QLatin1String("--help"))
            return print(QString::fromLatin1(Usage)), Done;
        else
            return std::fputs(Usage, stderr), Refused;
    }
    const QString command = arguments.value(0);
    const qsizetype given = arguments.size() - 1;
    const bool known = (command == QLatin1String("status") && given == 0) || (command == QLatin1String("params") && given == 0)
                       || (command == QLatin1String("get") && given == 1) || (command == QLatin1String("set") && given == 2)
                       || (command == QLatin1String("stop") && given == 0) || (command == QLatin1String("fire") && given <= 1)
                       || command == QLatin1String("watch");
    if (!known)
        return std::fputs(Usage, stderr), Refused;

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    ApiConnection connection;
    QString error;
    const ApiConnection::Outcome opened = connection.open(socketPath, tcp, &error);
    if (opened != ApiConnection::Outcome::Ok)
        return fail(error, exitCodeOf(opened));
    Command run(connection, json);
    if (command == QLatin1String("status") || command == QLatin1String("params"))
        return run.call(command);
    if (command == QLatin1String("get"))
        return run.call(command, {{QStringLiteral("name"), arguments.at(1)}});
    if (command == QLatin1String("set"))
        return run.set(arguments.at(1), arguments.at(2));
    if (command == QLatin1String("stop"))
        return run.call(command, {}, true);
    if (command == QLatin1String("fire"))
        return run.fire(arguments.value(1).toDouble());
    return run.watch(arguments.mid(1));
}
