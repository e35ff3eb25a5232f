<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="tr_TR">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>Kes</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopyala</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Yapıştır</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Tümünü seç</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>Telefonunuzu PC web kamerasına dönüştürün</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>Telefon ekle</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>Bu kodu başka bir telefondaki Vidlet uygulamasıyla tarayın.</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>Taranmıyor mu?</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>KAMERA</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>Yüklü</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>Yüklü değil</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>Kaldır</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Yükle</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>Yüklendikten sonra Zoom, Teams ve tarayıcılar gibi uygulamalar Vidlet kamerasını görür. Yönetici izni ister.</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>KAYITLAR</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Aç</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Değiştir</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>Kaydet düğmesinin .mp4 dosyalarını sakladığı klasör.</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>EŞLEŞTİRME</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Kod</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Yenile</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>Yenilendiğinde mevcut QR kodu yeni telefonlarda çalışmaz.</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>GÖRÜNÜM</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistem</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Açık</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Koyu</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>DİL</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>PENCERE</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>Kapatınca tepsiye küçült</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>Pencereyi kapattığınızda Vidlet bildirim alanında çalışmaya devam eder.</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>VİDEO</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>Düşük gecikme</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Wi-Fi görüntüsü daha az gecikmeyle gösterilir. Yoğun bir ağda hareket daha az akıcı olabilir.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Dil</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>Kamera çıkışı duraklatıldı</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>Uygulamalar donmuş bir kare alır. Yayına devam etmek için Sürdür’e tıklayın.</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>Kullanımda</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Sistem dili</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>Kayıt klasörünü seçin</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>Eşleştirmeye hazır</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>Telefonunuzu bağlayın</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Bu kodu Vidlet uygulamasıyla tarayın. Telefonunuz bu PC ile aynı Wi-Fi ağında olmalı.</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows bu ağda Vidlet’i engelliyor</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>Siz izin verene kadar telefonunuz bu PC’ye ulaşamaz. Yönetici izni ister.</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>İzin ver</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>Bu PC: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>Uygulamayı edinin</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>Ekle</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Kaydet</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ayarlar</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Genel</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Durum</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Hakkında</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>BAĞLANTI</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>Bu PC</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Bağlantı noktası</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Hazır</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>iTunes veya Apple Aygıtlar uygulaması gerekli</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>TANILAMA</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Performans</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 kullanılabilir.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>İndir</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>Güvenlik duvarı bu ağda Vidlet’i engelliyor</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>Kullanılamıyor: bu masaüstünde bildirim alanı yok, bu yüzden pencereyi kapatmak Vidlet’ten çıkar.</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>USB kablosunda bir iPhone bekleniyor</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd yüklü değil</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>Bu bilgisayarın ağ adresi yok</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Wi-Fi&apos;yi açın veya bir ağ kablosu takın; telefonunuzla aynı ağda olun. Sanal bağdaştırıcılar (VPN, WSL, VirtualBox) sayılmaz.</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>Telefonlar %1 numaralı bağlantı noktasına bağlanır. USB kablosuyla bağlı bir telefon kod olmadan eşleşir.</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>%1 konumuna kaydediliyor</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>Kayıt kaydedildi: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>Kayıt durdu: disk dolu veya yazılamıyor. Kaydedilen: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>Kayıt durdu: dosyası veya klasörü silindi</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>Kayıt durdu: telefonun görüntüsünün boyutu değişti. Kaydedilen: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>%1 konumuna kaydediliyor. Disk yetişemiyor: %2 kare atlandı</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>Kayıt başlatılamadı: %1 konumuna yazılamıyor</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Göster</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 eski bir eşleştirme koduyla bağlanmaya çalıştı: kodu yeniden tarayın.</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>Bir telefon eski bir eşleştirme koduyla bağlanmaya çalıştı: kodu yeniden tarayın.</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>Telefonunuz bekleniyor</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>Telefonlarınızdan birinde Vidlet uygulamasını açın veya yeni bir telefon eşleştirin.</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>Eşleştirme kodunu göster</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>Bağlı telefon yok</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Çevrimdışı</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>Standart: dakikada yaklaşık 22 MB. Yüksek: yaklaşık 45 MB, düzenleme için.</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>PipeWire üzerinden paylaşılıyor</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>V4L2 aygıtı kayıtlı</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>V4L2 aygıtı yok</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>Kapanan Vidlet kayıtlarını %1 içine hâlâ kaydediyor</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>Bu telefonu unut</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>PipeWire veya Kamera portalını kullanan programlar &quot;Vidlet Camera&quot;yı kaydetmeden bulur. Tarayıcıların bunun için bir ayara ihtiyacı var: Chromium için &quot;PipeWire Camera support&quot; bayrağı, Firefox için media.webrtc.camera.allow-pipewire.</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>Diğer programlar ve bu ayarı olmayan tarayıcılar kamerayı kaydedildikten sonra bulur. Aygıt bilgisayarındır: ekranının başındaki herkes okuyabilir. Yönetici izni ister.</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>Kullanılmıyor: Apple&apos;ın USB hizmetinin yerine başka bir program yanıt veriyor</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>Windows Kamera uygulaması ve yalnızca Media Foundation kullanan diğer programlar onu listelemez.</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>%1 numaralı bağlantı noktası başka bir program tarafından kullanılıyordu, bu yüzden Vidlet %2 üzerinde dinliyor: daha önce eşleşen telefonlar kodu yeniden taramalı.</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>Burada henüz hiçbir program kamerayı PipeWire üzerinden okumadı. Sizinki &quot;Vidlet Camera&quot;yı listelemiyorsa kaydedin.</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>Kayıt tamamlanırken disk doldu: kayıt olduğu gibi saklandı ve oynatılabilir. Kaydedildi: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>Başka bir program kameranın paylaşılan belleğini kısalttı. Vidlet onu yeniden oluşturdu; o zamandan beri görüntü göstermeyen bir programın kamerayı yeniden açması gerekebilir.</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Aynala</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>Telefonun görüntüsünü bir ayna gibi soldan sağa çevirir; kamera, önizleme ve kayıtlar için.</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>GÖRÜNTÜ</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>Görüntüsü yan gelen bir telefon için telefonun görüntüsünü saat yönünde döndürür.</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Tüm görüntü</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Doldur</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>Görüntünün biçimi kameranınkinden farklı olduğunda: tüm görüntü siyah şeritler arasında ya da kenarları kesilerek kamerayı dolduran görüntü.</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Otomatik</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>Kameranın boyutu. Otomatik, telefonun gönderdiği boyutu döndürmeyle birlikte alır; sabit bir boyut, telefon ne yaparsa yapsın aynı kalır.</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standart</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Yüksek</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Orijinal</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>Anahtar kare bekleniyor</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>Orijinal: telefonun kendi videosu geldiği gibi, kendi boyutu ve kalitesiyle, bu bilgisayara neredeyse hiç yük olmadan; oynatıcılar onu burada ayarlandığı gibi döndürür, ayna, doldurma veya kamera boyutu olmadan. Telefonun bir sonraki anahtar karesinde başlar.</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - bir uygulama kullanıyor</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Duraklat</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Sürdür</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Vidlet’i göster</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Çıkış</translation>
    </message>
</context>
</TS>
