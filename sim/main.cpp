// tovra-sim: a simulated laser on a pseudo-terminal, for running the program without hardware.
// The laser sits at --link PATH (or at the path of --port N under TOVRA_PORT_PATTERN) until
// SIGINT or SIGTERM.

#include "simulatedlaser.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <chrono>
#include <csignal>
#include <limits>
#include <map>
#include <optional>

using tovra::sim::ComeBack;
using tovra::sim::Family;
using tovra::sim::LaserConfig;
using tovra::sim::LineTrigger;
using tovra::sim::SimulatedLaser;

namespace {

struct Options
{
    QCommandLineOption link {"link", "Link the laser's port at <path>.", "path"};
    QCommandLineOption port {"port", "Link it at port <n> of TOVRA_PORT_PATTERN (%d stands for n).",
                             "n"};
    QCommandLineOption family {"family", "Model family: standard, micro or mini.", "family",
                               "standard"};
    QCommandLineOption model {"model",
                              "Model name in the identity (default by family: Tovra, "
                              "MicroTovra, MiniTovra).",
                              "name"};
    QCommandLineOption manufacturer {"manufacturer", "Manufacturer code.", "code", "RZ"};
    QCommandLineOption serial {"serial", "Serial number.", "n", "1042"};
    QCommandLineOption firmware {"firmware", "Firmware version.", "text", "1.2.7"};
    QCommandLineOption fpga {"fpga", "FPGA version (standard family).", "text", "1.25.0.3"};
    QCommandLineOption identity {"identity", "Answer \"ID?\" with exactly <text>.", "text"};
    QCommandLineOption heaters {"heaters", "Fitted heater modules, e.g. 0,2.", "list"};
    QCommandLineOption attenuator {"attenuator", "An attenuator is fitted."};
    QCommandLineOption cfg {"cfg",
                            "Configuration bits of the micro and mini families "
                            "(bit 0: enhanced energy mode).",
                            "n", "0"};
    QCommandLineOption noEnergyModes {"no-energy-modes", "Standard family without \"EM\"."};
    QCommandLineOption locked {"locked", "Mini family: locked until \"PW <password>\".",
                               "password"};
    QCommandLineOption service {"service", "Start with service mode open."};
    QCommandLineOption shotCount {"shot-count", "Shot counter at start (may exceed 2^32).", "n",
                                  "0"};
    QCommandLineOption noPacing {"no-pacing", "Answer at once instead of at line speed."};
    QCommandLineOption distinctReadings {"distinct-readings",
                                         "Each reading answers from a range of its own (see sim/README.md)."};
    QCommandLineOption transcript {"transcript", "Write all traffic, time-stamped, to <file>.",
                                   "file"};
    // Faults, from the first line on.
    QCommandLineOption replyTwice {"reply-twice", "Send every reply twice."};
    QCommandLineOption replyDelay {"reply-delay", "Answer <ms> late (on top of pacing).", "ms"};
    QCommandLineOption echo {"echo", "Send each line back (with CR LF) before its reply."};
    QCommandLineOption unasked {"unasked", "Send <text> + CR again and again, asked or not.", "text"};
    QCommandLineOption unaskedEvery {"unasked-every", "Interval of --unasked (100).", "ms", "100"};
    QCommandLineOption endlessLine {"endless-line",
                                    "Send digits without CR at line speed and never answer."};
    QCommandLineOption vanishAt {"vanish-at",
                                 "Vanish when the <n>th line or the first line holding <text> "
                                 "arrives.",
                                 "n|text"};
    QCommandLineOption silenceAt {"silence-at",
                                  "Go silent when the <n>th line or the first line holding <text> "
                                  "arrives, for --silence-for.",
                                  "n|text"};
    QCommandLineOption silenceFor {"silence-for", "Length of --silence-at (3000).", "ms", "3000"};
    QCommandLineOption comeBackAfter {"come-back-after",
                                      "After vanishing, come back <ms> later, as after a cable plugged in again.",
                                      "ms"};
    QCommandLineOption comeBackPort {"come-back-port",
                                     "Come back at port <n> of TOVRA_PORT_PATTERN (default: where it was).", "n"};
    QCommandLineOption comeBackLink {"come-back-link", "Come back linked at <path> (default: where it was).",
                                     "path"};
    QCommandLineOption comeBackSerial {"come-back-serial", "Come back with serial number <n>.", "n"};
    QCommandLineOption comeBackModel {"come-back-model", "Come back with model name <name>.", "name"};
    QCommandLineOption randomFaults {"random-faults",
                                     "Let faults come and go by chance, drawn from <seed> "
                                     "(none loses a reply).",
                                     "seed"};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({link, port, family, model, manufacturer, serial, firmware, fpga,
                           identity, heaters, attenuator, cfg, noEnergyModes, locked, service,
                           shotCount, noPacing, distinctReadings, transcript, replyTwice, replyDelay, echo, unasked,
                           unaskedEvery, endlessLine, vanishAt, silenceAt, silenceFor,
                           comeBackAfter, comeBackPort, comeBackLink, comeBackSerial, comeBackModel,
                           randomFaults});
    }
};

