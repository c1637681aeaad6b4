// The control API's protocol and rules against a backend that records what it is asked: errors,
// control handed over, the firing lease, a dropped controller, a client that never reads, the
// client limit, the socket's folder and TCP with a token.
#include "apibackend.h"
#include "apiclient.h"
#include "apiserver.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tovra;
using namespace tovra::test;
using namespace std::chrono_literals;

namespace {

// Records every call that would reach the laser.
class RecordingBackend : public ApiBackend
{
public:
    QStringList writes; // "set RR 20 by API api#1", "stop by API: reason"
    bool allowFiring = false;
    bool active = false;
    QString remoteControlShown;

    QJsonObject identity() const override
    {
        return {{QStringLiteral("model"), QStringLiteral("T-100")}, {QStringLiteral("serial"), 1042}};
    }
    QJsonObject statusSnapshot() const override { return {{QStringLiteral("link"), QStringLiteral("connected")}}; }
    QList<ApiParameter> parameters() const override
    {
        return {{QStringLiteral("RR"), QStringLiteral("Repetition rate"), QStringLiteral("Hz"), 10, 1, 100, false},
                {QStringLiteral("BC"), QStringLiteral("Burst count"), QString(), 5, 1, 1000, true}};
    }
    bool laserConnected() const override { return true; }
    bool remoteFiringAllowed() const override { return allowFiring; }
    bool firingOrEnabled() const override { return active; }
    QString fireRefusal() const override { return QString(); }
    void setParameter(const QString &name, double value, const QString &source) override
    {
        writes << QStringLiteral("set %1 %2 by %3").arg(name).arg(value).arg(source);
    }
    void setEnabled(bool enabled, const QString &source) override
    {
        writes << QStringLiteral("enable %1 by %2").arg(enabled).arg(source);
        active = active || enabled;
    }
    void setFiring(bool firing, const QString &source) override
    {
        writes << QStringLiteral("fire %1 by %2").arg(firing).arg(source);
        active = active || firing;
    }
    void stop(const QString &source, const QString &reason) override
    {
        writes << QStringLiteral("stop by %1: %2").arg(source, reason);
        active = false;
    }
    void sendRaw(const QString &line, const QString &source, std::function<void(const QString &)> answered) override
    {
        writes << QStringLiteral("raw %1 by %2").arg(line, source);
        answered(QStringLiteral("OK"));
    }
    void showRemoteControl(const QString &client) override { remoteControlShown = client; }
    void note(const QString &) override {}

    void emitEvent(const QString &kind, const QJsonObject &data) { emit event(kind, data); }
};

} // namespace

class ApiServerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir runtime;
    QString socketPath;
    std::unique_ptr<RecordingBackend> backend;
    std::unique_ptr<ApiServer> server;

    void startServer(std::chrono::milliseconds lease = ApiServer::DefaultLease)
    {
        backend = std::make_unique<RecordingBackend>();
        server = std::make_unique<ApiServer>(*backend, lease);
        QString error;
        QVERIFY2(server->listenLocal(socketPath, &error), qPrintable(error));
    }

