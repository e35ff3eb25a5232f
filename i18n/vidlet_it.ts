<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Taglia</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copia</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Incolla</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Seleziona tutto</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Trasforma il telefono in una webcam per PC</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Aggiungi un telefono</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Scansiona questo codice con l’app Vidlet su un altro telefono.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>Non scansiona?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>WEBCAM</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Installata</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Non installata</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Disinstalla</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Installa</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>Una volta installata, la webcam Vidlet è visibile in app come Zoom, Teams e nei browser. Richiede i diritti di amministratore.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>REGISTRAZIONI</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Apri</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Cambia</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Dove il pulsante Registra salva i file .mp4.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>ABBINAMENTO</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Codice</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Rigenera</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>Dopo la rigenerazione, il QR attuale non funziona più per i nuovi telefoni.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>ASPETTO</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Chiaro</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Scuro</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>LINGUA</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>FINESTRA</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Riduci alla chiusura</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>Vidlet resta attivo nell’area di notifica quando chiudi la finestra.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>VIDEO</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Bassa latenza</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Mostra il video Wi-Fi con meno ritardo. Su una rete congestionata il movimento può risultare meno fluido.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Lingua</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Uscita webcam in pausa</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Le app ricevono un fotogramma fisso. Fai clic su Riprendi per trasmettere di nuovo.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>In uso</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Predefinita</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Scegli la cartella delle registrazioni</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Pronto per l’abbinamento</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Collega il telefono</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Scansiona questo codice con l’app Vidlet. Il telefono deve essere sulla stessa rete Wi-Fi di questo PC.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows sta bloccando Vidlet su questa rete</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Il telefono non può raggiungere questo PC finché non lo consenti. Richiede i diritti di amministratore.</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>Consenti</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>Questo PC: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>Scarica l’app</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Aggiungi</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Registra</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Impostazioni</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Generale</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Webcam</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stato</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>CONNESSIONE</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Questo PC</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Porta</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Pronto</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>Serve iTunes o l’app Dispositivi Apple</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>DIAGNOSTICA</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Prestazioni</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 è disponibile.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Scarica</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>Il firewall blocca Vidlet su questa rete</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>Non disponibile: questo desktop non ha un’area di notifica, quindi chiudere la finestra chiude Vidlet.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>In attesa di un iPhone sul cavo USB</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd non è installato</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>Questo PC non ha un indirizzo di rete</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Attiva il Wi-Fi o collega un cavo di rete, sulla stessa rete del telefono. Gli adattatori virtuali (VPN, WSL, VirtualBox) non contano.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>I telefoni si connettono alla porta %1. Un telefono collegato via USB si abbina senza il codice.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Registrazione in %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Registrazione salvata: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Registrazione interrotta: il disco è pieno o non scrivibile. Salvato: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Registrazione interrotta: il file o la cartella è stato eliminato</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Registrazione interrotta: l&apos;immagine del telefono ha cambiato dimensione. Salvato: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>Registrazione in %1. Il disco non tiene il passo: %2 fotogrammi saltati</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>Impossibile avviare la registrazione: %1 non è scrivibile</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Mostra</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 ha provato a connettersi con un vecchio codice di abbinamento: scansiona di nuovo il codice.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Un telefono ha provato a connettersi con un vecchio codice di abbinamento: scansiona di nuovo il codice.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>In attesa del telefono</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Apri l&apos;app Vidlet su uno dei tuoi telefoni o abbinane uno nuovo.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Mostra il codice</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Nessun telefono connesso</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Standard: circa 22 MB al minuto. Alta: circa 45 MB, per il montaggio.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>Condivisa tramite PipeWire</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>Dispositivo V4L2 registrato</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>Nessun dispositivo V4L2</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>Il Vidlet chiuso sta ancora salvando le sue registrazioni in %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Dimentica questo telefono</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>I programmi che usano PipeWire o il portale Fotocamera trovano «Vidlet Camera» senza registrarla. I browser hanno bisogno di un’opzione: Chromium il flag «PipeWire Camera support», Firefox media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Gli altri programmi, e i browser senza quell&apos;opzione, trovano la fotocamera una volta registrata. Il dispositivo è del computer: chiunque sia davanti al suo schermo può leggerlo. Richiede i permessi di amministratore.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>Non usato: un altro programma risponde al posto del servizio USB di Apple</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>L&apos;app Fotocamera di Windows e gli altri programmi che usano solo Media Foundation non la elencano.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>La porta %1 era occupata da un altro programma, quindi Vidlet ascolta sulla %2: i telefoni già associati devono scansionare di nuovo il codice.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Nessun programma ha ancora letto la fotocamera tramite PipeWire qui. Se il tuo non mostra &quot;Vidlet Camera&quot;, registrala.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>Il disco si è riempito durante il completamento della registrazione: resta com’è stata registrata e si può riprodurre. Salvata: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Un altro programma ha troncato la memoria condivisa della fotocamera. Vidlet l&apos;ha ricreata; un programma che da allora non mostra immagini potrebbe dover riaprire la fotocamera.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Specchio</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Inverte l&apos;immagine del telefono da sinistra a destra, come uno specchio, per la fotocamera, l&apos;anteprima e le registrazioni.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>IMMAGINE</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Ruota l&apos;immagine del telefono in senso orario, per un telefono la cui immagine arriva di lato.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Immagine intera</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Riempi</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Quando la forma dell&apos;immagine è diversa da quella della fotocamera: l&apos;immagine intera tra bande nere, oppure a riempire la fotocamera con i bordi tagliati.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>La dimensione della fotocamera. Auto prende la dimensione che il telefono invia, ruotata con l&apos;immagine; una dimensione fissa resta la stessa qualunque cosa faccia il telefono.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Alta</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Originale</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>In attesa di un fotogramma chiave</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Originale: il video del telefono così come arriva, con le sue dimensioni e qualità, quasi senza lavoro per questo computer; i lettori lo ruotano come impostato qui, senza specchio, riempimento o dimensione della fotocamera. Inizia al prossimo fotogramma chiave del telefono.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - in uso da un’app</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Riprendi</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Mostra Vidlet</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Esci</translation>
    </message>
</context>
</TS>
