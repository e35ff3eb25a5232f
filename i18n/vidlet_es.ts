<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Cortar</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Pegar</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Seleccionar todo</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Convierte tu teléfono en una webcam para PC</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Añadir un teléfono</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Escanea este código con la app Vidlet en otro teléfono.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>¿No puedes escanear?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>CÁMARA</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Registrada</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Sin registrar</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Anular registro</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrar</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>Al registrarla, apps como Zoom, Teams y los navegadores ven la cámara Vidlet. Requiere permisos de administrador.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>GRABACIONES</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Cambiar</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Donde el botón Grabar guarda los archivos .mp4.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>EMPAREJAMIENTO</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Código</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Regenerar</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>Al regenerarlo, el QR actual deja de funcionar para teléfonos nuevos.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>APARIENCIA</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Claro</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Oscuro</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>IDIOMA</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>VENTANA</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Minimizar al cerrar</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>Vidlet sigue funcionando en el área de notificación al cerrar la ventana.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>VÍDEO</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Baja latencia</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Muestra el vídeo por Wi-Fi con menos retraso. En una red saturada, el movimiento puede verse menos fluido.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Salida de cámara en pausa</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Las apps reciben una imagen congelada. Haz clic en Reanudar para volver a emitir.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>En uso</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Del sistema</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Elegir carpeta de grabaciones</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Listo para emparejar</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Conecta tu teléfono</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Escanea este código con la app Vidlet. Mantén el teléfono en la misma red Wi-Fi que este PC.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows está bloqueando Vidlet en esta red</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Tu teléfono no puede conectar con este PC hasta que lo permitas. Requiere permisos de administrador.</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>Permitir</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>Este PC: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>Obtener la app</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Grabar</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ajustes</translation>
    </message>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Cámara</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>CONEXIÓN</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Este PC</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Puerto</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Listo</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>Requiere iTunes o la app Dispositivos Apple</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>DIAGNÓSTICO</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Rendimiento</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 está disponible.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Descargar</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>El cortafuegos bloquea Vidlet en esta red</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>No disponible: este escritorio no tiene área de notificación, así que cerrar la ventana cierra Vidlet.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>Esperando un iPhone en el cable USB</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd no está instalado</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>Este PC no tiene dirección de red</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Active el Wi-Fi o conecte un cable de red, en la misma red que su teléfono. Los adaptadores virtuales (VPN, WSL, VirtualBox) no cuentan.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>Los teléfonos se conectan al puerto %1. Un teléfono con cable USB se empareja sin el código.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Grabando en %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Grabación guardada: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Grabación detenida: el disco está lleno o no se puede escribir. Guardado: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Grabación detenida: se eliminó su archivo o su carpeta</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Grabación detenida: la imagen del teléfono cambió de tamaño. Guardado: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>Grabando en %1. El disco no da abasto: %2 fotogramas omitidos</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>No se pudo iniciar la grabación: no se puede escribir en %1</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Mostrar</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 intentó conectarse con un código de emparejamiento antiguo: escanee el código de nuevo.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Un teléfono intentó conectarse con un código de emparejamiento antiguo: escanee el código de nuevo.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>Esperando su teléfono</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Abra la app Vidlet en uno de sus teléfonos o empareje uno nuevo.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Mostrar código</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Ningún teléfono conectado</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Sin conexión</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Estándar: unos 22 MB por minuto. Alta: unos 45 MB, para editar.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>Compartida mediante PipeWire</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>Dispositivo V4L2 registrado</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>Sin dispositivo V4L2</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>El Vidlet que se cerró aún está guardando sus grabaciones en %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Olvidar este teléfono</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>Los programas que usan PipeWire o el portal de cámara encuentran «Vidlet Camera» sin registrarla. Los navegadores necesitan un ajuste: Chromium la opción «PipeWire Camera support», Firefox media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Los demás programas, y los navegadores sin ese ajuste, encuentran la cámara una vez registrada. El dispositivo es del ordenador: quien esté ante su pantalla puede leerlo. Requiere permisos de administrador.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>No se usa: otro programa responde en lugar del servicio USB de Apple</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>La app Cámara de Windows y otros programas que solo usan Media Foundation no la muestran.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>Otro programa ocupaba el puerto %1, así que Vidlet escucha en el %2: los teléfonos ya emparejados deben escanear el código de nuevo.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Ningún programa ha leído aún la cámara a través de PipeWire en este equipo. Si el suyo no muestra «Vidlet Camera», regístrela.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>El disco se llenó al completar la grabación: se conserva tal como se grabó y se puede reproducir. Guardada: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Otro programa recortó la memoria compartida de la cámara. Vidlet la creó de nuevo; un programa que no muestre imagen desde entonces puede necesitar abrir la cámara otra vez.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Reflejar</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Invierte la imagen del teléfono de izquierda a derecha, como un espejo, para la cámara, la vista previa y las grabaciones.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>IMAGEN</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Gira la imagen del teléfono en el sentido de las agujas del reloj, para un teléfono cuya imagen llega de lado.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Imagen completa</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Rellenar</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Cuando la forma de la imagen difiere de la de la cámara: la imagen completa entre barras negras, o llenando la cámara con los bordes recortados.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>El tamaño de la cámara. Auto toma el tamaño que envía el teléfono, girado con la imagen; un tamaño fijo no cambia haga lo que haga el teléfono.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Estándar</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Alta</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>Esperando un fotograma clave</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Original: el propio vídeo del teléfono tal como llegó, con su tamaño y calidad, casi sin trabajo para este ordenador; los reproductores lo giran como se ajuste aquí, sin espejo, relleno ni el tamaño de la cámara. Empieza en el siguiente fotograma clave del teléfono.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - en uso por una app</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausar</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reanudar</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Mostrar Vidlet</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
</context>
</TS>
