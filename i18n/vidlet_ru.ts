<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Вырезать</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставить</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Выделить всё</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Превратите телефон в веб-камеру для ПК</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Добавить телефон</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Отсканируйте этот код приложением Vidlet на другом телефоне.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>Не сканируется?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>КАМЕРА</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Установлена</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Не установлена</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Установить</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>После установки камера Vidlet видна в Zoom, Teams и браузерах. Требуются права администратора.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>ЗАПИСИ</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Изменить</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Куда кнопка «Запись» сохраняет файлы .mp4.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>СОПРЯЖЕНИЕ</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Код</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>После обновления текущий QR-код перестанет работать для новых телефонов.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>ОФОРМЛЕНИЕ</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Системная</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Светлая</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Тёмная</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>ЯЗЫК</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>ОКНО</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Сворачивать при закрытии</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>Vidlet продолжит работать в области уведомлений после закрытия окна.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>ВИДЕО</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Низкая задержка</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Видео по Wi-Fi показывается с меньшей задержкой. В загруженной сети движение может быть менее плавным.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Вывод камеры приостановлен</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Приложения получают застывший кадр. Нажмите «Возобновить», чтобы продолжить трансляцию.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>Используется</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Как в системе</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Выберите папку для записей</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Готов к сопряжению</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Подключите телефон</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Отсканируйте этот код приложением Vidlet. Телефон должен быть в той же сети Wi-Fi, что и этот ПК.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows блокирует Vidlet в этой сети</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Телефон не сможет подключиться к этому ПК, пока вы не разрешите доступ. Требуются права администратора.</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>Разрешить</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>Этот ПК: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>Скачать приложение</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Запись</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Общие</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Камера</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Сведения</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>ПОДКЛЮЧЕНИЕ</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Этот ПК</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Порт</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Готово</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>Нужен iTunes или приложение «Устройства Apple»</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>ДИАГНОСТИКА</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Производительность</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Доступна версия Vidlet %1.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Скачать</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>Брандмауэр блокирует Vidlet в этой сети</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>Недоступно: на этом рабочем столе нет области уведомлений, поэтому закрытие окна завершает Vidlet.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>Ожидание iPhone на USB-кабеле</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd не установлен</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>У этого ПК нет сетевого адреса</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Включите Wi-Fi или подключите сетевой кабель — в той же сети, что и телефон. Виртуальные адаптеры (VPN, WSL, VirtualBox) не подходят.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>Телефоны подключаются к порту %1. Телефон на USB-кабеле связывается без кода.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>Запись в %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Запись сохранена: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Запись остановлена: диск заполнен или недоступен для записи. Сохранено: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Запись остановлена: её файл или папка удалены</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Запись остановлена: изображение с телефона изменило размер. Сохранено: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>Запись в %1. Диск не успевает: пропущено кадров: %2</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>Не удалось начать запись: %1 недоступна для записи</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Показать</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1: попытка подключения со старым кодом связывания — отсканируйте код ещё раз.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Телефон пытался подключиться со старым кодом связывания: отсканируйте код ещё раз.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>Ожидание телефона</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Откройте приложение Vidlet на одном из ваших телефонов или свяжите новый.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Показать код</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Телефон не подключён</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Не в сети</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Обычное: около 22 МБ в минуту. Высокое: около 45 МБ, для монтажа.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>Доступна через PipeWire</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>Устройство V4L2 зарегистрировано</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>Нет устройства V4L2</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>Закрытый Vidlet ещё сохраняет свои записи в %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Забыть этот телефон</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>Программы, использующие PipeWire или портал камеры, находят «Vidlet Camera» без регистрации. Браузерам нужен переключатель: Chromium — флаг «PipeWire Camera support», Firefox — media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Другие программы и браузеры без этого переключателя находят камеру после регистрации. Устройство принадлежит компьютеру: его может читать любой, кто сидит за его экраном. Требует прав администратора.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>Не используется: вместо USB-службы Apple отвечает другая программа</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>Приложение «Камера» Windows и другие программы, использующие только Media Foundation, её не видят.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>Порт %1 занят другой программой, поэтому Vidlet слушает порт %2: уже сопряжённым телефонам нужно снова отсканировать код.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Ни одна программа ещё не читала камеру через PipeWire на этом компьютере. Если ваша не показывает «Vidlet Camera», зарегистрируйте её.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>Диск заполнился при завершении записи: она сохранена как записана и воспроизводится. Сохранено: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Другая программа урезала общую память камеры. Vidlet создал её заново; программе, которая с тех пор не показывает изображение, может понадобиться открыть камеру ещё раз.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Зеркально</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Отражает изображение телефона слева направо, как зеркало, для камеры, предпросмотра и записей.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>ИЗОБРАЖЕНИЕ</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Поворачивает изображение телефона по часовой стрелке, если оно приходит боком.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Всё изображение</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Заполнить</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Когда форма изображения отличается от формы камеры: всё изображение между чёрными полосами или заполнение камеры с обрезанными краями.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>Размер камеры. «Авто» — размер, который присылает телефон, с учётом поворота; фиксированный размер не меняется, что бы ни делал телефон.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Обычное</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Высокое</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Оригинал</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>Ожидание ключевого кадра</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Оригинал: видео телефона в том виде, в каком оно пришло, в его размере и качестве, почти без нагрузки на компьютер; проигрыватели поворачивают его, как задано здесь, без зеркала, заполнения и размера камеры. Запись начинается со следующего ключевого кадра телефона.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet — используется приложением</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Приостановить</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Возобновить</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Показать Vidlet</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Выход</translation>
    </message>
</context>
</TS>
