<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Recortar</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Colar</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Selecionar tudo</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Transforme seu celular em webcam para PC</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Adicionar um celular</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Escaneie este código com o app Vidlet em outro celular.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>Não escaneia?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>CÂMERA</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Registrada</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Não registrada</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Remover</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Registrar</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>Com o registro, apps como Zoom, Teams e navegadores veem a câmera Vidlet. Pede permissão de administrador.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>GRAVAÇÕES</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Alterar</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Onde o botão Gravar salva os arquivos .mp4.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>PAREAMENTO</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Código</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Gerar novo</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>Gerar um novo código faz o QR atual parar de funcionar para novos celulares.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>APARÊNCIA</translation>
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
        <translation>Escuro</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>IDIOMA</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>JANELA</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Minimizar ao fechar</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>O Vidlet continua em execução na área de notificação ao fechar a janela.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>VÍDEO</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Baixa latência</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Mostra o vídeo por Wi-Fi com menos atraso. Em uma rede congestionada, o movimento pode ficar menos suave.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Saída da câmera pausada</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Os apps recebem uma imagem congelada. Clique em Retomar para transmitir de novo.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>Em uso</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Do sistema</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Escolher pasta de gravações</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Pronto para parear</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Conecte seu celular</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Escaneie este código com o app Vidlet. Mantenha o celular na mesma rede Wi-Fi deste PC.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>O Windows bloqueia o Vidlet nesta rede</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Seu celular não consegue acessar este PC até que você permita. Pede permissão de administrador.</translation>
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
        <translation>Baixar o app</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Adicionar</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Gravar</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Configurações</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Geral</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Câmera</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Sobre</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>CONEXÃO</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Este PC</translation>
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
        <translation>Requer o iTunes ou o app Dispositivos Apple</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>DIAGNÓSTICO</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Desempenho</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 está disponível.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Baixar</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>O firewall bloqueia o Vidlet nesta rede</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>Indisponível: esta área de trabalho não tem área de notificação, por isso fechar a janela encerra o Vidlet.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>Aguardando um iPhone no cabo USB</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>O usbmuxd não está instalado</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>Este PC não tem endereço de rede</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Ligue o Wi-Fi ou conecte um cabo de rede, na mesma rede do seu telefone. Adaptadores virtuais (VPN, WSL, VirtualBox) não contam.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>Os telefones se conectam pela porta %1. Um telefone no cabo USB emparelha sem o código.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Gravando em %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Gravação salva: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Gravação interrompida: o disco está cheio ou não pode ser gravado. Salvo: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Gravação interrompida: o arquivo ou a pasta foi excluído</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Gravação interrompida: a imagem do telefone mudou de tamanho. Salvo: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>Gravando em %1. O disco não acompanha: %2 quadros omitidos</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>Não foi possível iniciar a gravação: não é possível gravar em %1</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Mostrar</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 tentou se conectar com um código de emparelhamento antigo: escaneie o código novamente.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Um telefone tentou se conectar com um código de emparelhamento antigo: escaneie o código novamente.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>Aguardando seu telefone</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Abra o app Vidlet em um dos seus telefones ou emparelhe um novo.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Mostrar código</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Nenhum telefone conectado</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Padrão: cerca de 22 MB por minuto. Alta: cerca de 45 MB, para edição.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>Compartilhada via PipeWire</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>Dispositivo V4L2 registrado</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>Nenhum dispositivo V4L2</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>O Vidlet que foi fechado ainda está salvando as gravações em %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Esquecer este telefone</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>Programas que usam o PipeWire ou o portal de câmera encontram &quot;Vidlet Camera&quot; sem registrá-la. Os navegadores precisam de uma opção: o Chromium a flag &quot;PipeWire Camera support&quot;, o Firefox media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Outros programas, e navegadores sem essa opção, encontram a câmera depois de registrada. O dispositivo é do computador: quem estiver diante da tela pode lê-lo. Pede permissão de administrador.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>Não utilizado: outro programa responde no lugar do serviço USB da Apple</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>O app Câmera do Windows e outros programas que usam apenas o Media Foundation não a listam.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>A porta %1 estava ocupada por outro programa, então o Vidlet escuta na %2: os telefones já emparelhados devem escanear o código de novo.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Nenhum programa leu ainda a câmera pelo PipeWire aqui. Se o seu não mostrar &quot;Vidlet Camera&quot;, registre-a.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>O disco encheu enquanto a gravação era concluída: ela fica como foi gravada e pode ser reproduzida. Salva: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Outro programa encurtou a memória partilhada da câmera. O Vidlet a criou de novo; um programa que não mostra imagem desde então pode precisar abrir a câmera outra vez.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Espelhar</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Inverte a imagem do telefone da esquerda para a direita, como um espelho, para a câmera, a pré-visualização e as gravações.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>IMAGEM</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Gira a imagem do telefone no sentido horário, para um telefone cuja imagem chega de lado.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Imagem inteira</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Preencher</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Quando a forma da imagem difere da da câmera: a imagem inteira entre barras pretas, ou preenchendo a câmera com as bordas cortadas.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>O tamanho da câmera. Auto usa o tamanho que o telefone envia, girado com a imagem; um tamanho fixo fica igual, faça o telefone o que fizer.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Padrão</translation>
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
        <translation>Aguardando um quadro-chave</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Original: o vídeo do próprio telefone como chegou, no seu tamanho e qualidade, quase sem trabalho para este computador; os reprodutores o giram como definido aqui, sem espelho, preenchimento ou o tamanho da câmera. Começa no próximo quadro-chave do telefone.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - em uso por um app</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausar</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Retomar</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Mostrar Vidlet</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Sair</translation>
    </message>
</context>
</TS>
