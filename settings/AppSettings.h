#pragma once

#include <QHash>
#include <QSettings>
#include <QString>
#include <QStringList>

// The user's settings, one typed owner over the INI store (user scope, organisation and
// application "Vidlet"). main builds one and lends it to the controller, the translator and
// the single-instance guard; nothing else reads or writes the store. Values are read from the
// store each time, so two owners in one process (tests) see each other's writes.
class AppSettings {
public:
    AppSettings();
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    QString fileName() const { return store.fileName(); }

    // 0 follows the system, 1 light, 2 dark.
    int themeMode() const;
    void setThemeMode(int mode);
    bool minimizeToTray() const;
    void setMinimizeToTray(bool on);
    bool lowLatency() const;
    void setLowLatency(bool on);
    bool mirrored() const;
    void setMirrored(bool on);
    // The camera's size: 0 follows the phone, 1 is 1280x720, 2 is 1920x1080.
    int cameraSize() const;
    void setCameraSize(int choice);
    // The phone's picture turned clockwise by 0 to 3 quarter turns (saved in degrees).
    int quarterTurns() const;
    void setQuarterTurns(int turns);
    // The picture covers the camera rather than lying whole between bars.
    bool filled() const;
    void setFilled(bool on);
    QString recordingFolder() const;
    void setRecordingFolder(const QString& folder);
    // 0 Standard, 1 High, 2 Original.
    int recordingQuality() const;
    void setRecordingQuality(int quality);
    // "auto" or a language code.
    QString language() const;
    void setLanguage(const QString& code);
    // A program has read the camera through PipeWire on this machine at least once.
    bool pipewireReaderSeen() const;
    void setPipewireReaderSeen();

    // Paired phones: device id -> the token they paired with.
    QHash<QString, QString> trustedPhones() const;
    void trustPhone(const QString& deviceId, const QString& token);
    // The name the user gave a phone; `otherwise` when none.
    QString phoneName(const QString& deviceId, const QString& otherwise = QString()) const;
    // An empty name removes the user's name.
    void setPhoneName(const QString& deviceId, const QString& name);
    // Device ids in the order the phones first paired.
    QStringList phoneOrder() const;
    void setPhoneOrder(const QStringList& order);
    // The phone's own name, model and OS version as last seen.
    QStringList phoneSeen(const QString& deviceId) const;
    void setPhoneSeen(const QString& deviceId, const QStringList& seen);
    // A new pairing code: every paired phone is forgotten, their names stay.
    void forgetPairedPhones();
    // One phone forgotten altogether: its pairing, its place, what was seen of it and its name.
    void forgetPhone(const QString& deviceId);

private:
    int choice(const QString& key, int count) const;
    mutable QSettings store;
};
