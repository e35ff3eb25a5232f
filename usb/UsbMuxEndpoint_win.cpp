#include "usb/UsbMuxEndpoint.h"

#include "system/SignedFile.h"
#include "usb/UsbMuxListener.h"

#include <QTcpSocket>

#include <vector>

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace {

// The process whose socket on 127.0.0.1:`servicePort` is connected to our `localPort`, or 0.
DWORD listenerProcess(quint16 servicePort, quint16 localPort)
{
    ULONG size = 0;
    std::vector<unsigned char> table;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    // The table may grow between the two calls.
    for (int attempt = 0; attempt < 4 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        table.resize(size);
        result = GetExtendedTcpTable(table.empty() ? nullptr : table.data(), &size, FALSE, AF_INET,
                                     TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
    }
    if (result != NO_ERROR)
        return 0;
    const auto* rows = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(table.data());
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
        const MIB_TCPROW_OWNER_PID& row = rows->table[i];
        if (row.dwLocalAddr == htonl(INADDR_LOOPBACK)
            && ntohs(u_short(row.dwLocalPort)) == servicePort
            && row.dwRemoteAddr == htonl(INADDR_LOOPBACK)
            && ntohs(u_short(row.dwRemotePort)) == localPort)
            return row.dwOwningPid;
    }
    return 0;
}

// The process the service manager runs as Apple's device service, or 0 when none runs.
// Installing a service takes an administrator, so this name cannot be borrowed.
DWORD appleServiceProcess()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return 0;
    DWORD process = 0;
    for (const wchar_t* name : {L"Apple Mobile Device Service", L"AppleMobileDeviceService"}) {
        SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
        if (!service)
            continue;
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                 sizeof status, &needed)
            && status.dwCurrentState == SERVICE_RUNNING)
            process = status.dwProcessId;
        CloseServiceHandle(service);
        if (process)
            break;
    }
    CloseServiceHandle(manager);
    return process;
}

// The program file of a running process; empty when it cannot be read.
QString imageOf(DWORD process)
{
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!handle)
        return {};
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    const bool read = QueryFullProcessImageNameW(handle, 0, path, &length);
    CloseHandle(handle);
    return read ? QString::fromWCharArray(path, int(length)) : QString();
}

} // namespace

// The Windows service listens on TCP only.
UsbMuxEndpoint::Opening UsbMuxEndpoint::openUnix(QTcpSocket&) const
{
    return Opening::Failed;
}

bool UsbMuxEndpoint::trustsListener(const QTcpSocket& socket, QString* why) const
{
    if (!mustBeApple)
        return true;
    UsbMuxListener listener;
    listener.process = listenerProcess(port, socket.localPort());
    listener.appleService = appleServiceProcess();
    if (listener.process != 0 && listener.process != listener.appleService) {
        listener.image = imageOf(listener.process);
        if (!listener.image.isEmpty())
            listener.signer =
                QString::fromStdWString(SignedFile::verifiedSigner(listener.image.toStdWString()));
    }
    const QString refusal = listener.refusal();
    if (why)
        *why = refusal;
    return refusal.isEmpty();
}

bool UsbMuxEndpoint::serviceInstalled(const QString&)
{
    return true;
}
