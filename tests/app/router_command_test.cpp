// `vireo router --gateway A.B.C.D` as a user runs it, against a fake gateway on 127.0.0.2.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/fake_gateway.h"

namespace vireo::testing {
namespace {

FakeGateway::Script GatewayWithService(bool has_service)
{
    FakeGateway::Script script;
    script.search_answer = [](const std::string& base) {
        return "HTTP/1.1 200 OK\r\nLocation: " + base + "/desc.xml\r\n\r\n";
    };
    script.http = [has_service](const std::string& request) {
        std::string body = request.starts_with("GET ")
                               ? "<root><service><serviceType>urn:schemas-upnp-org:service:WANIPConnection:1"
                                 "</serviceType><controlURL>/ctl</controlURL></service></root>"
                               : "<NewExternalIPAddress>203.0.113.7</NewExternalIPAddress>";
        if (!has_service) body = "<root/>";
        return ScriptedReply{
            {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body}};
    };
    return script;
}

TEST(RouterCommand, PrintsTheAddressTheGatewayGivesOrNothing)
{
    for (const bool has_service : {true, false}) {
        FakeGateway gateway(GatewayWithService(has_service));
        ASSERT_TRUE(gateway.ready());
        const ProgramResult result = RunProgram({VIREO_BINARY, "router", "--gateway", "127.0.0.2"});
        EXPECT_EQ(result.exit_code, has_service ? 0 : 1);
        EXPECT_EQ(result.output, has_service ? "203.0.113.7\n" : "");
    }
}

TEST(RouterCommand, ABadCommandLineIsOneLine)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--gateway", "127.0.0"}, {"--gateway"}, {"--port", "1"}}) {
        std::vector<std::string> command = {VIREO_BINARY, "router"};
        command.insert(command.end(), args.begin(), args.end());
        const ProgramResult result = RunProgram(command);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_TRUE(result.output.starts_with("vireo router: ")) << result.output;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1);
    }
}

}  // namespace
}  // namespace vireo::testing
