#include "system/DesktopColorScheme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QStyleHints>

// Qt's own reading of the platform's setting: its colour-scheme hint from Qt 6.5; before, the
// palette the platform theme gives windows, read once.
struct DesktopColorScheme::Source {};

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
namespace {
DesktopColorScheme::Scheme fromQt(Qt::ColorScheme scheme)
{
    return scheme == Qt::ColorScheme::Dark    ? DesktopColorScheme::Scheme::Dark
        : scheme == Qt::ColorScheme::Light ? DesktopColorScheme::Scheme::Light
                                           : DesktopColorScheme::Scheme::Unknown;
}
} // namespace
#endif

DesktopColorScheme::DesktopColorScheme(const QString&, QObject* parent) : QObject(parent)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    QStyleHints* hints = QGuiApplication::styleHints();
    scheme_ = fromQt(hints->colorScheme());
    connect(hints, &QStyleHints::colorSchemeChanged, this,
            [this](Qt::ColorScheme scheme) { setScheme(fromQt(scheme)); });
#else
    scheme_ = QGuiApplication::palette().color(QPalette::Base).lightness() < 128 ? Scheme::Dark
                                                                                 : Scheme::Light;
#endif
}

DesktopColorScheme::~DesktopColorScheme() = default;

void DesktopColorScheme::setScheme(Scheme scheme)
{
    if (scheme == scheme_)
        return;
    scheme_ = scheme;
    emit schemeChanged();
}
