// What matrixd refuses, and how: a network address without a token, requests without the token,
// hostile or oversized requests, paths outside the panel's files, and TLS when configured.
#include "tests/service/matrixd_run.h"

#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace matrixd_test {
namespace {

using namespace std::chrono_literals;

const std::string kToken = "s3cret-Token";

std::string webSocketRequest(const std::string& target, const std::string& extra = {}) {
    return "GET " + target +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
           extra + "\r\n";
}

// The status of a WebSocket handshake: the server answers 101 and keeps the connection, so only
// the status line is awaited.
int handshakeStatus(std::uint16_t port, const std::string& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return 0;
    socket.write(QByteArray::fromStdString(request));
    QByteArray head;
    while (!head.contains("\r\n") && socket.waitForReadyRead(5000))
        head += socket.readAll();
    return head.startsWith("HTTP/1.1 ") ? head.mid(9, 3).toInt() : 0;
}

// No device is needed here: the matrix's link leads nowhere.
const char* const kNowhere = "/nonexistent/matrix-link";

TEST(MatrixdSecurity, RefusesToListenBeyondLoopbackWithoutAToken) {
    // 192.0.2.1 is a documentation address: the refusal comes before anything listens.
    MatrixdRun run(hallConfig(), kNowhere, {"--listen", "192.0.2.1:8080"});
    EXPECT_EQ(run.exitStatus(), 2);
    EXPECT_EQ(run.output(),
              "matrixd: refusing to listen on 192.0.2.1:8080 without a Token: anyone who reaches "
              "it could switch the matrices; set Token in [Server] (or listen on 127.0.0.1)\n");
}

class WithToken : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_run = new MatrixdRun(hallConfig("Token=" + kToken), kNowhere);
    }
    static void TearDownTestSuite() { delete s_run; }
    void SetUp() override { ASSERT_TRUE(s_run->ready()) << s_run->output(); }

    static MatrixdRun* s_run;
};

MatrixdRun* WithToken::s_run = nullptr;

TEST_F(WithToken, EveryApiRequestAndTheEventsNeedIt) {
    HttpAnswer none = s_run->call("GET", "/api/v1/matrices");
    EXPECT_EQ(none.status, 401);
    EXPECT_EQ(none.fields["www-authenticate"], "Bearer realm=\"matrixd\"");
    EXPECT_EQ(none.body, "{\"error\": \"a token is needed: Authorization: Bearer TOKEN\"}");
    EXPECT_EQ(s_run
                  ->call("PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})",
                         "Authorization: Bearer s3cret-Toke\r\n")
                  .status,
              401);
    EXPECT_EQ(s_run->call("GET", "/api/v1/matrices?token=" + kToken).status, 401)
        << "the query parameter is for the events' WebSocket only";
    EXPECT_EQ(s_run->call("GET", "/api/v1/matrices", {}, "Authorization: Bearer " + kToken + "\r\n")
                  .status,
              200);
    // The panel's files carry no secret: the page is what asks for the token.
    EXPECT_EQ(s_run->call("GET", "/").status, 200);

    EXPECT_EQ(handshakeStatus(s_run->port(), webSocketRequest("/api/v1/events")), 401);
    EXPECT_EQ(handshakeStatus(s_run->port(), webSocketRequest("/api/v1/events?token=nope")), 401);
    EXPECT_EQ(handshakeStatus(s_run->port(), webSocketRequest("/api/v1/events?token=" + kToken)),
              101);
    EXPECT_EQ(
        handshakeStatus(s_run->port(), webSocketRequest("/api/v1/events", "Authorization: "
                                                                          "Bearer " +
                                                                              kToken + "\r\n")),
        101);
}

