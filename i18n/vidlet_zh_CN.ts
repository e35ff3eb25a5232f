<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>EditMenu</name>
    <message>
        <source>Cut</source>
        <translation>剪切</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>粘贴</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>全选</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Turn your phone into a PC webcam</source>
        <translation>让手机变身电脑摄像头</translation>
    </message>
    <message>
        <source>Add a phone</source>
        <translation>添加手机</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app on another phone.</source>
        <translation>用另一部手机上的 Vidlet 应用扫描此二维码。</translation>
    </message>
    <message>
        <source>Can&apos;t scan?</source>
        <translation>无法扫描？</translation>
    </message>
    <message>
        <source>CAMERA</source>
        <translation>摄像头</translation>
    </message>
    <message>
        <source>Registered</source>
        <translation>已注册</translation>
    </message>
    <message>
        <source>Not registered</source>
        <translation>未注册</translation>
    </message>
    <message>
        <source>Unregister</source>
        <translation>取消注册</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>注册</translation>
    </message>
    <message>
        <source>Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.</source>
        <translation>注册后，Zoom、Teams 和浏览器等应用即可使用 Vidlet 摄像头。需要管理员权限。</translation>
    </message>
    <message>
        <source>RECORDINGS</source>
        <translation>录制</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>更改</translation>
    </message>
    <message>
        <source>Where the Record button saves .mp4 files.</source>
        <translation>“录制”按钮保存 .mp4 文件的位置。</translation>
    </message>
    <message>
        <source>PAIRING</source>
        <translation>配对</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>配对码</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>重新生成</translation>
    </message>
    <message>
        <source>Regenerating makes the current QR stop working for new phones.</source>
        <translation>重新生成后，当前二维码将无法再用于配对新手机。</translation>
    </message>
    <message>
        <source>APPEARANCE</source>
        <translation>外观</translation>
    </message>
    <message>
        <source>System</source>
        <translation>跟随系统</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>浅色</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>深色</translation>
    </message>
    <message>
        <source>LANGUAGE</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>WINDOW</source>
        <translation>窗口</translation>
    </message>
    <message>
        <source>Close to tray</source>
        <translation>关闭时最小化到托盘</translation>
    </message>
    <message>
        <source>Keep Vidlet running in the notification area when you close the window.</source>
        <translation>关闭窗口后，Vidlet 将继续在通知区域运行。</translation>
    </message>
    <message>
        <source>VIDEO</source>
        <translation>视频</translation>
    </message>
    <message>
        <source>Low latency</source>
        <translation>低延迟</translation>
    </message>
    <message>
        <source>Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.</source>
        <translation>以更低的延迟显示 Wi-Fi 视频。网络繁忙时，画面可能不够流畅。</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Camera output paused</source>
        <translation>摄像头输出已暂停</translation>
    </message>
    <message>
        <source>Apps receive a frozen frame. Click Resume camera to broadcast again.</source>
        <translation>应用将收到静止画面。点击“继续”以恢复推流。</translation>
    </message>
    <message>
        <source>In use</source>
        <translation>使用中</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>系统默认</translation>
    </message>
    <message>
        <source>Choose recordings folder</source>
        <translation>选择录制文件夹</translation>
    </message>
    <message>
        <source>Ready to pair</source>
        <translation>等待配对</translation>
    </message>
    <message>
        <source>Connect your phone</source>
        <translation>连接手机</translation>
    </message>
    <message>
        <source>Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.</source>
        <translation>使用 Vidlet 应用扫描此二维码。请确保手机与此电脑连接同一 Wi-Fi。</translation>
    </message>
    <message>
        <source>Windows is blocking Vidlet on this network</source>
        <translation>Windows 正在此网络上阻止 Vidlet</translation>
    </message>
    <message>
        <source>Your phone cannot reach this PC until you allow it. Asks for admin.</source>
        <translation>在你允许之前，手机无法连接到此电脑。需要管理员权限。</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>允许</translation>
    </message>
    <message>
        <source>This PC: %1</source>
        <translation>此电脑：%1</translation>
    </message>
    <message>
        <source>Get the app</source>
        <translation>获取应用</translation>
    </message>
    <message>
        <source>Add phone</source>
        <translation>添加手机</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>录制</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>General</source>
        <translation>常规</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>摄像头</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>CONNECTION</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>此电脑</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>Needs iTunes or the Apple Devices app</source>
        <translation>需要 iTunes 或“Apple 设备”应用</translation>
    </message>
    <message>
        <source>DIAGNOSTICS</source>
        <translation>诊断</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>性能</translation>
    </message>
    <message>
        <source>Vidlet %1 is available.</source>
        <translation>Vidlet %1 现已推出。</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>The firewall is blocking Vidlet on this network</source>
        <translation>防火墙正在此网络上阻止 Vidlet</translation>
    </message>
    <message>
        <source>Unavailable: this desktop has no notification area, so closing the window quits Vidlet.</source>
        <translation>不可用：此桌面没有通知区域，因此关闭窗口将退出 Vidlet。</translation>
    </message>
    <message>
        <source>Waiting for an iPhone on the USB cable</source>
        <translation>正在等待通过 USB 线连接的 iPhone</translation>
    </message>
    <message>
        <source>usbmuxd is not installed</source>
        <translation>未安装 usbmuxd</translation>
    </message>
    <message>
        <source>This PC has no network address</source>
        <translation>此电脑没有网络地址</translation>
    </message>
    <message>
        <source>Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.</source>
        <translation>请打开 Wi-Fi 或插入网线，并与手机连接到同一网络。虚拟网卡（VPN、WSL、VirtualBox）不算在内。</translation>
    </message>
    <message>
        <source>Phones connect on port %1. A phone on a USB cable pairs without the code.</source>
        <translation>手机通过端口 %1 连接。用 USB 线连接的手机无需扫码即可配对。</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>正在录制到 %1</translation>
    </message>
    <message>
        <source>Recording saved: %1</source>
        <translation>录像已保存：%1</translation>
    </message>
    <message>
        <source>Recording stopped: the disk is full or cannot be written. Saved: %1</source>
        <translation>录像已停止：磁盘已满或无法写入。已保存：%1</translation>
    </message>
    <message>
        <source>Recording stopped: its file or folder was deleted</source>
        <translation>录像已停止：其文件或文件夹已被删除</translation>
    </message>
    <message>
        <source>Recording stopped: the phone&apos;s picture changed size. Saved: %1</source>
        <translation>录像已停止：手机画面的尺寸发生了变化。已保存：%1</translation>
    </message>
    <message>
        <source>Recording to %1. The disk cannot keep up: %2 frames left out</source>
        <translation>正在录制到 %1。磁盘跟不上：已跳过 %2 帧</translation>
    </message>
    <message>
        <source>Recording could not start: %1 cannot be written</source>
        <translation>无法开始录制：无法写入 %1</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>显示</translation>
    </message>
    <message>
        <source>%1 tried to connect with an old pairing code: scan the code again.</source>
        <translation>%1 尝试使用旧的配对码连接：请重新扫描二维码。</translation>
    </message>
    <message>
        <source>A phone tried to connect with an old pairing code: scan the code again.</source>
        <translation>有手机尝试使用旧的配对码连接：请重新扫描二维码。</translation>
    </message>
    <message>
        <source>Waiting for your phone</source>
        <translation>正在等待您的手机</translation>
    </message>
    <message>
        <source>Open the Vidlet app on one of your phones, or pair a new one.</source>
        <translation>在您的一部手机上打开 Vidlet 应用，或配对一部新手机。</translation>
    </message>
    <message>
        <source>Show pairing code</source>
        <translation>显示配对码</translation>
    </message>
    <message>
        <source>No phone connected</source>
        <translation>未连接手机</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>Standard: about 22 MB per minute. High: about 45 MB, for editing.</source>
        <translation>标准：每分钟约 22 MB。高：约 45 MB，适合剪辑。</translation>
    </message>
    <message>
        <source>Shared through PipeWire</source>
        <translation>已通过 PipeWire 共享</translation>
    </message>
    <message>
        <source>V4L2 device registered</source>
        <translation>V4L2 设备已注册</translation>
    </message>
    <message>
        <source>No V4L2 device</source>
        <translation>无 V4L2 设备</translation>
    </message>
    <message>
        <source>The Vidlet that quit is still saving its recordings in %1</source>
        <translation>已退出的 Vidlet 仍在将录像保存到 %1</translation>
    </message>
    <message>
        <source>Forget this phone</source>
        <translation>忘记此手机</translation>
    </message>
    <message>
        <source>Programs that use PipeWire or the Camera portal find &quot;Vidlet Camera&quot; without registering it. Browsers need a switch for it: Chromium the flag &quot;PipeWire Camera support&quot;, Firefox media.webrtc.camera.allow-pipewire.</source>
        <translation>使用 PipeWire 或相机门户的程序无需注册即可找到“Vidlet Camera”。浏览器需要打开一个开关：Chromium 的标志“PipeWire Camera support”，Firefox 的 media.webrtc.camera.allow-pipewire。</translation>
    </message>
    <message>
        <source>Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer&apos;s: whoever is at its screen can read it. Asks for admin.</source>
        <translation>其他程序以及未打开该开关的浏览器，在注册后才能找到相机。该设备属于这台电脑：坐在屏幕前的任何人都能读取它。需要管理员权限。</translation>
    </message>
    <message>
        <source>Not used: another program answers in place of Apple&apos;s USB service</source>
        <translation>未使用：另一个程序代替 Apple 的 USB 服务作出响应</translation>
    </message>
    <message>
        <source>The Windows Camera app and other programs that use only Media Foundation do not list it.</source>
        <translation>Windows 相机应用和其他只使用 Media Foundation 的程序不会列出它。</translation>
    </message>
    <message>
        <source>Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.</source>
        <translation>端口 %1 已被其他程序占用，因此 Vidlet 在 %2 上监听：之前配对的手机需要重新扫描二维码。</translation>
    </message>
    <message>
        <source>No program has read the camera through PipeWire here yet. If yours does not list &quot;Vidlet Camera&quot;, register it.</source>
        <translation>此电脑上尚无程序通过 PipeWire 读取过摄像头。如果您的程序未列出&quot;Vidlet Camera&quot;，请注册它。</translation>
    </message>
    <message>
        <source>The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1</source>
        <translation>完成录制时磁盘已满：录像按录制原样保留，可以播放。已保存：%1</translation>
    </message>
    <message>
        <source>Another program cut the camera&apos;s shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.</source>
        <translation>另一个程序截短了摄像头的共享内存。Vidlet 已重新创建它；此后不再显示画面的程序可能需要重新打开摄像头。</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>镜像</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture left for right, as a mirror does, for the camera, the preview and recordings.</source>
        <translation>像镜子一样将手机画面左右翻转，适用于摄像头、预览和录制。</translation>
    </message>
    <message>
        <source>PICTURE</source>
        <translation>画面</translation>
    </message>
    <message>
        <source>Turns the phone&apos;s picture clockwise, for a phone whose picture arrives on its side.</source>
        <translation>将手机画面顺时针旋转，用于画面侧着传来的手机。</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>完整画面</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>填满</translation>
    </message>
    <message>
        <source>When the picture&apos;s shape differs from the camera&apos;s: the whole picture between black bars, or filling the camera with its edges cut off.</source>
        <translation>当画面形状与摄像头不同时：在黑边之间显示完整画面，或裁掉边缘以填满摄像头。</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>The camera&apos;s size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.</source>
        <translation>摄像头的尺寸。自动会采用手机发送的尺寸（随旋转而变）；固定尺寸无论手机如何都保持不变。</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>标准</translation>
    </message>
    <message>
        <source>High</source>
        <translation>高</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>原始</translation>
    </message>
    <message>
        <source>Waiting for a key frame</source>
        <translation>正在等待关键帧</translation>
    </message>
    <message>
        <source>Original: the phone&apos;s own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera&apos;s size. It starts at the phone&apos;s next key frame.</source>
        <translation>原始：按手机发来的原样保存视频，保持其尺寸和画质，几乎不占用这台电脑；播放器会按此处的设置旋转，但不含镜像、填满或摄像头尺寸。从手机的下一个关键帧开始。</translation>
    </message>
</context>
<context>
    <name>tray</name>
    <message>
        <source>Vidlet - in use by an app</source>
        <translation>Vidlet - 正被应用使用</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Show Vidlet</source>
        <translation>显示 Vidlet</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
</context>
</TS>
