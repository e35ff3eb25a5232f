#include "system/BestInterface.h"

#include <winsock2.h>
#include <iphlpapi.h>

int BestInterface::index()
{
    // 8.8.8.8 reads the same in either byte order, so it needs no conversion to network order.
    constexpr IPAddr publicDns = 0x08080808;
    DWORD interfaceIndex = 0;
    if (GetBestInterface(publicDns, &interfaceIndex) != NO_ERROR)
        return 0;
    return static_cast<int>(interfaceIndex);
}