struct HostileCase {
    const char* name;
    std::string request;
    int status;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileRequest : public WithToken, public testing::WithParamInterface<HostileCase> {};

TEST_P(HostileRequest, IsRefusedWithItsStatus) {
    const HttpAnswer answer = httpExchange(s_run->port(), GetParam().request);
    EXPECT_EQ(answer.status, GetParam().status) << answer.body;
}

const std::string kAuth = "Authorization: Bearer " + kToken + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileRequest,
    testing::Values(
        HostileCase{"PanelPage", request("GET", "/"), 200},
        HostileCase{"PanelScript", request("GET", "/panel.js"), 200},
        HostileCase{"NoOtherFile", request("GET", "/index.html"), 404},
        HostileCase{"NoWayOut", request("GET", "/../../etc/passwd"), 404},
        HostileCase{"NoEncodedWayOut", request("GET", "/%2e%2e/%2e%2e/etc/passwd"), 404},
        HostileCase{"NoWayOutBehindAFile", request("GET", "/panel.js/../../../etc/passwd"), 404},
        HostileCase{"PanelIsReadOnly", request("POST", "/panel.js", "x"), 405},
        HostileCase{"LargeBodyBeforeItIsSent",
                    "PUT /api/v1/matrices/hall/backup HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kAuth +
                        "Content-Length: 65537\r\n\r\n",
                    413},
        HostileCase{"LargeBodyOnItsWay",
                    request("PUT", "/api/v1/matrices/hall/backup", std::string(70000, ' '), kAuth),
                    413},
        HostileCase{"ChunkedBody",
                    "PUT /api/v1/matrices/hall/outputs/5 HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kAuth +
                        "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
                    411},
        HostileCase{"HugeHead", "GET / HTTP/1.1\r\nX: " + std::string(20000, 'a') + "\r\n\r\n",
                    431},
        HostileCase{"NotHttp", "\x16\x03\x01 hello\r\n\r\n", 400},
        HostileCase{"MalformedJson",
                    request("PUT", "/api/v1/matrices/hall/outputs/5", "{\"input\":", kAuth), 400},
        HostileCase{"OtherSitesPage",
                    request("PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})",
                            kAuth + "Origin: http://evil.example\r\n"),
                    403},
        HostileCase{
            "OtherSitesEvents",
            webSocketRequest("/api/v1/events?token=" + kToken, "Origin: http://evil.example\r\n"),
            403},
        HostileCase{"RenamedHost",
                    "GET /api/v1/matrices HTTP/1.1\r\nHost: evil.example:8080\r\n" + kAuth + "\r\n",
                    403},
        HostileCase{"WebSocketElsewhere", webSocketRequest("/api/v1/matrices?token=" + kToken),
                    404},
        HostileCase{"EventsWithoutWebSocket", request("GET", "/api/v1/events", {}, kAuth), 426}),
    [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

TEST(MatrixdSecurity, ServesOverTlsWithCertificateAndKey) {
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        GTEST_SKIP() << "openssl is not installed: no certificate to test with";
    test_support::TempDir dir;
    QProcess make;
    make.start(openssl, {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                         "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-keyout",
                         QString::fromStdString(dir.file("key.pem")), "-out",
                         QString::fromStdString(dir.file("cert.pem"))});
    ASSERT_TRUE(make.waitForFinished(30000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    MatrixdRun run(
        hallConfig("Certificate=" + dir.file("cert.pem") + "\nKey=" + dir.file("key.pem")),
        kNowhere);
    ASSERT_TRUE(run.ready()) << run.output();
    EXPECT_NE(run.output().find("listening on https://127.0.0.1:"), std::string::npos);

    QSslSocket socket;
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), run.port());
    ASSERT_TRUE(socket.waitForEncrypted(10000)) << socket.errorString().toStdString();
    socket.write(QByteArray::fromStdString(request("GET", "/api/v1/matrices")));
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK")) << answer.toStdString();
    EXPECT_TRUE(answer.contains("\"name\": \"hall\"")) << answer.toStdString();
    // Plain HTTP on the TLS port is no request.
    EXPECT_EQ(run.call("GET", "/api/v1/matrices").status, 0);
}

} // namespace
} // namespace matrixd_test

namespace matrixd_test {
namespace {

TEST(MatrixdCheck, SaysWhatItWouldServeAndOpensNothing) {
    MatrixdRun run("[Server]\nToken=t\n[Matrix1]\nName=hall\nLink=serial:/nonexistent/link\n"
                   "Size=8\nType=HDMI\n[Matrix3]\nLink=udp:192.0.2.10:4001\nSize=32\nType=AV\n",
                   {}, {"--check", "--listen", "0.0.0.0:8080"});
    EXPECT_EQ(run.exitStatus(), 0);
    EXPECT_EQ(run.output(),
              "matrixd: the configuration fits; it would listen on 0.0.0.0:8080 with a token\n"
              "  hall: serial:/nonexistent/link, 8 × 8\n"
              "  matrix3: udp:192.0.2.10:4001, 32 × 32\n");
}

} // namespace
} // namespace matrixd_test
