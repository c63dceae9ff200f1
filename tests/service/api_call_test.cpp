// What the service makes of a request before anything reaches a device: its head, who may send
// it, and the call its path and body ask for. Every refusal has its status and its words.
#include "controller/service/access_policy.h"
#include "controller/service/api_call.h"
#include "controller/service/request_head.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace matrixd {
namespace {

std::string summary(const ApiParse& parsed) {
    if (!parsed.call)
        return std::to_string(parsed.refusal.status) + " " + parsed.refusal.error +
               (parsed.allow.empty() ? "" : " [" + parsed.allow + "]");
    const ApiCall& c = *parsed.call;
    std::ostringstream s;
    s << "call " << static_cast<int>(c.kind) << " " << c.matrix;
    if (c.output)
        s << " out" << c.output << " in" << c.input;
    if (c.scene)
        s << " scene" << c.scene;
    if (c.kind == ApiCall::Kind::Restore)
        s << " " << controller::crosspointJson(c.restore);
    return s.str();
}

struct CallCase {
    std::string method;
    std::string path;
    std::string body;
    std::string expected;
};

void PrintTo(const CallCase& c, std::ostream* os) {
    *os << c.method << " " << c.path;
}

class ApiRequest : public testing::TestWithParam<CallCase> {};

TEST_P(ApiRequest, IsReadAsItSays) {
    const CallCase& c = GetParam();
    const std::map<std::string, int> matrices{{"hall", 8}, {"stage-2", 32}};
    const auto parsed = parseApiCall(c.method, c.path, c.body, [&](const std::string& name) {
        const auto found = matrices.find(name);
        return found == matrices.end() ? std::nullopt : std::optional<int>(found->second);
    });
    EXPECT_EQ(summary(parsed), c.expected);
}

const std::string kBackup4 = R"({"size": 4, "address": 1, "crosspoints": []})";

INSTANTIATE_TEST_SUITE_P(
    Cases, ApiRequest,
    testing::Values(
        CallCase{"GET", "/api/v1/matrices", "", "call 0 "},
        CallCase{"GET", "/api/v1/matrices/hall", "", "call 1 hall"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})",
                 "call 2 hall out5 in3"},
        CallCase{"PUT", "/api/v1/matrices/stage-2/outputs/32", R"({"x": 1, "input": 32.0})",
                 "call 2 stage-2 out32 in32"},
        CallCase{"POST", "/api/v1/matrices/hall/read", "", "call 3 hall"},
        CallCase{"POST", "/api/v1/matrices/hall/scenes/16/load", "", "call 4 hall scene16"},
        CallCase{"POST", "/api/v1/matrices/hall/scenes/1/save", "", "call 5 hall scene1"},
        CallCase{"GET", "/api/v1/matrices/hall/backup", "", "call 6 hall"},
        CallCase{"PUT", "/api/v1/matrices/hall/backup",
                 R"({"size": 8, "address": 3, "crosspoints": [{"output": 2, "input": 7}]})",
                 "call 7 hall {\"size\": 8, \"address\": 3, \"crosspoints\": [{\"output\": 2, "
                 "\"input\": 7}]}"},
        CallCase{"GET", "/api/v1/events", "", "426 connect to /api/v1/events with a WebSocket"},
        CallCase{"GET", "/api/v2/matrices", "", "404 no such path: /api/v2/matrices"},
        CallCase{"GET", "/api/v1/matrices/", "", "404 no matrix named \"\""},
        CallCase{"GET", "/api/v1/matrices/Hall", "", "404 no matrix named \"Hall\""},
        CallCase{"GET", "/api/v1/matrices/hall/outputs", "",
                 "404 no such path: "
                 "/api/v1/matrices/hall/outputs"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/9", R"({"input": 1})",
                 "404 no output 9 on hall, a 8 × 8 matrix"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/0", R"({"input": 1})",
                 "404 no output 0 on hall, a 8 × 8 matrix"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/-1", "",
                 "404 no output -1 on hall, a 8 × "
                 "8 matrix"},
        CallCase{"POST", "/api/v1/matrices/hall/scenes/17/load", "",
                 "404 no scene 17: scenes are 1 to 16"},
        CallCase{"GET", "/api/v1/matrices/hall/scenes/1/load", "",
                 "405 /api/v1/matrices/hall/scenes/1/load takes POST only [POST]"},
        CallCase{"DELETE", "/api/v1/matrices/hall/outputs/5", "",
                 "405 /api/v1/matrices/hall/outputs/5 takes PUT only [PUT]"},
        CallCase{"POST", "/api/v1/matrices", "", "405 /api/v1/matrices takes GET only [GET]"},
        CallCase{"POST", "/api/v1/matrices/hall/backup", "",
                 "405 /api/v1/matrices/hall/backup takes GET or PUT [GET, PUT]"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3)",
                 "400 malformed JSON: invalid termination by number at byte 11"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", "",
                 "400 malformed JSON: illegal value at byte 0"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"([3])",
                 "400 the body wants {\"input\": M}, M a whole number"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": "3"})",
                 "400 the body wants {\"input\": M}, M a whole number"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 2.5})",
                 "400 the body wants {\"input\": M}, M a whole number"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 9})",
                 "400 input 9 is out of range: 1 to 8 on this 8 × 8 matrix"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": -1e300})",
                 "400 input -1e+300 is out of range: 1 to 8 on this 8 × 8 matrix"},
        CallCase{"PUT", "/api/v1/matrices/hall/outputs/5", std::string(70000, ' '),
                 "413 the body is larger than 64 kB"},
        CallCase{"PUT", "/api/v1/matrices/hall/backup", kBackup4,
                 "400 the backup holds the crosspoints of a 4 × 4 matrix; this one is 8 × 8"},
        CallCase{"PUT", "/api/v1/matrices/hall/backup", R"({"size": 8})",
                 "400 \"address\" must be 1 to 8, or 255"}));

