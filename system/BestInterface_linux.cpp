#include "system/BestInterface.h"
#include "system/RouteTable.h"

#include <fstream>
#include <iterator>
#include <net/if.h>

int BestInterface::index()
{
    std::ifstream file("/proc/net/route");
    const std::string table{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::string name = RouteTable::interfaceFor(table, {8, 8, 8, 8});
    return name.empty() ? 0 : static_cast<int>(if_nametoindex(name.c_str()));
}