private slots:
    void init()
    {
        QVERIFY(runtime.isValid());
        socketPath = runtime.path() + QStringLiteral("/tovra/api.sock");
        startServer();
    }
    void cleanup()
    {
        server.reset();
        backend.reset();
    }

    void badRequestsAreAnsweredWithTheirErrorAndNeverReachTheLaser_data()
    {
        QTest::addColumn<bool>("inControl");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << true << QByteArray("set RR 20") << -32700 << "Parse error";
        QTest::newRow("cut short") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set")") << -32700 << "Parse error";
        QTest::newRow("a batch") << true << QByteArray(R"([{"jsonrpc":"2.0","id":1,"method":"ping"}])") << -32600 << "one request per line";
        QTest::newRow("old version") << true << QByteArray(R"({"jsonrpc":"1.0","id":1,"method":"ping"})") << -32600 << "\"2.0\"";
        QTest::newRow("method not a string") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":7})") << -32600 << "method";
        QTest::newRow("unknown method") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"launch"})") << -32601 << "Method not found: launch";
        QTest::newRow("params a list") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":["RR",20]})") << -32602 << "must be an object";
        QTest::newRow("value not a number") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"name":"RR","value":"fast"}})") << -32602 << "\"value\" must be a number";
        QTest::newRow("above the range") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"name":"RR","value":250}})") << -32602 << "RR out of range: allowed a number from 1 to 100 Hz";
        QTest::newRow("below the range") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"name":"rr","value":0.5}})") << -32602 << "from 1 to 100 Hz";
        QTest::newRow("a count not whole") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"name":"BC","value":2.5}})") << -32602 << "allowed a whole number from 1 to 1000";
        QTest::newRow("unknown parameter") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"name":"XX","value":1}})") << -32602 << "known: RR, BC";
        QTest::newRow("unknown event") << false << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"subscribe","params":{"events":["weather"]}})") << -32602 << "events are update, fault, link, fire, setting, log";
        QTest::newRow("raw line with a line end") << true << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"raw","params":{"line":"RR 20\rFL 1"}})") << -32602 << "one line";
        QTest::newRow("set without control") << false << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"name":"RR","value":20}})") << -32001 << "Control is not held";
    }
    void badRequestsAreAnsweredWithTheirErrorAndNeverReachTheLaser()
    {
        QFETCH(bool, inControl);
        QFETCH(QByteArray, line);
        QFETCH(int, code);
        QFETCH(QString, message);
        test::ApiClient client(socketPath);
        QVERIFY(client.isConnected());
        if (inControl)
            QVERIFY(client.call(QStringLiteral("control.acquire")).contains(QLatin1String("result")));
        const QJsonObject response = client.sendLine(line);
        QCOMPARE(errorCode(response), code);
        QVERIFY2(errorMessage(response).contains(message), qPrintable(errorMessage(response)));
        QVERIFY(backend->writes.isEmpty());
        // The connection serves the next request as before.
        QVERIFY(client.call(QStringLiteral("ping")).contains(QLatin1String("result")));
    }

    void aLineOver64KiBClosesTheConnection()
    {
        test::ApiClient client(socketPath);
        client.sendRaw(QByteArray("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\",\"params\":{\"pad\":\"") + QByteArray(70000, 'x'));
        QVERIFY(client.waitForHangUp());
        QVERIFY(backend->writes.isEmpty());
        // Others are served as before.
        test::ApiClient other(socketPath);
        QVERIFY(other.call(QStringLiteral("ping")).contains(QLatin1String("result")));
    }

    void controlPassesFromOneClientToAnotherAndRefusalsNameTheHolder()
    {
        test::ApiClient alpha(socketPath);
        test::ApiClient beta(socketPath);
        QCOMPARE(alpha.call(QStringLiteral("control.acquire"), params({{"name", "alpha.py"}}))
                     .value(QLatin1String("result")).toObject().value(QLatin1String("holder")).toString(),
                 QStringLiteral("api#1 (alpha.py)"));
        QCOMPARE(backend->remoteControlShown, QStringLiteral("api#1 (alpha.py)"));

        for (const auto &[method, arguments] : {QPair<QString, QJsonObject>{"set", params({{"name", "RR"}, {"value", 20}})},
                                                {"control.acquire", {}},
                                                {"control.release", {}},
                                                {"raw", params({{"line", "RR 20"}})}}) {
            const QJsonObject refused = beta.call(method, arguments);
            QCOMPARE(errorCode(refused), -32001);
            QCOMPARE(errorMessage(refused), QStringLiteral("Control is held by api#1 (alpha.py)"));
        }
        // Reading and stopping are open to every client.
        QCOMPARE(beta.call(QStringLiteral("raw"), params({{"line", "RR?"}})).value(QLatin1String("result")).toObject()
                     .value(QLatin1String("reply")).toString(), QStringLiteral("OK"));
        QVERIFY(beta.call(QStringLiteral("stop")).contains(QLatin1String("result")));
        QVERIFY(beta.call(QStringLiteral("fire"), params({{"on", false}})).contains(QLatin1String("result")));

        QVERIFY(alpha.call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 20}})).contains(QLatin1String("result")));
        QVERIFY(alpha.call(QStringLiteral("control.release")).contains(QLatin1String("result")));
        QCOMPARE(backend->remoteControlShown, QString());
        QVERIFY(beta.call(QStringLiteral("control.acquire")).contains(QLatin1String("result")));
        QVERIFY(beta.call(QStringLiteral("set"), params({{"name", "RR"}, {"value", 30}})).contains(QLatin1String("result")));
        QCOMPARE(backend->writes, QStringList({QStringLiteral("raw RR? by API api#2"), QStringLiteral("stop by API api#2: "),
                                               QStringLiteral("fire 0 by API api#2"),
                                               QStringLiteral("set RR 20 by API api#1 (alpha.py)"),
                                               QStringLiteral("set RR 30 by API api#2")}));
    }

    void firingAndEnablingNeedTheOperatorsOptIn_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QJsonObject>("arguments");
        QTest::newRow("fire") << "fire" << QJsonObject();
        QTest::newRow("enable") << "enable" << QJsonObject();
        QTest::newRow("raw FL 1") << "raw" << params({{"line", "FL 1"}});
        QTest::newRow("raw EN 1 in lower case after an address") << "raw" << params({{"line", ";LA:en 1"}});
    }
    void firingAndEnablingNeedTheOperatorsOptIn()
    {
        QFETCH(QString, method);
        QFETCH(QJsonObject, arguments);
        test::ApiClient client(socketPath);
        QCOMPARE(errorCode(client.call(method, arguments)), -32001);
        client.call(QStringLiteral("control.acquire"));
        const QJsonObject refused = client.call(method, arguments);
        QCOMPARE(errorCode(refused), -32002);
        QVERIFY(errorMessage(refused).contains(QLatin1String("Tools > Allow Remote Firing")));
        QVERIFY(backend->writes.isEmpty());
        backend->allowFiring = true;
        QVERIFY(client.call(method, arguments).contains(QLatin1String("result")));
        QCOMPARE(backend->writes.size(), 1);
        QVERIFY(client.call(QStringLiteral("ping")).value(QLatin1String("result")).toObject().value(QLatin1String("lease")).toBool());
    }

    void aLeaseNotRenewedStopsTheLaserAndPingsKeepItAlive()
    {
        startServer(400ms);
        backend->allowFiring = true;
        test::ApiClient client(socketPath);
        client.call(QStringLiteral("control.acquire"));
        QVERIFY(client.call(QStringLiteral("fire")).contains(QLatin1String("result")));
        // Pings at a quarter of the lease for three leases: the laser keeps firing.
        for (int i = 0; i < 12; ++i) {
            QTest::qWait(100);
            client.call(QStringLiteral("ping"));
        }
        QCOMPARE(backend->writes, QStringList{QStringLiteral("fire 1 by API api#1")});
        QTRY_COMPARE_WITH_TIMEOUT(backend->writes.size(), 2, 10000);
        QCOMPARE(backend->writes.last(), QStringLiteral("stop by API: API client api#1 sent no ping for 0.4 s while the laser fired: laser stopped"));
        QVERIFY(!client.call(QStringLiteral("ping")).value(QLatin1String("result")).toObject().value(QLatin1String("lease")).toBool());
    }

    void aControllerThatDropsItsConnectionHasTheLaserStopped()
    {
        backend->allowFiring = true;
        {
            test::ApiClient client(socketPath);
            client.call(QStringLiteral("control.acquire"), params({{"name", "ramp"}}));
            client.call(QStringLiteral("enable"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(backend->writes.size(), 2, 10000);
        QCOMPARE(backend->writes.last(), QStringLiteral("stop by API: API client api#1 (ramp) disconnected while in control: laser stopped"));
        QCOMPARE(backend->remoteControlShown, QString());
        test::ApiClient next(socketPath);
        QVERIFY(next.call(QStringLiteral("control.acquire")).contains(QLatin1String("result")));
    }

    void aClientThatNeverReadsLosesItsOldestEventsAndSaysHowMany()
    {
        test::ApiClient slow(socketPath);
        test::ApiClient other(socketPath);
        slow.call(QStringLiteral("subscribe"), params({{"events", QJsonArray{"update"}}}));
        slow.pauseReading(true);
        const int sent = 20000;
        const QString padding(200, QLatin1Char('v'));
        for (int i = 1; i <= sent; ++i) {
            backend->emitEvent(QStringLiteral("update"), {{QStringLiteral("n"), i}, {QStringLiteral("pad"), padding}});
            if (i % 1000 == 0)
                QCoreApplication::processEvents();
        }
        // The program answers others at once meanwhile.
        QVERIFY(other.call(QStringLiteral("ping"), {}, 2s).contains(QLatin1String("result")));
        slow.pauseReading(false);
        QTRY_VERIFY_WITH_TIMEOUT(!slow.events().isEmpty()
                                     && slow.events().last().value(QLatin1String("params")).toObject().value(QLatin1String("n")).toInt() == sent,
                                 20000);
        const QList<QJsonObject> events = slow.events();
        QVERIFY(events.size() < sent);
        qint64 dropped = 0;
        int previous = 0;
        for (const QJsonObject &event : events) {
            const QJsonObject data = event.value(QLatin1String("params")).toObject();
            dropped += data.value(QLatin1String("dropped")).toInteger();
            // Oldest dropped: what comes is in order, and each gap is what "dropped" says.
            QCOMPARE(data.value(QLatin1String("n")).toInt(), previous + 1 + data.value(QLatin1String("dropped")).toInt());
            previous = data.value(QLatin1String("n")).toInt();
        }
        QCOMPARE(events.size() + dropped, sent);
    }

    void theSeventeenthClientIsRefused()
    {
        std::vector<std::unique_ptr<test::ApiClient>> clients;
        for (int i = 0; i < ApiServer::MaxClients; ++i) {
            clients.push_back(std::make_unique<test::ApiClient>(socketPath));
            QVERIFY(clients.back()->call(QStringLiteral("ping")).contains(QLatin1String("result")));
        }
        test::ApiClient seventeenth(socketPath);
        const QJsonObject refusal = seventeenth.sendLine(QByteArray());
        QCOMPARE(errorCode(refusal), -32004);
        QVERIFY(seventeenth.waitForHangUp());
        clients.front()->disconnect();
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), ApiServer::MaxClients - 1, 10000);
        test::ApiClient nextOne(socketPath);
        QVERIFY(nextOne.call(QStringLiteral("ping")).contains(QLatin1String("result")));
    }

    void theSocketIsTheUsersAloneAndAFolderOfOthersIsRefused()
    {
        struct stat folder {};
        struct stat socket {};
        QCOMPARE(lstat(QFile::encodeName(runtime.path() + QStringLiteral("/tovra")).constData(), &folder), 0);
        QCOMPARE(lstat(QFile::encodeName(socketPath).constData(), &socket), 0);
        QCOMPARE(folder.st_mode & 07777, 0700u);
        QCOMPARE(socket.st_mode & 0777, 0600u);

        // A second program is refused while the first serves.
        RecordingBackend second;
        ApiServer secondServer(second);
        QString error;
        QVERIFY(!secondServer.listenLocal(socketPath, &error));
        QVERIFY2(error.contains(QLatin1String("Another program already serves")), qPrintable(error));

        const QString open = runtime.path() + QStringLiteral("/open");
        QVERIFY(QDir().mkdir(open));
        QFile::setPermissions(open, QFileDevice::Permissions(0x7755));
        QVERIFY(!secondServer.listenLocal(open + QStringLiteral("/api.sock"), &error));
        QVERIFY2(error.contains(QLatin1String("must belong to you alone")), qPrintable(error));
    }

    void aSocketLeftByAProgramThatEndedIsReplaced()
    {
        server.reset();
        // A socket node nobody answers on, as a crashed program leaves it.
        const int node = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(socketPath);
        std::copy(path.begin(), path.end(), address.sun_path);
        QCOMPARE(::bind(node, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(node);
        QVERIFY(QFile::exists(socketPath));
        startServer();
        test::ApiClient client(socketPath);
        QVERIFY(client.call(QStringLiteral("ping")).contains(QLatin1String("result")));
    }

    void tcpNeedsLoopbackOrATokenSentFirst()
    {
        QString error;
        QVERIFY(!server->listenTcp({QHostAddress(QStringLiteral("192.0.2.1")), 7421}, QByteArray(), &error));
        QVERIFY2(error.contains(QLatin1String("TOVRA_API_TOKEN_FILE")), qPrintable(error));
        QVERIFY2(server->listenTcp({QHostAddress(QHostAddress::LocalHost), 0}, "s3cret", &error), qPrintable(error));

        test::ApiClient client(QStringLiteral("127.0.0.1"), server->tcpPort());
        QCOMPARE(errorCode(client.call(QStringLiteral("status"))), -32003);
        QVERIFY(client.call(QStringLiteral("auth"), params({{"token", "s3cret"}})).contains(QLatin1String("result")));
        QVERIFY(client.call(QStringLiteral("status")).contains(QLatin1String("result")));

        test::ApiClient guesser(QStringLiteral("127.0.0.1"), server->tcpPort());
        QCOMPARE(errorCode(guesser.call(QStringLiteral("auth"), params({{"token", "guess"}}))), -32003);
        QVERIFY(guesser.waitForHangUp());
        // The Unix socket needs no token: it is the user's alone.
        test::ApiClient local(socketPath);
        QVERIFY(local.call(QStringLiteral("status")).contains(QLatin1String("result")));
    }

    void tcpEndpointsAreReadStrictly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("IPv4") << "127.0.0.1:7421" << "127.0.0.1" << 7421;
        QTest::newRow("IPv6") << "[::1]:80" << "::1" << 80;
        QTest::newRow("localhost") << "localhost:9000" << "127.0.0.1" << 9000;
        QTest::newRow("no port") << "127.0.0.1" << "" << 0;
        QTest::newRow("port zero") << "127.0.0.1:0" << "" << 0;
        QTest::newRow("port too big") << "127.0.0.1:65536" << "" << 0;
        QTest::newRow("a host name") << "lab-pc:7421" << "" << 0;
    }
    void tcpEndpointsAreReadStrictly()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QFETCH(int, port);
        QString error;
        const std::optional<TcpEndpoint> endpoint = parseTcpEndpoint(text, &error);
        QCOMPARE(endpoint.has_value(), port != 0);
        if (endpoint) {
            QCOMPARE(endpoint->address.toString(), address);
            QCOMPARE(endpoint->port, port);
        } else {
            QVERIFY(error.contains(QLatin1String("api=")));
        }
    }
};

QTEST_GUILESS_MAIN(ApiServerTest)
#include "tst_apiserver.moc"