struct HeadCase {
    std::string bytes;
    HeadParse::Status status;
    std::string path;
    std::string query;
    std::string host;
};

class RequestHeadBytes : public testing::TestWithParam<HeadCase> {};

TEST_P(RequestHeadBytes, AreReadOrRefused) {
    const HeadParse parsed = parseRequestHead(GetParam().bytes);
    EXPECT_EQ(parsed.status, GetParam().status);
    if (parsed.status != HeadParse::Status::Complete)
        return;
    EXPECT_EQ(parsed.head.path, GetParam().path);
    EXPECT_EQ(parsed.head.query, GetParam().query);
    EXPECT_EQ(parsed.head.field("host").value_or("-"), GetParam().host);
}

using Status = HeadParse::Status;
INSTANTIATE_TEST_SUITE_P(
    Cases, RequestHeadBytes,
    testing::Values(
        HeadCase{"GET /api/v1/events?token=a%20b HTTP/1.1\r\nHOST:  127.0.0.1:8080 \r\n"
                 "Upgrade: websocket\r\n\r\nbody",
                 Status::Complete, "/api/v1/events", "token=a%20b", "127.0.0.1:8080"},
        HeadCase{"PUT / HTTP/1.0\r\n\r\n", Status::Complete, "/", "", "-"},
        HeadCase{"GET / HTTP/1.1\r\nHost: x\r\n", Status::Incomplete, "", "", ""},
        HeadCase{"GET / HTTP/2.0\r\n\r\n", Status::Malformed, "", "", ""},
        HeadCase{"GET http://example.org/ HTTP/1.1\r\n\r\n", Status::Malformed, "", "", ""},
        HeadCase{"GET / HTTP/1.1\r\nNo colon here\r\n\r\n", Status::Malformed, "", "", ""},
        HeadCase{"GET / HTTP/1.1\r\nBad Name: x\r\n\r\n", Status::Malformed, "", "", ""},
        HeadCase{"\x16\x03\x01\x02\x01\xfc\x03\x03\r\n\r\n", Status::Malformed, "", "", ""},
        HeadCase{"GET / HTTP/1.1\r\nX: " + std::string(17000, 'a'), Status::TooLarge, "", "", ""}));

