// Treats the input as a request to matrixd as it arrives on a connection (up to 96 KiB): its head
// is read as the request gate reads it, the access policy judges its fields, and its path and
// body are read as the API reads them, against two matrices ("hall", 8 × 8; "stage-2", 32 × 32).
// Nothing fails or reads beyond the input; a refusal has one of the API's statuses; a call names
// a matrix there is, an output, input and scene in range, and a restore of the matrix's size that
// reads back the same from the JSON it gives.
#include "controller/service/access_policy.h"
#include "controller/service/api_call.h"
#include "controller/service/request_head.h"
#include "fuzz/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace {

using namespace matrixd;

constexpr std::size_t kMaxRequest = 96 * 1024;

std::optional<int> portsOf(const std::string& name) {
    static const std::map<std::string, int> kMatrices{{"hall", 8}, {"stage-2", 32}};
    const auto found = kMatrices.find(name);
    return found == kMatrices.end() ? std::nullopt : std::optional<int>(found->second);
}

void checkCall(const ApiParse& parsed, std::size_t bodySize) {
    if (!parsed.call) {
        const int status = parsed.refusal.status;
        FUZZ_CHECK(status == 400 || status == 404 || status == 405 || status == 413 ||
                   status == 426);
        FUZZ_CHECK(!parsed.refusal.error.empty());
        FUZZ_CHECK((status == 405) == !parsed.allow.empty());
        return;
    }
    const ApiCall& call = *parsed.call;
    if (call.kind == ApiCall::Kind::Matrices)
        return;
    const std::optional<int> ports = portsOf(call.matrix);
    FUZZ_CHECK(ports.has_value());
    switch (call.kind) {
    case ApiCall::Kind::Switch:
        FUZZ_CHECK(call.output >= 1 && call.output <= *ports);
        FUZZ_CHECK(call.input >= 1 && call.input <= *ports);
        FUZZ_CHECK(bodySize <= kMaxBodyBytes);
        break;
    case ApiCall::Kind::SceneLoad:
    case ApiCall::Kind::SceneSave:
        FUZZ_CHECK(call.scene >= 1 && call.scene <= 16);
        break;
    case ApiCall::Kind::Restore: {
        FUZZ_CHECK(call.restore.size == *ports);
        FUZZ_CHECK(bodySize <= kMaxBodyBytes);
        for (const controller::NumberedCrosspoint& c : call.restore.crosspoints)
            FUZZ_CHECK(c.output >= 1 && c.output <= *ports && c.input >= 1 && c.input <= *ports);
        std::string error;
        const auto again =
            controller::parseCrosspointJson(controller::crosspointJson(call.restore), error);
        FUZZ_CHECK(again && *again == call.restore);
        break;
    }
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxRequest)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const HeadParse parsed = parseRequestHead(bytes);
    if (parsed.status != HeadParse::Status::Complete)
        return 0;
    const RequestHead& head = parsed.head;
    FUZZ_CHECK(!head.method.empty() && !head.path.empty() && head.path[0] == '/');
    for (const auto& [name, value] : head.fields)
        for (const char c : name)
            FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));

    const auto field = [&head](std::string_view name) { return head.field(name); };
    const std::optional<std::string> token = queryValue(head.query, "token");
    for (const bool loopbackOnly : {false, true}) {
        const auto open = checkAccess({"", loopbackOnly}, field, token);
        const auto guarded = checkAccess({"s3cret", loopbackOnly}, field, token);
        FUZZ_CHECK(!open || open->status == 403);
        FUZZ_CHECK(!guarded || guarded->status == 401 || guarded->status == 403);
        // A token never lets in what is refused without one.
        FUZZ_CHECK(!open || guarded);
        if (!loopbackOnly && !head.field("origin"))
            FUZZ_CHECK(!open);
    }

    const std::string_view body = bytes.substr(bytes.find("\r\n\r\n") + 4);
    checkCall(parseApiCall(head.method, head.path, body, portsOf), body.size());
    for (const int ports : {4, 32}) {
        std::string error;
        const std::optional<int> input = switchInputOf(body, ports, error);
        FUZZ_CHECK(input ? (*input >= 1 && *input <= ports && error.empty()) : !error.empty());
    }
    return 0;
}
