#pragma once

#include <QImage>
#include <QMetaObject>
#include <QVariantList>

#include <functional>

class QObject;

// What the screenshot mode reads of the session and asks of it. The controller is one; a test
// hands in one of its own.
class ShotSession {
public:
    // One map each, with at least "id", "name" and "phoneName".
    virtual QVariantList phones() const = 0;
    virtual void setActive(int id) = 0;
    // Calls `changed` in `context`'s thread after the phones changed.
    virtual QMetaObject::Connection watchChanges(QObject* context,
                                                 std::function<void()> changed) = 0;
    // Calls `picture` in `context`'s thread with each live picture the preview gets.
    virtual QMetaObject::Connection watchPictures(QObject* context,
                                                  std::function<void(const QImage&)> picture) = 0;

protected:
    ~ShotSession() = default;
};