TEST(RequestHeadBytes, QueryValuesAreDecoded) {
    EXPECT_EQ(queryValue("a=1&token=s%33cret+x&b", "token"), "s3cret x");
    EXPECT_EQ(queryValue("b&token", "token"), "");
    EXPECT_EQ(queryValue("tokens=1", "token"), std::nullopt);
    EXPECT_EQ(queryValue("token=%zz%4", "token"), "%zz%4");
}

struct AccessCase {
    const char* what;
    std::string token;
    bool loopbackOnly;
    std::map<std::string, std::string> fields;
    std::optional<std::string> queryToken;
    int status; // 0: let in
};

class Access : public testing::TestWithParam<AccessCase> {};

TEST_P(Access, IsGrantedOrRefused) {
    const AccessCase& c = GetParam();
    const auto refusal = checkAccess(
        {c.token, c.loopbackOnly},
        [&](std::string_view name) -> std::optional<std::string> {
            const auto found = c.fields.find(std::string(name));
            return found == c.fields.end() ? std::nullopt : std::optional(found->second);
        },
        c.queryToken);
    EXPECT_EQ(refusal ? refusal->status : 0, c.status) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Access,
    testing::Values(
        AccessCase{"no token asked", "", true, {{"host", "127.0.0.1:8080"}}, {}, 0},
        AccessCase{"bearer", "s3cret", false, {{"authorization", "Bearer s3cret"}}, {}, 0},
        AccessCase{
            "scheme in any case", "s3cret", false, {{"authorization", "bearer s3cret"}}, {}, 0},
        AccessCase{"query token", "s3cret", false, {}, "s3cret", 0},
        AccessCase{"no token", "s3cret", false, {}, {}, 401},
        AccessCase{"wrong token", "s3cret", false, {{"authorization", "Bearer s3creT"}}, {}, 401},
        AccessCase{"longer token", "s3cret", false, {{"authorization", "Bearer s3crets"}}, {}, 401},
        AccessCase{"basic", "s3cret", false, {{"authorization", "Basic s3cret"}}, {}, 401},
        AccessCase{"empty query token", "s3cret", false, {}, "", 401},
        AccessCase{"localhost", "", true, {{"host", "localhost:8080"}}, {}, 0},
        AccessCase{"v6 loopback", "", true, {{"host", "[::1]:8080"}}, {}, 0},
        AccessCase{"rebound name", "", true, {{"host", "evil.example:8080"}}, {}, 403},
        AccessCase{"name of another machine",
                   "t",
                   false,
                   {{"host", "evil.example:8080"}, {"authorization", "Bearer t"}},
                   {},
                   0},
        AccessCase{"own page",
                   "",
                   true,
                   {{"host", "127.0.0.1:8080"}, {"origin", "http://127.0.0.1:8080"}},
                   {},
                   0},
        AccessCase{"other page",
                   "",
                   true,
                   {{"host", "127.0.0.1:8080"}, {"origin", "http://evil.example"}},
                   {},
                   403},
        AccessCase{"other port",
                   "",
                   true,
                   {{"host", "127.0.0.1:8080"}, {"origin", "http://127.0.0.1:9090"}},
                   {},
                   403},
        AccessCase{
            "null origin", "", true, {{"host", "127.0.0.1:8080"}, {"origin", "null"}}, {}, 403}));

TEST(Access, TokensCompareWholly) {
    EXPECT_TRUE(sameToken("abc", "abc"));
    EXPECT_TRUE(sameToken("", ""));
    EXPECT_FALSE(sameToken("abc", "abd"));
    EXPECT_FALSE(sameToken("abc", "ab"));
    EXPECT_FALSE(sameToken("ab", "abc"));
    EXPECT_FALSE(sameToken(std::string("a\0b", 3), "a"));
}

} // namespace
} // namespace matrixd
