<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>切り取り</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼り付け</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>すべて選択</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>スマホを PC 用ウェブカメラに</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>スマホを追加</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>別のスマホの Vidlet アプリでこのコードをスキャンしてください。</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>スキャンできない？</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>カメラ</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>登録済み</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>未登録</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>登録解除</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>登録</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>登録すると、Zoom、Teams、ブラウザーなどのアプリで Vidlet カメラを使えます。管理者権限が必要です。</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>録画</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>変更</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>録画ボタンで .mp4 ファイルを保存する場所です。</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>ペアリング</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>コード</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>再生成</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>再生成すると、現在の QR コードでは新しいスマホをペアリングできなくなります。</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>外観</translation>
    </message>
    <message>
        <source>System</source>
        <translation>システム</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>ライト</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>ダーク</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>ウィンドウ</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>閉じるとトレイに格納</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>ウィンドウを閉じても、Vidlet は通知領域で動作し続けます。</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>ビデオ</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>低遅延</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>Wi-Fi の映像を少ない遅延で表示します。混雑したネットワークでは、動きが滑らかでなくなることがあります。</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>カメラ出力を一時停止中</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>アプリには静止画が送られます。配信を再開するには「再開」をクリックしてください。</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>使用中</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>システムの既定</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>録画の保存先フォルダーを選択</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>ペアリング待ち</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>スマホを接続</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>Vidlet アプリでこのコードをスキャンしてください。スマホはこの PC と同じ Wi-Fi に接続してください。</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows が Vidlet の通信をブロックしています</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>許可するまで、スマホからこの PC に接続できません。管理者権限が必要です。</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>許可</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>この PC: %1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>アプリを入手</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>録画</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>General</source>
        <translation>一般</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>カメラ</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>About</source>
        <translation>情報</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>接続</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>この PC</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>ポート</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>準備完了</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>iTunes または Apple デバイス アプリが必要です</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>診断</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>パフォーマンス</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 が利用可能です。</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>ダウンロード</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>ファイアウォールが Vidlet の通信をブロックしています</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>利用できません：このデスクトップには通知領域がないため、ウィンドウを閉じると Vidlet が終了します。</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>USB ケーブルで接続される iPhone を待っています</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>usbmuxd がインストールされていません</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>この PC にはネットワーク アドレスがありません</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>Wi-Fi をオンにするか LAN ケーブルをつないで、スマートフォンと同じネットワークに接続してください。仮想アダプター (VPN、WSL、VirtualBox) は使われません。</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>スマートフォンはポート %1 に接続します。USB ケーブルでつないだスマートフォンはコードなしでペアリングできます。</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>%1 に録画中</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>録画を保存しました: %1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>録画を停止しました: ディスクがいっぱいか書き込めません。保存済み: %1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>録画を停止しました: ファイルまたはフォルダーが削除されました</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>録画を停止しました: スマートフォンの映像のサイズが変わりました。保存済み: %1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>%1 に録画中。ディスクが追いつきません: %2 フレームを省略</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>録画を開始できませんでした: %1 に書き込めません</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 が古いペアリング コードで接続しようとしました。コードをもう一度スキャンしてください。</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>スマートフォンが古いペアリング コードで接続しようとしました。コードをもう一度スキャンしてください。</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>スマートフォンを待っています</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>お使いのスマートフォンで Vidlet アプリを開くか、新しいスマートフォンをペアリングしてください。</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>ペアリング コードを表示</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>接続中のスマートフォンはありません</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>オフライン</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>標準: 1 分あたり約 22 MB。高画質: 約 45 MB、編集向け。</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>PipeWire で共有中</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>V4L2 デバイス登録済み</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>V4L2 デバイスなし</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>終了した Vidlet が %1 に録画をまだ保存しています</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>このスマートフォンを削除</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>PipeWire またはカメラポータルを使うプログラムは、登録しなくても「Vidlet Camera」を見つけます。ブラウザーには設定が必要です：Chromium はフラグ「PipeWire Camera support」、Firefox は media.webrtc.camera.allow-pipewire。</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>その他のプログラムや、この設定のないブラウザーは、登録後にカメラを見つけます。デバイスはこのコンピューターのもので、画面の前にいる人なら誰でも読めます。管理者権限が必要です。</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>使用しません: Apple の USB サービスの代わりに別のプログラムが応答しています</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>Windows のカメラ アプリなど、Media Foundation だけを使うプログラムには表示されません。</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>ポート %1 は別のプログラムが使用していたため、Vidlet は %2 で待ち受けます。ペアリング済みの電話はコードをもう一度スキャンしてください。</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>このPCではまだどのプログラムもPipeWire経由でカメラを読み取っていません。お使いのプログラムに「Vidlet Camera」が表示されない場合は、登録してください。</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>録画の仕上げ中にディスクがいっぱいになりました。録画はそのまま保存され、再生できます。保存先: %1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>別のプログラムがカメラの共有メモリを切り詰めました。Vidlet は作り直しました。それ以降映像が出ないプログラムは、カメラを開き直す必要があるかもしれません。</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>左右反転</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>鏡のように電話の映像を左右反転します。カメラ、プレビュー、録画のすべてに適用されます。</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>映像</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>横向きで届くスマートフォンの映像を時計回りに回転します。</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>全体を表示</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>全面に表示</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>映像の形がカメラと異なるとき：黒い帯の間に映像全体を表示するか、端を切り取ってカメラ全体を埋めます。</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>カメラのサイズ。自動ではスマートフォンが送るサイズ（回転を含む）になります。固定サイズはスマートフォンが何をしても変わりません。</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>標準</translation>
    </message>
    <message>
        <source>High</source>
        <translation>高画質</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>オリジナル</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>キーフレームを待っています</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>オリジナル：スマートフォンの映像を届いたまま、そのサイズと画質で保存し、このコンピューターにはほとんど負担がかかりません。再生ソフトはここでの回転設定どおりに回転します（ミラー、塗りつぶし、カメラのサイズは適用されません）。スマートフォンの次のキーフレームから始まります。</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - アプリが使用中</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>再開</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>Vidlet を表示</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
</context>
</TS>