struct Invalid
{
    QString message;
};

template<typename Number>
Number numberOption(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    bool ok = false;
    const QString text = parser.value(option);
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value > qulonglong(std::numeric_limits<Number>::max()))
        throw Invalid {QStringLiteral("--%1: not a number: %2").arg(option.names().first(), text)};
    return Number(value);
}

void setHeaters(LaserConfig &config, const QString &list)
{
    const std::map<QString, bool LaserConfig::*> heaters {{"0", &LaserConfig::heater0},
                                                          {"1", &LaserConfig::heater1},
                                                          {"2", &LaserConfig::heater2}};
    for (const QString &item : list.split(',', Qt::SkipEmptyParts)) {
        const auto heater = heaters.find(item.trimmed());
        if (heater == heaters.end())
            throw Invalid {QStringLiteral("--heaters: no heater module %1 (0, 1 or 2)").arg(item)};
        config.*(heater->second) = true;
    }
}

LaserConfig configFrom(const QCommandLineParser &parser, const Options &options)
{
    const std::map<QString, std::pair<Family, QByteArray>> families {
            {"standard", {Family::Standard, "Tovra"}},
            {"micro", {Family::Micro, "MicroTovra"}},
            {"mini", {Family::Mini, "MiniTovra"}},
    };
    const auto family = families.find(parser.value(options.family));
    if (family == families.end())
        throw Invalid {"--family: standard, micro or mini"};

    LaserConfig config;
    config.family = family->second.first;
    config.model = parser.isSet(options.model) ? parser.value(options.model).toUtf8()
                                               : family->second.second;
    config.manufacturer = parser.value(options.manufacturer).toUtf8();
    config.serialNumber = numberOption<int32_t>(parser, options.serial);
    config.firmware = parser.value(options.firmware).toUtf8();
    config.fpga = parser.value(options.fpga).toUtf8();
    config.identityOverride = parser.value(options.identity).toUtf8();
    setHeaters(config, parser.value(options.heaters));
    config.attenuator = parser.isSet(options.attenuator);
    config.cfg = numberOption<int32_t>(parser, options.cfg);
    config.energyModes = !parser.isSet(options.noEnergyModes);
    if (parser.isSet(options.locked)) {
        config.passwordLocked = true;
        config.password = parser.value(options.locked).toUtf8();
    }
    config.serviceOpen = parser.isSet(options.service);
    config.shotCount = numberOption<uint64_t>(parser, options.shotCount);
    config.pacing = !parser.isSet(options.noPacing);
    config.distinctReadings = parser.isSet(options.distinctReadings);
    return config;
}

LineTrigger triggerFrom(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    const QString text = parser.value(option);
    bool isNumber = false;
    const int n = text.toInt(&isNumber);
    if (isNumber && n < 1)
        throw Invalid {QStringLiteral("--%1: lines count from 1").arg(option.names().first())};
    return isNumber ? LineTrigger::nthLine(n) : LineTrigger::lineHolding(text.toLatin1());
}

