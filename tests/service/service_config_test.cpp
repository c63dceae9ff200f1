// matrixd.ini as the service reads it: what each section gives, and the one line that says what
// is wrong with a file it refuses. Links and listening addresses are read the same way.
#include "controller/service/service_config.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace matrixd {
namespace {

using test_support::TempDir;

std::string summary(const ServiceConfig& c) {
    std::ostringstream s;
    s << listenText(c.server.listen) << (isLoopback(c.server.listen) ? " loopback" : "")
      << " token=" << c.server.token << (c.server.key.empty() ? "" : " tls");
    for (const MatrixConfig& m : c.matrices) {
        s << " | " << m.name << " " << linkText(*m.link) << " " << m.ports << " type"
          << m.matrixType << " baud" << m.baud << " @" << int(m.address) << " layer" << m.avMode
          << " hdr" << std::hex << int(m.header) << std::dec << " " << m.timeout.count() << "ms"
          << " local" << m.localPort;
        for (int n = 0; n < m.ports; ++n) {
            if (!m.inputNames[n].empty())
                s << " In" << n + 1 << "=" << m.inputNames[n];
            if (!m.outputNames[n].empty())
                s << " Out" << n + 1 << "=" << m.outputNames[n];
        }
    }
    if (const auto& q = c.mqtt)
        s << " | mqtt " << q->host << ":" << q->port << " " << q->user << ":" << q->password
          << " ca=" << q->caFile << " " << q->baseTopic << " " << q->clientId
          << " disc=" << q->discovery;
    return s.str();
}

struct ConfigCase {
    const char* name;
    std::string file;
    std::string expected; // the summary, or "error: ..." without the file's path
};

void PrintTo(const ConfigCase& c, std::ostream* os) {
    *os << c.name;
}

class ConfigFile : public testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigFile, ReadsAsItSays) {
    TempDir dir;
    const std::string path = dir.file("matrixd.ini");
    TempDir::writeFile(path, GetParam().file);
    std::string error;
    const auto config = readServiceConfig(path, error);
    const std::string got = config ? summary(*config) : "error: " + error.substr(path.size() + 2);
    std::string expected = GetParam().expected;
    if (const auto at = expected.find("{dir}"); at != std::string::npos)
        expected.replace(at, 5, dir.path());
    EXPECT_EQ(got, expected);
}

