#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QtEndian>

// Looks at a recording the way other programs do: its top-level boxes, and ffprobe's count of
// the pictures it decodes.
namespace Mp4Probe {

// The types of the file's top-level boxes in order, e.g. "ftyp", "moov", "mdat".
inline QStringList topLevelBoxes(const QString& path)
{
    QFile file(path);
    QStringList boxes;
    if (!file.open(QIODevice::ReadOnly))
        return boxes;
    qint64 at = 0;
    while (at + 8 <= file.size()) {
        file.seek(at);
        const QByteArray head = file.read(16);
        quint64 size = qFromBigEndian<quint32>(head.constData());
        if (size == 1 && head.size() == 16)
            size = qFromBigEndian<quint64>(head.constData() + 8);
        else if (size == 0)
            size = quint64(file.size() - at);
        boxes << QString::fromLatin1(head.mid(4, 4));
        if (size < 8)
            break;
        at += qint64(size);
    }
    return boxes;
}

// An ordinary MP4, as editors want it: one index, in front of the media, and no fragments.
inline bool isOrdinary(const QStringList& boxes)
{
    return !boxes.contains("moof") && boxes.contains("moov")
        && boxes.indexOf("moov") < boxes.indexOf("mdat");
}

// Pictures ffprobe decodes from the file, or -1 when it cannot read the file. Complaints about
// a cut-off end, as a crash leaves, do not count.
inline int framesPlayed(const QString& path)
{
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                 "stream=nb_read_frames", "-of", "csv=p=0", path});
    if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit
        || probe.exitCode() != 0)
        return -1;
    bool number = false;
    // A stream with side data (a display matrix) adds an empty field after the count.
    const int frames = probe.readAllStandardOutput().trimmed().split(',').value(0).toInt(&number);
    return number ? frames : -1;
}

} // namespace Mp4Probe