void setFaults(SimulatedLaser &laser, const QCommandLineParser &parser, const Options &options)
{
    using std::chrono::milliseconds;
    const auto ms = [&](const QCommandLineOption &option) {
        return milliseconds(numberOption<int32_t>(parser, option));
    };
    laser.setReplyTwice(parser.isSet(options.replyTwice));
    laser.setEcho(parser.isSet(options.echo));
    if (parser.isSet(options.replyDelay))
        laser.setReplyDelay(ms(options.replyDelay));
    if (parser.isSet(options.unasked))
        laser.setUnaskedLines(parser.value(options.unasked).toLatin1(), ms(options.unaskedEvery));
    if (parser.isSet(options.endlessLine)) {
        laser.setSilent(true);
        laser.sendEndlessLine(std::chrono::hours(24));
    }
    if (parser.isSet(options.vanishAt))
        laser.vanishAt(triggerFrom(parser, options.vanishAt));
    if (parser.isSet(options.silenceAt))
        laser.silenceAt(triggerFrom(parser, options.silenceAt), ms(options.silenceFor));
    if (parser.isSet(options.randomFaults))
        laser.setRandomFaults(numberOption<uint32_t>(parser, options.randomFaults));
}

QString portPath(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    const QString pattern = qEnvironmentVariable("TOVRA_PORT_PATTERN");
    if (!pattern.contains(QLatin1String("%d")))
        throw Invalid {QStringLiteral("--%1 needs TOVRA_PORT_PATTERN with %d for the port number")
                               .arg(option.names().first())};
    const int port = numberOption<int32_t>(parser, option);
    return QString(pattern).replace(QLatin1String("%d"), QString::number(port));
}

QString linkFrom(const QCommandLineParser &parser, const Options &options)
{
    if (parser.isSet(options.link) == parser.isSet(options.port))
        throw Invalid {"give either --link PATH or --port N"};
    if (parser.isSet(options.link))
        return parser.value(options.link);
    return portPath(parser, options.port);
}

// Only when asked to come back: a laser that vanishes otherwise stays gone.
void setComeBack(SimulatedLaser &laser, const QCommandLineParser &parser, const Options &options)
{
    if (!parser.isSet(options.comeBackAfter))
        return;
    if (parser.isSet(options.comeBackPort) && parser.isSet(options.comeBackLink))
        throw Invalid {"give at most one of --come-back-port and --come-back-link"};
    ComeBack back;
    back.after = std::chrono::milliseconds(numberOption<int32_t>(parser, options.comeBackAfter));
    if (parser.isSet(options.comeBackPort))
        back.linkPath = portPath(parser, options.comeBackPort);
    else
        back.linkPath = parser.value(options.comeBackLink);
    if (parser.isSet(options.comeBackSerial))
        back.serialNumber = numberOption<int32_t>(parser, options.comeBackSerial);
    back.model = parser.value(options.comeBackModel).toUtf8();
    laser.setComeBack(back);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tovra-sim");
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription("A simulated Tovra laser controller on a pseudo-terminal.");
    parser.addHelpOption();
    const Options options;
    options.addTo(parser);
    parser.process(app);

    LaserConfig config;
    QString link;
    try {
        config = configFrom(parser, options);
        link = linkFrom(parser, options);
    } catch (const Invalid &invalid) {
        err << "tovra-sim: " << invalid.message << Qt::endl;
        return 2;
    }

    // The laser's thread inherits the mask, so the signals wait for sigwait below.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    SimulatedLaser laser(config);
    try {
        setFaults(laser, parser, options);
        setComeBack(laser, parser, options);
    } catch (const Invalid &invalid) {
        err << "tovra-sim: " << invalid.message << Qt::endl;
        return 2;
    }
    if (parser.isSet(options.transcript)
        && !laser.setTranscriptFile(parser.value(options.transcript))) {
        err << "tovra-sim: cannot write " << parser.value(options.transcript) << Qt::endl;
        return 1;
    }
    if (!laser.start(link))
        return 1;
    err << "tovra-sim: " << config.model << " at " << link << " (" << laser.devicePath() << ")"
        << Qt::endl;

    int received = 0;
    sigwait(&endSignals, &received);
    laser.stop();
    return 0;
}