const std::string kMatrix1 = "[Matrix1]\nLink=serial:/dev/ttyUSB0\nSize=16\nType=HDMI\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigFile,
    testing::Values(
        ConfigCase{"Defaults", kMatrix1,
                   "127.0.0.1:8080 loopback token= | matrix1 serial:/dev/ttyUSB0 16 type3 baud9600 "
                   "@1 layer0 hdrba 1000ms local0"},
        ConfigCase{
            "EverythingGiven",
            "[server]\r\nListen=0.0.0.0:8443\r\nToken=s3cret-Token\r\nCertificate=tls/c.pem\r\n"
            "Key=/etc/k.pem\r\n[Matrix2]\r\nName=hall-2\r\nLink=udp:192.0.2.10:4001\r\n"
            "Size=8\r\nType=AV Matrix\r\nBaud=19200\r\nAddress=255\r\nLayer=audio\r\n"
            "Header=96\r\nTimeout=250\r\nLocalPort=4070\r\nIn1=Camera 1\r\nOut8=Projector\r\n"
            "In9=beyond the size\r\n",
            "0.0.0.0:8443 token=s3cret-Token tls | hall-2 udp:192.0.2.10:4001 8 type0 "
            "baud19200 @255 layer2 hdr96 250ms local4070 In1=Camera 1 Out8=Projector"},
        ConfigCase{"GapsAndTwoMatrices",
                   "[Server]\nListen=[::1]:0\n" + kMatrix1 +
                       "[Matrix5]\nName=Stage\nLink=tcp:terminal-3.local:4001\nSize=4\nType=A6\n",
                   "[::1]:0 loopback token= | matrix1 serial:/dev/ttyUSB0 16 type3 baud9600 @1 "
                   "layer0 hdrba 1000ms local0 | Stage tcp:terminal-3.local:4001 4 type3 baud9600 "
                   "@1 layer0 hdrba 1000ms local0"},
        ConfigCase{"MqttDefaults", kMatrix1 + "[mqtt]\n",
                   "127.0.0.1:8080 loopback token= | matrix1 serial:/dev/ttyUSB0 16 type3 baud9600 "
                   "@1 layer0 hdrba 1000ms local0 | mqtt localhost:1883 : ca= matrix matrixd "
                   "disc=homeassistant"},
        ConfigCase{"MqttGiven",
                   kMatrix1 + "[MQTT]\nHost=broker.example\nPort=8883\nUser=u\nPassword=p w\n"
                              "CaFile=/etc/ca.pem\nBaseTopic=av/matrix\nClientId=hall-d\n"
                              "Discovery=\n",
                   "127.0.0.1:8080 loopback token= | matrix1 serial:/dev/ttyUSB0 16 type3 baud9600 "
                   "@1 layer0 hdrba 1000ms local0 | mqtt broker.example:8883 u:p w "
                   "ca=/etc/ca.pem av/matrix hall-d disc="},
        ConfigCase{"MqttBadPort", kMatrix1 + "[MQTT]\nPort=0\n",
                   "error: [MQTT] Port wants a TCP port from 1 to 65535, not \"0\""},
        ConfigCase{"MqttWildcard", kMatrix1 + "[MQTT]\nBaseTopic=a/#\n",
                   "error: [MQTT] BaseTopic wants a topic without + or # and without / at either "
                   "end, not \"a/#\""},
        ConfigCase{"NoMatrix", "[Server]\nListen=127.0.0.1:80\n",
                   "error: [Matrix1] no matrix: give at least [Matrix1] with Link, Size and Type"},
        ConfigCase{"BadListen", "[Server]\nListen=8080\n" + kMatrix1,
                   "error: [Server] Listen wants HOST:PORT (127.0.0.1:8080, [::1]:8080, "
                   "0.0.0.0:8080), PORT from 0 to 65535, not \"8080\""},
        ConfigCase{"TokenWithBlank", "[Server]\nToken=two words\n" + kMatrix1,
                   "error: [Server] Token may hold printable ASCII characters only, no blanks"},
        ConfigCase{"HalfTls", "[Server]\nCertificate=c.pem\n" + kMatrix1,
                   "error: [Server] Certificate and Key go together: give both for TLS, or "
                   "neither"},
        ConfigCase{"NoLink", "[Matrix1]\nName=hall\nSize=16\nType=HDMI\n",
                   "error: [Matrix1] Link is missing: serial:DEVICE, udp:HOST:PORT or "
                   "tcp:HOST:PORT"},
        ConfigCase{"BadLink", "[Matrix1]\nLink=serial:ttyUSB0\nSize=16\nType=HDMI\n",
                   "error: [Matrix1] Link wants a device path (serial:/dev/ttyUSB0) or COM1 to "
                   "COM9, not \"serial:ttyUSB0\""},
        ConfigCase{"BadUdpPort", "[Matrix1]\nLink=udp:192.0.2.1:0\nSize=16\nType=HDMI\n",
                   "error: [Matrix1] Link wants HOST:PORT, PORT from 1 to 65535, not "
                   "\"udp:192.0.2.1:0\""},
        ConfigCase{"BadName", "[Matrix1]\nName=hall 2\nLink=serial:COM1\nSize=16\nType=HDMI\n",
                   "error: [Matrix1] Name wants 1 to 64 letters, digits and -, not \"hall 2\""},
        ConfigCase{"BadSize", "[Matrix1]\nLink=serial:COM1\nSize=12\nType=HDMI\n",
                   "error: [Matrix1] Size wants 4, 8, 16 or 32, not \"12\""},
        ConfigCase{"NumberWithTail", "[Matrix1]\nLink=serial:COM1\nSize=16x\nType=HDMI\n",
                   "error: [Matrix1] Size wants 4, 8, 16 or 32, not \"16x\""},
        ConfigCase{"BadType", "[Matrix1]\nLink=serial:COM1\nSize=16\nType=Plasma\n",
                   "error: [Matrix1] Type wants AV, VGA, DVI, HDMI, SDI or Hybrid (or the type's "
                   "full name), not \"Plasma\""},
        ConfigCase{"BadBaud", kMatrix1 + "Baud=115200\n",
                   "error: [Matrix1] Baud wants 2400, 4800, 9600 or 19200, not \"115200\""},
        ConfigCase{"BadAddress", kMatrix1 + "Address=9\n",
                   "error: [Matrix1] Address wants 1 to 8, or 255 for every device, not \"9\""},
        ConfigCase{"LayerOfHdmi", kMatrix1 + "Layer=video\n",
                   "error: [Matrix1] Layer is for AV and VGA matrices only"},
        ConfigCase{"NameTwice",
                   kMatrix1 +
                       "Name=Hall\n[Matrix2]\nName=hall\nLink=serial:COM2\nSize=4\nType=AV\n",
                   "error: [Matrix2] Name \"hall\" is [Matrix1]'s"},
        ConfigCase{"LineTwice", kMatrix1 + "[Matrix2]\nLink=serial:/dev/ttyUSB0\nSize=4\nType=AV\n",
                   "error: [Matrix2] Link serial:/dev/ttyUSB0 is [Matrix1]'s already"}),
    [](const testing::TestParamInfo<ConfigCase>& info) { return std::string(info.param.name); });

