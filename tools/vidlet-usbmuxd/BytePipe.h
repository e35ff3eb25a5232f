#pragma once

#include <QIODevice>
#include <QObject>

// Copies bytes both ways between two connected sockets, as the service does between a
// client's tunnel and the phone app. Neither direction holds more than a few MiB for a slow
// reader: reading pauses until the other side has written its backlog. When one side closes,
// what it sent is passed on and the other side is closed gracefully. The pipe owns neither
// socket; make it a child of one of them.
class BytePipe : public QObject {
    Q_OBJECT

public:
    BytePipe(QIODevice* a, QIODevice* b, QObject* parent);

private:
    void pump(QIODevice* from, QIODevice* to);
    void sideClosed(QIODevice* closed, QIODevice* other);

    QIODevice* a;
    QIODevice* b;
};
