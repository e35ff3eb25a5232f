#include "system/RouteTable.h"

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

constexpr unsigned long routeUp = 0x1;

bool parseNumber(const std::string& field, int base, unsigned long& value)
{
    if (field.empty())
        return false;
    char* end = nullptr;
    value = std::strtoul(field.c_str(), &end, base);
    return *end == '\0';
}

} // namespace

std::string RouteTable::interfaceFor(std::string_view table, std::array<std::uint8_t, 4> address)
{
    std::uint32_t target = 0;
    std::memcpy(&target, address.data(), sizeof target);

    std::istringstream lines{std::string(table)};
    std::string line;
    std::getline(lines, line); // column titles

    std::string best;
    int bestPrefix = -1;
    unsigned long bestMetric = ULONG_MAX;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric
              >> mask))
            continue;
        unsigned long destinationValue = 0, maskValue = 0, flagsValue = 0, metricValue = 0;
        if (!parseNumber(destination, 16, destinationValue) || !parseNumber(mask, 16, maskValue)
            || !parseNumber(flags, 16, flagsValue) || !parseNumber(metric, 10, metricValue)
            || maskValue > UINT32_MAX)
            continue;
        if (!(flagsValue & routeUp) || (target & maskValue) != destinationValue)
            continue;
        const int prefix = std::popcount(static_cast<std::uint32_t>(maskValue));
        if (prefix < bestPrefix || (prefix == bestPrefix && metricValue >= bestMetric))
            continue;
        best = name;
        bestPrefix = prefix;
        bestMetric = metricValue;
    }
    return best;
}