TEST(ConfigFile, AFileThatCannotBeReadIsSaid) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(readServiceConfig(dir.file("missing.ini"), error));
    EXPECT_EQ(error, "cannot read " + dir.file("missing.ini") + ": No such file or directory");
    EXPECT_FALSE(readServiceConfig(dir.path(), error));
}

TEST(ConfigFile, CertificateAndKeyAreFoundBesideTheFile) {
    TempDir dir;
    const std::string path = dir.file("matrixd.ini");
    TempDir::writeFile(path, "[Server]\nCertificate=tls/c.pem\nKey=/etc/k.pem\n" + kMatrix1);
    std::string error;
    const auto config = readServiceConfig(path, error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->server.certificate, dir.file("tls/c.pem"));
    EXPECT_EQ(config->server.key, "/etc/k.pem");
}

struct AddressCase {
    std::string text;
    std::string read; // listenText, or "-" when refused
    bool loopback;
};

class ListenAddressText : public testing::TestWithParam<AddressCase> {};

TEST_P(ListenAddressText, ReadsAndTellsLoopback) {
    std::string error;
    const auto address = parseListenAddress(GetParam().text, error);
    EXPECT_EQ(address ? listenText(*address) : "-", GetParam().read);
    if (address) {
        EXPECT_EQ(isLoopback(*address), GetParam().loopback);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListenAddressText,
    testing::Values(AddressCase{"127.0.0.1:8080", "127.0.0.1:8080", true},
                    AddressCase{"127.8.9.1:0", "127.8.9.1:0", true},
                    AddressCase{"localhost:8080", "localhost:8080", true},
                    AddressCase{"[::1]:80", "[::1]:80", true},
                    AddressCase{"[::ffff:127.0.0.1]:80", "[::ffff:127.0.0.1]:80", true},
                    AddressCase{"0.0.0.0:8080", "0.0.0.0:8080", false},
                    AddressCase{"192.0.2.1:8080", "192.0.2.1:8080", false},
                    AddressCase{"[::]:8080", "[::]:8080", false},
                    AddressCase{"128.0.0.1:1", "128.0.0.1:1", false},
                    AddressCase{"::1:80", "-", false}, AddressCase{"example.org:80", "-", false},
                    AddressCase{"127.0.0.1:65536", "-", false},
                    AddressCase{"127.0.0.1:", "-", false}, AddressCase{"127.0.0.1", "-", false}));

} // namespace
} // namespace matrixd
