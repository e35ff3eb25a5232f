#pragma once

#include <QString>

struct AVIOContext;

// The file a recording is written into, opened so that no other file is ever replaced: a new
// name is created exclusively, and an existing file is taken only when it is an empty regular
// file (a name the caller reserved by creating it). The muxer writes through io(), whose
// results are kept, so a full disk shows up as a failed write instead of vanishing in a buffer;
// removed() tells when the file, or its folder, was deleted while it is open.
class RecordingFile {
public:
    RecordingFile() = default;
    ~RecordingFile(); // closes, deleting nothing
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // False, with the reason in the log, when the file cannot be created or is taken.
    bool open(const QString& path);
    void close();

    AVIOContext* io() const { return context; }
    bool createdHere() const { return created; }
    bool removed() const;

private:
    int fd = -1;
    bool created = false;
    AVIOContext* context = nullptr;
};
