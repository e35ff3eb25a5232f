<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Alles auswählen</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Ihr Smartphone als PC-Webcam</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Smartphone hinzufügen</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Scannen Sie diesen Code mit der Vidlet-App auf einem weiteren Smartphone.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>Kein Scan möglich?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>KAMERA</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Registriert</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Nicht registriert</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrieren</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>Nach der Registrierung sehen Apps wie Zoom, Teams und Browser die Vidlet-Kamera. Erfordert Administratorrechte.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>AUFNAHMEN</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Hier speichert die Aufnahme-Schaltfläche die .mp4-Dateien.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>KOPPLUNG</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Neu erzeugen</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>Danach funktioniert der aktuelle QR-Code für neue Smartphones nicht mehr.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>DARSTELLUNG</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>SPRACHE</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>FENSTER</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Im Infobereich behalten</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>Vidlet läuft im Infobereich weiter, wenn Sie das Fenster schließen.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>VIDEO</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Geringe Latenz</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Zeigt WLAN-Video mit weniger Verzögerung. In einem ausgelasteten Netz können Bewegungen weniger flüssig wirken.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Kameraausgabe angehalten</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Apps erhalten ein Standbild. Klicken Sie auf „Fortsetzen“, um wieder zu senden.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In Verwendung</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Systemstandard</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Ordner für Aufnahmen wählen</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Bereit zum Koppeln</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Smartphone verbinden</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Scannen Sie diesen Code mit der Vidlet-App. Ihr Smartphone muss im selben WLAN wie dieser PC sein.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows blockiert Vidlet in diesem Netzwerk</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Ihr Smartphone erreicht diesen PC erst, wenn Sie es zulassen. Erfordert Administratorrechte.</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>Zulassen</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>Dieser PC: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>App herunterladen</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>VERBINDUNG</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Dieser PC</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>Benötigt iTunes oder die App „Apple Geräte“</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>DIAGNOSE</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 ist verfügbar.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>Die Firewall blockiert Vidlet in diesem Netz</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>Nicht verfügbar: Dieser Desktop hat keinen Infobereich, daher beendet das Schließen des Fensters Vidlet.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>Wartet auf ein iPhone am USB-Kabel</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd ist nicht installiert</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>Dieser PC hat keine Netzwerkadresse</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Schalten Sie WLAN ein oder stecken Sie ein Netzwerkkabel ein, im selben Netz wie Ihr Telefon. Virtuelle Adapter (VPN, WSL, VirtualBox) zählen nicht.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>Telefone verbinden sich über Port %1. Ein Telefon am USB-Kabel koppelt ohne den Code.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Aufnahme nach %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Aufnahme gespeichert: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Aufnahme angehalten: Der Datenträger ist voll oder nicht beschreibbar. Gespeichert: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Aufnahme angehalten: Ihre Datei oder ihr Ordner wurde gelöscht</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Aufnahme angehalten: Das Bild des Telefons hat seine Größe geändert. Gespeichert: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>Aufnahme nach %1. Der Datenträger kommt nicht mit: %2 Bilder ausgelassen</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>Aufnahme konnte nicht starten: %1 ist nicht beschreibbar</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Zeigen</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 wollte sich mit einem alten Kopplungscode verbinden: Scannen Sie den Code erneut.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Ein Telefon wollte sich mit einem alten Kopplungscode verbinden: Scannen Sie den Code erneut.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>Warte auf Ihr Telefon</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Öffnen Sie die Vidlet-App auf einem Ihrer Telefone oder koppeln Sie ein neues.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Kopplungscode zeigen</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Kein Telefon verbunden</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Standard: etwa 22 MB pro Minute. Hoch: etwa 45 MB, zum Bearbeiten.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>Über PipeWire freigegeben</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>V4L2-Gerät registriert</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>Kein V4L2-Gerät</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>Das beendete Vidlet speichert noch seine Aufnahmen in %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Dieses Telefon vergessen</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>Programme, die PipeWire oder das Kamera-Portal nutzen, finden „Vidlet Camera“ ohne Registrierung. Browser brauchen dafür einen Schalter: Chromium das Flag „PipeWire Camera support“, Firefox media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Andere Programme und Browser ohne diesen Schalter finden die Kamera, sobald sie registriert ist. Das Gerät gehört dem Computer: Wer an seinem Bildschirm sitzt, kann es lesen. Erfordert Administratorrechte.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>Nicht verwendet: Ein anderes Programm antwortet anstelle von Apples USB-Dienst</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>Die Windows-Kamera-App und andere Programme, die nur Media Foundation verwenden, zeigen sie nicht an.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>Port %1 war von einem anderen Programm belegt, daher lauscht Vidlet auf %2: Bereits gekoppelte Telefone müssen den Code erneut scannen.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Noch kein Programm hat die Kamera hier über PipeWire gelesen. Wenn Ihres „Vidlet Camera“ nicht anzeigt, registrieren Sie sie.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>Die Festplatte wurde beim Abschließen der Aufnahme voll: Sie bleibt wie aufgenommen erhalten und lässt sich abspielen. Gespeichert: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Ein anderes Programm hat den gemeinsamen Speicher der Kamera gekürzt. Vidlet hat ihn neu angelegt; ein Programm, das seitdem kein Bild zeigt, muss die Kamera eventuell erneut öffnen.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Spiegeln</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Spiegelt das Bild des Telefons seitenverkehrt, wie ein Spiegel, für die Kamera, die Vorschau und Aufnahmen.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>BILD</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Dreht das Bild des Telefons im Uhrzeigersinn, für ein Telefon, dessen Bild seitlich ankommt.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Ganzes Bild</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllen</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Wenn die Form des Bildes von der der Kamera abweicht: das ganze Bild zwischen schwarzen Balken oder die Kamera ausfüllend, mit abgeschnittenen Rändern.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>Die Größe der Kamera. Auto übernimmt die Größe, die das Telefon sendet, mitgedreht; eine feste Größe bleibt gleich, was das Telefon auch tut.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>Warte auf ein Schlüsselbild</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Original: das eigene Video des Telefons, wie es ankam, in seiner Größe und Qualität, fast ohne Arbeit für diesen Computer; Player drehen es wie hier eingestellt, ohne Spiegelung, Füllen oder die Kameragröße. Es beginnt mit dem nächsten Schlüsselbild des Telefons.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet – wird von einer App verwendet</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Vidlet anzeigen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>
