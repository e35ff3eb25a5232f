#include "usb/UsbMuxListener.h"

QString UsbMuxListener::refusal() const
{
    if (process == 0)
        return QStringLiteral("cannot tell which process listens there");
    if (process == appleService || signer == QLatin1String("Apple Inc."))
        return {};
    const QString who = image.isEmpty() ? QStringLiteral("process %1").arg(process)
                                        : QStringLiteral("%1 (process %2)").arg(image).arg(process);
    return signer.isEmpty()
        ? QStringLiteral("%1 listens there, neither Apple's service nor "
                         "signed by Apple")
              .arg(who)
        : QStringLiteral("%1 listens there, signed by %2, not by Apple").arg(who, signer);
}
