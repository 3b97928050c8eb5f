#include "platform/router/gateways.h"

#include <fcntl.h>
#include <net/if.h>
#include <net/route.h>

#include <charconv>
#include <cstring>
#include <memory>

#include "base/io.h"

namespace vireo {
namespace {

struct NameIndexFree {
    void operator()(struct if_nameindex* list) const { ::if_freenameindex(list); }
};

// The whitespace-separated fields of one line.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

std::optional<std::uint32_t> Hex(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct DefaultRoute {
    std::string_view adapter;
    Ipv4Address gateway;
};

// The table's first default route that is up and goes through a gateway, of one adapter or of any
// when `adapter` is empty.
std::optional<DefaultRoute> FirstDefaultRoute(std::string_view route_table, std::string_view adapter)
{
    std::size_t start = route_table.find('\n');  // the first line names the columns
    while (start != std::string_view::npos && start < route_table.size()) {
        ++start;
        const std::size_t end = std::min(route_table.find('\n', start), route_table.size());
        const std::vector<std::string_view> fields = Fields(route_table.substr(start, end - start));
        start = end;
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        if (fields.size() < 8 || (!adapter.empty() && fields[0] != adapter)) continue;
        const std::optional<std::uint32_t> destination = Hex(fields[1]);
        const std::optional<std::uint32_t> gateway = Hex(fields[2]);
        const std::optional<std::uint32_t> flags = Hex(fields[3]);
        const std::optional<std::uint32_t> mask = Hex(fields[7]);
        if (!destination || !gateway || !flags || !mask) continue;
        const std::uint32_t needed = RTF_UP | RTF_GATEWAY;
        if (*destination != 0 || *mask != 0 || (*flags & needed) != needed || *gateway == 0) continue;
        // The kernel writes the address as the number its four bytes make in this machine's order.
        DefaultRoute route{fields[0], {}};
        std::memcpy(route.gateway.data(), &*gateway, 4);
        return route;
    }
    return std::nullopt;
}

}  // namespace

std::string ReadRouteTable()
{
    std::string table;
    UniqueFd file = OpenAt(AT_FDCWD, "/proc/net/route", O_RDONLY | O_CLOEXEC);
    if (!file) return table;
    char chunk[4096];
    while (table.size() < (1u << 20)) {
        const ssize_t got = ReadSome(file.get(), chunk, sizeof chunk);
        if (got <= 0) break;
        table.append(chunk, static_cast<std::size_t>(got));
    }
    return table;
}

std::optional<std::string> DefaultRouteAdapter(std::string_view route_table)
{
    const std::optional<DefaultRoute> route = FirstDefaultRoute(route_table, {});
    if (!route) return std::nullopt;
    return std::string(route->adapter);
}

std::vector<std::optional<Ipv4Address>> AdapterGateways(std::span<const std::string> adapters,
                                                        std::string_view route_table)
{
    std::vector<std::optional<Ipv4Address>> gateways;
    for (const std::string& adapter : adapters) {
        const std::optional<DefaultRoute> route =
            adapter.empty() ? std::nullopt : FirstDefaultRoute(route_table, adapter);
        gateways.push_back(route ? std::optional(route->gateway) : std::nullopt);
    }
    return gateways;
}

std::vector<std::optional<Ipv4Address>> AdapterGateways()
{
    std::unique_ptr<struct if_nameindex, NameIndexFree> list(::if_nameindex());
    if (!list) return {};
    std::vector<std::string> adapters;
    for (const struct if_nameindex* entry = list.get(); entry->if_index != 0; ++entry)
        adapters.emplace_back(entry->if_name);
    return AdapterGateways(adapters, ReadRouteTable());
}

}  // namespace vireo
