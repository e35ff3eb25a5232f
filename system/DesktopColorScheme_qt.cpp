#include "system/DesktopColorScheme.h"

#include <QGuiApplication>
#include <QStyleHints>

// Qt's own hint, which reads the platform's setting (Qt 6.5 and later).
struct DesktopColorScheme::Source {};

namespace {
DesktopColorScheme::Scheme fromQt(Qt::ColorScheme scheme)
{
    return scheme == Qt::ColorScheme::Dark    ? DesktopColorScheme::Scheme::Dark
        : scheme == Qt::ColorScheme::Light ? DesktopColorScheme::Scheme::Light
                                           : DesktopColorScheme::Scheme::Unknown;
}
} // namespace

DesktopColorScheme::DesktopColorScheme(const QString&, QObject* parent) : QObject(parent)
{
    QStyleHints* hints = QGuiApplication::styleHints();
    scheme_ = fromQt(hints->colorScheme());
    connect(hints, &QStyleHints::colorSchemeChanged, this,
            [this](Qt::ColorScheme scheme) { setScheme(fromQt(scheme)); });
}

DesktopColorScheme::~DesktopColorScheme() = default;

void DesktopColorScheme::setScheme(Scheme scheme)
{
    if (scheme == scheme_)
        return;
    scheme_ = scheme;
    emit schemeChanged();
}
