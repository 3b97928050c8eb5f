#include "app/router_command.h"

#include <optional>

#include "platform/router/router_discovery.h"

namespace vireo {

int RunRouterCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::optional<Ipv4Address> address;
    if (args.empty()) {
        address = DiscoverExternalAddress();
    } else if (args.size() == 2 && args[0] == "--gateway") {
        Ipv4Address gateway{};
        if (!ParseAddress(args[1], gateway)) {
            err << "vireo router: --gateway takes an IPv4 address such as 192.168.1.1\n";
            return 2;
        }
        const std::optional<Ipv4Address> one[] = {gateway};
        address = DiscoverExternalAddress(one);
    } else {
        err << "vireo router: takes nothing or --gateway A.B.C.D\n";
        return 2;
    }
    if (!address) return 1;
    out << FormatAddress(*address) << "\n";
    return 0;
}

}  // namespace vireo
