#include "app/ScreenshotMode.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QQuickWindow>
#include <QTimer>
#include <QVariant>

ScreenshotMode::ScreenshotMode(const ShotOptions& options, ShotSession& session,
                               QQuickWindow* window, QObject* parent)
    : QObject(parent),
      options(options),
      session(session),
      window(window)
{
    if (options.defaultOut)
        QDir().mkpath(QFileInfo(options.out).absolutePath());

    if (window) {
        window->setProperty("captureMode", true);
        window->resize(options.size);
        if (options.theme)
            QMetaObject::invokeMethod(window, "shotSetTheme", Q_ARG(QVariant, *options.theme));
        if (!options.view.isEmpty())
            QMetaObject::invokeMethod(window, "shotOpenView", Q_ARG(QVariant, options.view));
    }
    if (!options.active.isEmpty()) {
        shotReady = false;
        session.watchChanges(this, [this] { choosePhone(); });
    }
    session.watchPictures(this, [this](const QImage& image) { onFrameReady(image); });
    QTimer::singleShot(options.delayMs, this, &ScreenshotMode::takeShot);
}

void ScreenshotMode::choosePhone()
{
    if (phoneChosen)
        return;
    const QVariantList phones = session.phones();
    for (const QVariant& v : phones) {
        const QVariantMap entry = v.toMap();
        // The phone's own name, or failing that the name the user gave it; exact match.
        if (entry.value(QStringLiteral("phoneName")).toString() != options.active
            && entry.value(QStringLiteral("name")).toString() != options.active)
            continue;
        phoneChosen = true;
        session.setActive(entry.value(QStringLiteral("id")).toInt());
        // Give the phone time to answer with a fresh key frame before a picture counts.
        QTimer::singleShot(keyFramePauseMs, this, [this] {
            shotReady = true;
            Q_EMIT picturesCount();
        });
        return;
    }
}

void ScreenshotMode::onFrameReady(const QImage& image)
{
    if (image.isNull() || shotScheduled || !shotReady)
        return;
    shotScheduled = true;
    QTimer::singleShot(afterPicturePauseMs, this, &ScreenshotMode::takeShot);
}

void ScreenshotMode::takeShot()
{
    if (shotTaken)
        return;
    shotTaken = true;
    const QImage image = window ? window->grabWindow() : QImage();
    const QByteArray path = options.out.toUtf8();
    if (!image.isNull() && image.save(options.out))
        qInfo("Vidlet: shot saved to %s", path.constData());
    else
        qWarning("Vidlet: shot FAILED for %s", path.constData());
    QCoreApplication::quit();
}
