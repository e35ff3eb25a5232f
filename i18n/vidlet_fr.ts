<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Couper</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Coller</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Tout sélectionner</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Transformez votre téléphone en webcam pour PC</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Ajouter un téléphone</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Scannez ce code avec l’app Vidlet sur un autre téléphone.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>Scan impossible&#xa0;?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>CAMÉRA</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Enregistrée</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Non enregistrée</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>Une fois enregistrée, la caméra Vidlet est visible dans Zoom, Teams et les navigateurs. Nécessite les droits d’administrateur.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>ENREGISTREMENTS</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Modifier</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Dossier où le bouton Enregistrer place les fichiers .mp4.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>APPAIRAGE</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Régénérer</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>Après régénération, le QR code actuel ne fonctionne plus pour les nouveaux téléphones.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>APPARENCE</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Système</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Clair</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Sombre</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>LANGUE</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>FENÊTRE</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Réduire à la fermeture</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>Vidlet reste actif dans la zone de notification quand vous fermez la fenêtre.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>VIDÉO</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Faible latence</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Affiche la vidéo Wi-Fi avec moins de retard. Sur un réseau chargé, les mouvements peuvent être moins fluides.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Sortie caméra en pause</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Les applications reçoivent une image figée. Cliquez sur Reprendre pour diffuser à nouveau.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>Utilisée</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Par défaut</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Choisir le dossier des enregistrements</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Prêt pour l’appairage</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Connectez votre téléphone</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Scannez ce code avec l’app Vidlet. Votre téléphone doit être sur le même Wi-Fi que ce PC.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows bloque Vidlet sur ce réseau</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Votre téléphone ne peut pas joindre ce PC tant que vous ne l’autorisez pas. Nécessite les droits d’administrateur.</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>Autoriser</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>Ce PC&#xa0;: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>Obtenir l’app</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Général</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Caméra</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>CONNEXION</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Ce PC</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>Nécessite iTunes ou l’app Appareils Apple</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>DIAGNOSTIC</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Performances</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 est disponible.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Télécharger</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>Le pare-feu bloque Vidlet sur ce réseau</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>Indisponible : ce bureau n’a pas de zone de notification, fermer la fenêtre quitte donc Vidlet.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>En attente d’un iPhone sur le câble USB</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd n’est pas installé</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>Ce PC n&apos;a aucune adresse réseau</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Activez le Wi-Fi ou branchez un câble réseau, sur le même réseau que votre téléphone. Les cartes virtuelles (VPN, WSL, VirtualBox) ne comptent pas.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>Les téléphones se connectent sur le port %1. Un téléphone branché en USB s&apos;associe sans le code.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Enregistrement dans %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Enregistrement sauvegardé : %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Enregistrement arrêté : le disque est plein ou impossible à écrire. Sauvegardé : %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Enregistrement arrêté : son fichier ou son dossier a été supprimé</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Enregistrement arrêté : l&apos;image du téléphone a changé de taille. Sauvegardé : %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>Enregistrement dans %1. Le disque ne suit pas : %2 images omises</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>L&apos;enregistrement n&apos;a pas pu démarrer : impossible d&apos;écrire dans %1</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Afficher</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 a tenté de se connecter avec un ancien code d&apos;association : scannez à nouveau le code.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Un téléphone a tenté de se connecter avec un ancien code d&apos;association : scannez à nouveau le code.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>En attente de votre téléphone</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Ouvrez l&apos;app Vidlet sur l&apos;un de vos téléphones, ou associez-en un nouveau.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Afficher le code</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Aucun téléphone connecté</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Hors ligne</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Standard : environ 22 Mo par minute. Haute : environ 45 Mo, pour le montage.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>Partagée via PipeWire</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>Périphérique V4L2 enregistré</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>Aucun périphérique V4L2</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>Le Vidlet fermé enregistre encore ses enregistrements dans %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Oublier ce téléphone</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>Les programmes qui utilisent PipeWire ou le portail Caméra trouvent « Vidlet Camera » sans l’enregistrer. Les navigateurs ont besoin d’un réglage : Chromium l’option « PipeWire Camera support », Firefox media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Les autres programmes, et les navigateurs sans ce réglage, trouvent la caméra une fois enregistrée. Le périphérique appartient à l&apos;ordinateur : quiconque est devant son écran peut le lire. Demande les droits d&apos;administrateur.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>Non utilisé : un autre programme répond à la place du service USB d&apos;Apple</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>L&apos;application Caméra de Windows et les autres programmes qui n&apos;utilisent que Media Foundation ne l&apos;affichent pas.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>Le port %1 était pris par un autre programme, Vidlet écoute donc sur le %2 : les téléphones déjà appairés doivent scanner le code à nouveau.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Aucun programme n’a encore lu la caméra via PipeWire ici. Si le vôtre n’affiche pas « Vidlet Camera », enregistrez-la.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>Le disque s’est rempli pendant la finalisation de l’enregistrement : il est conservé tel quel et se lit. Enregistré : %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Un autre programme a tronqué la mémoire partagée de la caméra. Vidlet l&apos;a recréée ; un programme qui n&apos;affiche plus d&apos;image depuis devra peut-être rouvrir la caméra.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Miroir</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Inverse l&apos;image du téléphone de gauche à droite, comme un miroir, pour la caméra, l&apos;aperçu et les enregistrements.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>IMAGE</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Tourne l&apos;image du téléphone dans le sens horaire, pour un téléphone dont l&apos;image arrive sur le côté.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Image entière</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Remplir</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Quand la forme de l&apos;image diffère de celle de la caméra : l&apos;image entière entre des bandes noires, ou remplissant la caméra avec ses bords coupés.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>La taille de la caméra. Auto prend la taille que le téléphone envoie, tournée avec l&apos;image ; une taille fixe reste la même quoi que fasse le téléphone.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Haute</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Originale</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>En attente d&apos;une image clé</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Originale : la vidéo du téléphone telle qu&apos;elle arrive, à sa taille et sa qualité, presque sans travail pour cet ordinateur ; les lecteurs la tournent comme réglé ici, sans miroir, remplissage ni taille de la caméra. Elle commence à la prochaine image clé du téléphone.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - utilisée par une application</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Afficher Vidlet</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
</context>
</TS>
