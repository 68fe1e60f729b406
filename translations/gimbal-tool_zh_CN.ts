<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>Gimbal Service Tool</source>
        <translation>云台维护工具</translation>
    </message>
    <message>
        <source>Gimbal service tool</source>
        <translation>云台维护工具</translation>
    </message>
    <message>
        <source>Main window contents</source>
        <translation>主窗口内容</translation>
    </message>
    <message>
        <source>Tool area</source>
        <translation>工具区</translation>
    </message>
    <message>
        <source>Serial port:</source>
        <translation>串口：</translation>
    </message>
    <message>
        <source>Pick a searched port or type a device path, for example /dev/ttyUSB0</source>
        <translation>选择已搜索到的串口，或输入设备路径，例如 /dev/ttyUSB0</translation>
    </message>
    <message>
        <source>Serial port path</source>
        <translation>串口路径</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>List the serial ports present</source>
        <translation>列出现有的串口</translation>
    </message>
    <message>
        <source>Search for serial ports</source>
        <translation>搜索串口</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Open port</source>
        <translation>打开串口</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Close port</source>
        <translation>关闭串口</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>Show the firmware upgrade page (Ctrl+1)</source>
        <translation>显示固件升级页面（Ctrl+1）</translation>
    </message>
    <message>
        <source>Show firmware upgrade</source>
        <translation>显示固件升级</translation>
    </message>
    <message>
        <source>Attitude Calibration</source>
        <translation>姿态校准</translation>
    </message>
    <message>
        <source>Show the attitude calibration page (Ctrl+2)</source>
        <translation>显示姿态校准页面（Ctrl+2）</translation>
    </message>
    <message>
        <source>Show attitude calibration</source>
        <translation>显示姿态校准</translation>
    </message>
    <message>
        <source>Joystick Calibration</source>
        <translation>摇杆校准</translation>
    </message>
    <message>
        <source>Show the joystick calibration page (Ctrl+3)</source>
        <translation>显示摇杆校准页面（Ctrl+3）</translation>
    </message>
    <message>
        <source>Show joystick calibration</source>
        <translation>显示摇杆校准</translation>
    </message>
    <message>
        <source>Function pages</source>
        <translation>功能页面</translation>
    </message>
    <message>
        <source>Firmware upgrade page</source>
        <translation>固件升级页面</translation>
    </message>
    <message>
        <source>Firmware file:</source>
        <translation>固件文件：</translation>
    </message>
    <message>
        <source>Firmware file path</source>
        <translation>固件文件路径</translation>
    </message>
    <message>
        <source>No file chosen</source>
        <translation>未选择文件</translation>
    </message>
    <message>
        <source>Open File…</source>
        <translation>打开文件…</translation>
    </message>
    <message>
        <source>Choose firmware file</source>
        <translation>选择固件文件</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Start firmware upgrade</source>
        <translation>开始固件升级</translation>
    </message>
    <message>
        <source>Upgrade progress</source>
        <translation>升级进度</translation>
    </message>
    <message>
        <source>Messages:</source>
        <translation>消息：</translation>
    </message>
    <message>
        <source>Message log</source>
        <translation>消息日志</translation>
    </message>
    <message>
        <source>Attitude calibration page</source>
        <translation>姿态校准页面</translation>
    </message>
    <message>
        <source>Init Gyro</source>
        <translation>初始化陀螺仪</translation>
    </message>
    <message>
        <source>Initialise gyroscope</source>
        <translation>初始化陀螺仪</translation>
    </message>
    <message>
        <source>Calibrate Acc</source>
        <translation>校准加速度计</translation>
    </message>
    <message>
        <source>Calibrate accelerometer</source>
        <translation>校准加速度计</translation>
    </message>
    <message>
        <source>Read Acc</source>
        <translation>读取加速度计</translation>
    </message>
    <message>
        <source>Read accelerometer</source>
        <translation>读取加速度计</translation>
    </message>
    <message>
        <source>Reset Parameters</source>
        <translation>重置参数</translation>
    </message>
    <message>
        <source>Reset parameters</source>
        <translation>重置参数</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>全部保存</translation>
    </message>
    <message>
        <source>Save all parameters</source>
        <translation>保存所有参数</translation>
    </message>
    <message>
        <source>Read Version</source>
        <translation>读取版本</translation>
    </message>
    <message>
        <source>Read hardware and firmware versions</source>
        <translation>读取硬件和固件版本</translation>
    </message>
    <message>
        <source>Message:</source>
        <translation>消息：</translation>
    </message>
    <message>
        <source>Attitude message</source>
        <translation>姿态校准消息</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Clear attitude message</source>
        <translation>清除姿态校准消息</translation>
    </message>
    <message>
        <source>Gyroscope</source>
        <translation>陀螺仪</translation>
    </message>
    <message>
        <source>Gyroscope values</source>
        <translation>陀螺仪数值</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X：</translation>
    </message>
    <message>
        <source>Gyroscope X</source>
        <translation>陀螺仪 X</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y：</translation>
    </message>
    <message>
        <source>Gyroscope Y</source>
        <translation>陀螺仪 Y</translation>
    </message>
    <message>
        <source>Z:</source>
        <translation>Z：</translation>
    </message>
    <message>
        <source>Gyroscope Z</source>
        <translation>陀螺仪 Z</translation>
    </message>
    <message>
        <source>Accelerometer</source>
        <translation>加速度计</translation>
    </message>
    <message>
        <source>Accelerometer values</source>
        <translation>加速度计数值</translation>
    </message>
    <message>
        <source>Accelerometer X</source>
        <translation>加速度计 X</translation>
    </message>
    <message>
        <source>Accelerometer Y</source>
        <translation>加速度计 Y</translation>
    </message>
    <message>
        <source>Accelerometer Z</source>
        <translation>加速度计 Z</translation>
    </message>
    <message>
        <source>Joystick calibration page</source>
        <translation>摇杆校准页面</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Capture joystick up</source>
        <translation>记录摇杆最上位置</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Capture joystick left</source>
        <translation>记录摇杆左位</translation>
    </message>
    <message>
        <source>Middle</source>
        <translation>中</translation>
    </message>
    <message>
        <source>Capture joystick middle</source>
        <translation>记录摇杆中位</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>Capture joystick right</source>
        <translation>记录摇杆右位</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下</translation>
    </message>
    <message>
        <source>Capture joystick down</source>
        <translation>记录摇杆最下位置</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save joystick calibration</source>
        <translation>保存摇杆校准</translation>
    </message>
    <message>
        <source>Help&lt;&lt;</source>
        <translation>帮助&lt;&lt;</translation>
    </message>
    <message>
        <source>Show or hide the joystick calibration help</source>
        <translation>显示或隐藏摇杆校准帮助</translation>
    </message>
    <message>
        <source>Joystick calibration help</source>
        <translation>摇杆校准帮助</translation>
    </message>
    <message>
        <source>Joystick message</source>
        <translation>摇杆校准消息</translation>
    </message>
    <message>
        <source>Clear joystick message</source>
        <translation>清除摇杆校准消息</translation>
    </message>
    <message>
        <source>Value 1:</source>
        <translation>数值 1：</translation>
    </message>
    <message>
        <source>Joystick value 1</source>
        <translation>摇杆数值 1</translation>
    </message>
    <message>
        <source>Value 2:</source>
        <translation>数值 2：</translation>
    </message>
    <message>
        <source>Joystick value 2</source>
        <translation>摇杆数值 2</translation>
    </message>
    <message>
        <source>Help panel separator</source>
        <translation>帮助面板分隔线</translation>
    </message>
    <message>
        <source>Joystick calibration help text</source>
        <translation>摇杆校准帮助文本</translation>
    </message>
    <message>
        <source>Main menu</source>
        <translation>主菜单</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>工具(&amp;T)</translation>
    </message>
    <message>
        <source>Tools menu</source>
        <translation>工具菜单</translation>
    </message>
    <message>
        <source>Save Log…</source>
        <translation>保存日志…</translation>
    </message>
    <message>
        <source>Save the message log as a UTF-8 text file</source>
        <translation>将消息日志保存为 UTF-8 文本文件</translation>
    </message>
    <message>
        <source>Copy Log</source>
        <translation>复制日志</translation>
    </message>
    <message>
        <source>Copy the whole message log to the clipboard</source>
        <translation>将全部消息日志复制到剪贴板</translation>
    </message>
    <message>
        <source>Send test pattern</source>
        <translation>发送测试数据</translation>
    </message>
    <message>
        <source>Write the fixed 255-byte line test pattern to the open port</source>
        <translation>向已打开的串口写入固定的 255 字节线路测试数据</translation>
    </message>
    <message>
        <source>Ctrl+1</source>
        <translation>Ctrl+1</translation>
    </message>
    <message>
        <source>Ctrl+2</source>
        <translation>Ctrl+2</translation>
    </message>
    <message>
        <source>Ctrl+3</source>
        <translation>Ctrl+3</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Releases from:</source>
        <translation>发布版本来源：</translation>
    </message>
    <message>
        <source>Release source address</source>
        <translation>发布版本来源地址</translation>
    </message>
    <message>
        <source>https://… or a folder</source>
        <translation>https://… 或文件夹</translation>
    </message>
    <message>
        <source>List Releases</source>
        <translation>列出发布版本</translation>
    </message>
    <message>
        <source>List firmware releases</source>
        <translation>列出固件发布版本</translation>
    </message>
    <message>
        <source>Fetch and verify the source&apos;s signed list of releases</source>
        <translation>获取并验证来源的已签名发布版本列表</translation>
    </message>
    <message>
        <source>Firmware releases</source>
        <translation>固件发布版本</translation>
    </message>
    <message>
        <source>Newest first; choose one, then Use Release</source>
        <translation>最新的在前；选择一个，然后点击“使用发布版本”</translation>
    </message>
    <message>
        <source>Use Release</source>
        <translation>使用发布版本</translation>
    </message>
    <message>
        <source>Load chosen release</source>
        <translation>加载所选发布版本</translation>
    </message>
    <message>
        <source>Fetch, verify and load the chosen release</source>
        <translation>获取、验证并加载所选发布版本</translation>
    </message>
</context>
<context>
    <name>UartToolCtrl</name>
    <message>
        <source>Calibration of the joystick

1.Power off the Gimbal, connect the gimbal to the computer via the USB cable, and then run the calibrate software. Open the correct serial port.

2.Release the joystick(the joystick is in the middle position),click the &quot;Middle&quot; button, two value are returned and both two value&apos;s range are from 1700 to 2300. 

3.Push the joystick to top and hold on, click the &quot;Up&quot; button, one value is returned and it&apos;s range is from 0 to 600.

4.Push the joystick to bottom and hold on, click the &quot;Down&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

5.Push the joystick to ultimate left and hold on, click the &quot;Left&quot; button, one value is returned and it&apos;s range is from 0 to 600.

6.Push the joystick to ultimate right and hold on, click the &quot;Right&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

7.Finally click the &quot;Save&quot; button, and the software display &quot;save successfully&quot; means the joystick calibration is completed.
</source>
        <translation>摇杆校准

1. 关闭云台电源，用 USB 线将云台连接到电脑，然后运行校准软件。打开正确的串口。

2. 松开摇杆（摇杆处于中间位置），点击“中”按钮，返回两个数值，两个数值的范围均为 1700 到 2300。

3. 将摇杆推到最上并保持，点击“上”按钮，返回一个数值，范围为 0 到 600。

4. 将摇杆推到最下并保持，点击“下”按钮，返回一个数值，范围为 3700 到 4100。

5. 将摇杆推到最左并保持，点击“左”按钮，返回一个数值，范围为 0 到 600。

6. 将摇杆推到最右并保持，点击“右”按钮，返回一个数值，范围为 3700 到 4100。

7. 最后点击“保存”按钮，软件显示“保存成功”即表示摇杆校准完成。
</translation>
    </message>
    <message>
        <source>Help&lt;&lt;</source>
        <translation>帮助&lt;&lt;</translation>
    </message>
    <message>
        <source>Help&gt;&gt;</source>
        <translation>帮助&gt;&gt;</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>保存日志</translation>
    </message>
    <message>
        <source>Log file chooser</source>
        <translation>日志文件选择器</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>The log was not saved: %1</source>
        <translation>日志未保存：%1</translation>
    </message>
    <message>
        <source>Open serial succeed</source>
        <translation>串口打开成功</translation>
    </message>
    <message>
        <source>Open serial fail</source>
        <translation>串口打开失败</translation>
    </message>
    <message>
        <source>%1 was unplugged</source>
        <translation>%1 已拔出</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>打开固件文件</translation>
    </message>
    <message>
        <source>Firmware file chooser</source>
        <translation>固件文件选择器</translation>
    </message>
    <message>
        <source>plov file</source>
        <translation>plov 文件</translation>
    </message>
    <message>
        <source>plov file (*.plov *.1plov *.2plov *.3plov)</source>
        <translation>plov 文件 (*.plov *.1plov *.2plov *.3plov)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Usage: gimbal-tool [--help] [--version]

Service tool for a camera gimbal: firmware upgrade of its boards, attitude
and joystick calibration, over a USB serial adapter. It opens a window and
needs a desktop session (or ssh -X); without one, the web page or gimbalctl
do the same work. gimbal-sim serves a simulated gimbal.

  -h, --help  show this help and exit
  --version   show the version and exit
</source>
        <translation>用法：gimbal-tool [--help] [--version]

相机云台维护工具：通过 USB 串口适配器升级云台各板卡的固件，
进行姿态校准和摇杆校准。它会打开一个窗口，需要桌面会话（或 ssh -X）；
没有桌面时，网页或 gimbalctl 可完成同样的工作。gimbal-sim 提供一个模拟云台。

  -h, --help  显示此帮助并退出
  --version   显示版本并退出
</translation>
    </message>
    <message>
        <source>%1: no display found. Start it from a desktop session or over `ssh -X`, or use the web page in Chrome or Edge (gimbalctl does the same work in a terminal).
</source>
        <translation>%1：未找到图形显示环境。请从桌面会话或通过 `ssh -X` 启动，或在 Chrome 或 Edge 中使用网页（gimbalctl 可在终端中完成同样的工作）。
</translation>
    </message>
</context>
<context>
    <name>screen</name>
    <message>
        <source>Gimbal station</source>
        <translation>云台工作站</translation>
    </message>
    <message>
        <source>Connecting to the station…</source>
        <translation>正在连接工作站…</translation>
    </message>
    <message>
        <source>Firmware and tally</source>
        <translation>固件与统计</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件</translation>
    </message>
    <message>
        <source>, version</source>
        <translation>，版本</translation>
    </message>
    <message>
        <source>, SHA-256</source>
        <translation>，SHA-256</translation>
    </message>
    <message>
        <source>Upgraded</source>
        <translation>已升级</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>已验证</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>已跳过</translation>
    </message>
    <message>
        <source>Records waiting</source>
        <translation>待发送记录</translation>
    </message>
    <message>
        <source>Slots</source>
        <translation>槽位</translation>
    </message>
    <message>
        <source>No unit plugged in yet.</source>
        <translation>尚未插入设备。</translation>
    </message>
    <message>
        <source>Last finished units</source>
        <translation>最近完成的设备</translation>
    </message>
    <message>
        <source>None yet.</source>
        <translation>暂无。</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>upgrading</source>
        <translation>升级中</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>已验证</translation>
    </message>
    <message>
        <source>upgraded</source>
        <translation>已升级</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>已跳过</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>已中断</translation>
    </message>
    <message>
        <source>refused file</source>
        <translation>文件被拒绝</translation>
    </message>
    <message>
        <source>bad input</source>
        <translation>输入错误</translation>
    </message>
    <message>
        <source>port failed</source>
        <translation>串口故障</translation>
    </message>
    <message>
        <source>gimbal failed</source>
        <translation>云台故障</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>lost upgrade</source>
        <translation>升级无结果</translation>
    </message>
    <message>
        <source>write failed</source>
        <translation>写入失败</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Station back</source>
        <translation>工作站已恢复</translation>
    </message>
    <message>
        <source>Station gone</source>
        <translation>工作站已断开</translation>
    </message>
    <message>
        <source>Station gone: no word from it since %1. This page reconnects by itself.</source>
        <translation>工作站已断开：自 %1 起无消息。本页面会自动重新连接。</translation>
    </message>
    <message>
        <source>Stopping: no new units; the upgrades in progress finish.</source>
        <translation>正在停止：不再接收新设备；进行中的升级将完成。</translation>
    </message>
    <message>
        <source>Station running</source>
        <translation>工作站运行中</translation>
    </message>
    <message>
        <source>upgrading %1</source>
        <translation>正在升级 %1</translation>
    </message>
    <message>
        <source>Slot %1: %2</source>
        <translation>槽位 %1：%2</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>Upgrading %1 %2%</source>
        <translation>正在升级 %1：%2%</translation>
    </message>
    <message>
        <source>Slot %1 progress</source>
        <translation>槽位 %1 进度</translation>
    </message>
    <message>
        <source>%1, status %2 (%3), %4</source>
        <translation>%1，状态 %2（%3），%4</translation>
    </message>
    <message>
        <source>started %1</source>
        <translation>%1开始</translation>
    </message>
    <message>
        <source>%1, status %2, %3</source>
        <translation>%1，状态 %2，%3</translation>
    </message>
    <message>
        <source>just now</source>
        <translation>刚刚</translation>
    </message>
    <message>
        <source>%1 s ago</source>
        <translation>%1 秒前</translation>
    </message>
    <message>
        <source>%1 min ago</source>
        <translation>%1 分钟前</translation>
    </message>
    <message>
        <source>%1 h %2 min ago</source>
        <translation>%1 小时 %2 分钟前</translation>
    </message>
    <message>
        <source>The gimbal was in its boot loader</source>
        <translation>云台曾处于引导加载程序中</translation>
    </message>
</context>
<context>
    <name>site</name>
    <message>
        <source>Gimbal Service Tool</source>
        <translation>云台维护工具</translation>
    </message>
    <message>
        <source>New version</source>
        <translation>新版本</translation>
    </message>
    <message>
        <source>A new version is ready</source>
        <translation>新版本已就绪</translation>
    </message>
    <message>
        <source>Reload into the new version</source>
        <translation>重新加载为新版本</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>重新加载</translation>
    </message>
    <message>
        <source>This page needs Web Serial: open it in Chrome or Edge (version 89 or later) on a desktop computer, over HTTPS. Firefox and Safari do not have it.</source>
        <translation>本页面需要 Web Serial：请在台式电脑上用 Chrome 或 Edge（89 或更高版本）通过 HTTPS 打开。Firefox 和 Safari 不支持。</translation>
    </message>
    <message>
        <source>Gimbal service tool</source>
        <translation>云台维护工具</translation>
    </message>
    <message>
        <source>Tool area</source>
        <translation>工具区</translation>
    </message>
    <message>
        <source>Serial port:</source>
        <translation>串口：</translation>
    </message>
    <message>
        <source>Serial port path</source>
        <translation>串口路径</translation>
    </message>
    <message>
        <source>Pick a port the browser granted, or choose a new one</source>
        <translation>选择浏览器已授权的串口，或选择新串口</translation>
    </message>
    <message>
        <source>Search for serial ports</source>
        <translation>搜索串口</translation>
    </message>
    <message>
        <source>Choose a serial port in the browser&apos;s list</source>
        <translation>在浏览器的列表中选择串口</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Open port</source>
        <translation>打开串口</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Close port</source>
        <translation>关闭串口</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Tools menu</source>
        <translation>工具菜单</translation>
    </message>
    <message>
        <source>Save the message log as a UTF-8 text file (Ctrl+S)</source>
        <translation>将消息日志保存为 UTF-8 文本文件（Ctrl+S）</translation>
    </message>
    <message>
        <source>Save Log…</source>
        <translation>保存日志…</translation>
    </message>
    <message>
        <source>Copy the whole message log to the clipboard</source>
        <translation>将全部消息日志复制到剪贴板</translation>
    </message>
    <message>
        <source>Copy Log</source>
        <translation>复制日志</translation>
    </message>
    <message>
        <source>Functions</source>
        <translation>功能</translation>
    </message>
    <message>
        <source>Show firmware upgrade</source>
        <translation>显示固件升级</translation>
    </message>
    <message>
        <source>Show the firmware upgrade page (Ctrl+1)</source>
        <translation>显示固件升级页面（Ctrl+1）</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>Show attitude calibration</source>
        <translation>显示姿态校准</translation>
    </message>
    <message>
        <source>Show the attitude calibration page (Ctrl+2)</source>
        <translation>显示姿态校准页面（Ctrl+2）</translation>
    </message>
    <message>
        <source>Attitude Calibration</source>
        <translation>姿态校准</translation>
    </message>
    <message>
        <source>Show joystick calibration</source>
        <translation>显示摇杆校准</translation>
    </message>
    <message>
        <source>Show the joystick calibration page (Ctrl+3)</source>
        <translation>显示摇杆校准页面（Ctrl+3）</translation>
    </message>
    <message>
        <source>Joystick Calibration</source>
        <translation>摇杆校准</translation>
    </message>
    <message>
        <source>Function pages</source>
        <translation>功能页面</translation>
    </message>
    <message>
        <source>Firmware upgrade page</source>
        <translation>固件升级页面</translation>
    </message>
    <message>
        <source>Firmware file:</source>
        <translation>固件文件：</translation>
    </message>
    <message>
        <source>Firmware file path</source>
        <translation>固件文件路径</translation>
    </message>
    <message>
        <source>No file chosen</source>
        <translation>未选择文件</translation>
    </message>
    <message>
        <source>Choose firmware file</source>
        <translation>选择固件文件</translation>
    </message>
    <message>
        <source>Open File…</source>
        <translation>打开文件…</translation>
    </message>
    <message>
        <source>Start firmware upgrade</source>
        <translation>开始固件升级</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Upgrade progress</source>
        <translation>升级进度</translation>
    </message>
    <message>
        <source>Messages:</source>
        <translation>消息：</translation>
    </message>
    <message>
        <source>Message log</source>
        <translation>消息日志</translation>
    </message>
    <message>
        <source>Attitude calibration page</source>
        <translation>姿态校准页面</translation>
    </message>
    <message>
        <source>Initialise gyroscope</source>
        <translation>初始化陀螺仪</translation>
    </message>
    <message>
        <source>Init Gyro</source>
        <translation>初始化陀螺仪</translation>
    </message>
    <message>
        <source>Calibrate accelerometer</source>
        <translation>校准加速度计</translation>
    </message>
    <message>
        <source>Calibrate Acc</source>
        <translation>校准加速度计</translation>
    </message>
    <message>
        <source>Read accelerometer</source>
        <translation>读取加速度计</translation>
    </message>
    <message>
        <source>Read Acc</source>
        <translation>读取加速度计</translation>
    </message>
    <message>
        <source>Reset parameters</source>
        <translation>重置参数</translation>
    </message>
    <message>
        <source>Reset Parameters</source>
        <translation>重置参数</translation>
    </message>
    <message>
        <source>Save all parameters</source>
        <translation>保存所有参数</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>全部保存</translation>
    </message>
    <message>
        <source>Read hardware and firmware versions</source>
        <translation>读取硬件和固件版本</translation>
    </message>
    <message>
        <source>Read Version</source>
        <translation>读取版本</translation>
    </message>
    <message>
        <source>Message:</source>
        <translation>消息：</translation>
    </message>
    <message>
        <source>Attitude message</source>
        <translation>姿态校准消息</translation>
    </message>
    <message>
        <source>Clear attitude message</source>
        <translation>清除姿态校准消息</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Gyroscope values</source>
        <translation>陀螺仪数值</translation>
    </message>
    <message>
        <source>Gyroscope</source>
        <translation>陀螺仪</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X：</translation>
    </message>
    <message>
        <source>Gyroscope X</source>
        <translation>陀螺仪 X</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y：</translation>
    </message>
    <message>
        <source>Gyroscope Y</source>
        <translation>陀螺仪 Y</translation>
    </message>
    <message>
        <source>Z:</source>
        <translation>Z：</translation>
    </message>
    <message>
        <source>Gyroscope Z</source>
        <translation>陀螺仪 Z</translation>
    </message>
    <message>
        <source>Accelerometer values</source>
        <translation>加速度计数值</translation>
    </message>
    <message>
        <source>Accelerometer</source>
        <translation>加速度计</translation>
    </message>
    <message>
        <source>Accelerometer X</source>
        <translation>加速度计 X</translation>
    </message>
    <message>
        <source>Accelerometer Y</source>
        <translation>加速度计 Y</translation>
    </message>
    <message>
        <source>Accelerometer Z</source>
        <translation>加速度计 Z</translation>
    </message>
    <message>
        <source>Joystick calibration page</source>
        <translation>摇杆校准页面</translation>
    </message>
    <message>
        <source>Capture joystick up</source>
        <translation>记录摇杆最上位置</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Capture joystick left</source>
        <translation>记录摇杆左位</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Capture joystick middle</source>
        <translation>记录摇杆中位</translation>
    </message>
    <message>
        <source>Middle</source>
        <translation>中</translation>
    </message>
    <message>
        <source>Capture joystick right</source>
        <translation>记录摇杆右位</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>Capture joystick down</source>
        <translation>记录摇杆最下位置</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下</translation>
    </message>
    <message>
        <source>Save joystick calibration</source>
        <translation>保存摇杆校准</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Joystick calibration help</source>
        <translation>摇杆校准帮助</translation>
    </message>
    <message>
        <source>Show or hide the joystick calibration help</source>
        <translation>显示或隐藏摇杆校准帮助</translation>
    </message>
    <message>
        <source>Help&gt;&gt;</source>
        <translation>帮助&gt;&gt;</translation>
    </message>
    <message>
        <source>Joystick message</source>
        <translation>摇杆校准消息</translation>
    </message>
    <message>
        <source>Clear joystick message</source>
        <translation>清除摇杆校准消息</translation>
    </message>
    <message>
        <source>Value 1:</source>
        <translation>数值 1：</translation>
    </message>
    <message>
        <source>Joystick value 1</source>
        <translation>摇杆数值 1</translation>
    </message>
    <message>
        <source>Value 2:</source>
        <translation>数值 2：</translation>
    </message>
    <message>
        <source>Joystick value 2</source>
        <translation>摇杆数值 2</translation>
    </message>
    <message>
        <source>Help panel separator</source>
        <translation>帮助面板分隔线</translation>
    </message>
    <message>
        <source>Joystick calibration help text</source>
        <translation>摇杆校准帮助文本</translation>
    </message>
    <message>
        <source>Calibration of the joystick

1.Power off the Gimbal, connect the gimbal to the computer via the USB cable, and then run the calibrate software. Open the correct serial port.

2.Release the joystick(the joystick is in the middle position),click the &quot;Middle&quot; button, two value are returned and both two value&apos;s range are from 1700 to 2300. 

3.Push the joystick to top and hold on, click the &quot;Up&quot; button, one value is returned and it&apos;s range is from 0 to 600.

4.Push the joystick to bottom and hold on, click the &quot;Down&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

5.Push the joystick to ultimate left and hold on, click the &quot;Left&quot; button, one value is returned and it&apos;s range is from 0 to 600.

6.Push the joystick to ultimate right and hold on, click the &quot;Right&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

7.Finally click the &quot;Save&quot; button, and the software display &quot;save successfully&quot; means the joystick calibration is completed.
</source>
        <translation>摇杆校准

1. 关闭云台电源，用 USB 线将云台连接到电脑，然后运行校准软件。打开正确的串口。

2. 松开摇杆（摇杆处于中间位置），点击“中”按钮，返回两个数值，两个数值的范围均为 1700 到 2300。

3. 将摇杆推到最上并保持，点击“上”按钮，返回一个数值，范围为 0 到 600。

4. 将摇杆推到最下并保持，点击“下”按钮，返回一个数值，范围为 3700 到 4100。

5. 将摇杆推到最左并保持，点击“左”按钮，返回一个数值，范围为 0 到 600。

6. 将摇杆推到最右并保持，点击“右”按钮，返回一个数值，范围为 3700 到 4100。

7. 最后点击“保存”按钮，软件显示“保存成功”即表示摇杆校准完成。
</translation>
    </message>
    <message>
        <source>This page must be served, not opened as a file: in its folder run</source>
        <translation>本页面必须通过服务器访问，不能作为文件打开：在其文件夹中运行</translation>
    </message>
    <message>
        <source>and open http://127.0.0.1:8080, or put the folder on any HTTPS web server.</source>
        <translation>然后打开 http://127.0.0.1:8080，或将该文件夹放到任意 HTTPS 网站服务器上。</translation>
    </message>
    <message>
        <source>Open serial succeed</source>
        <translation>串口打开成功</translation>
    </message>
    <message>
        <source>Open serial fail</source>
        <translation>串口打开失败</translation>
    </message>
    <message>
        <source>%1 was unplugged</source>
        <translation>%1 已拔出</translation>
    </message>
    <message>
        <source>Help&lt;&lt;</source>
        <translation>帮助&lt;&lt;</translation>
    </message>
    <message>
        <source>The page&apos;s worker could not start: upgrades may slow down while this tab is hidden.
</source>
        <translation>页面的工作线程无法启动：此标签页隐藏时升级可能会变慢。
</translation>
    </message>
    <message>
        <source>Choose a port…</source>
        <translation>选择串口…</translation>
    </message>
    <message>
        <source>No serial port was chosen: choose the gimbal&apos;s USB serial adapter in the browser&apos;s list, or plug it in, then press Open again.</source>
        <translation>未选择串口：请在浏览器的列表中选择云台的 USB 串口适配器，或将其插入，然后再次点击“打开”。</translation>
    </message>
    <message>
        <source>The port could not be opened: another program or browser tab is using it. Close that program or tab (or unplug and replug the adapter), then press Open again.</source>
        <translation>无法打开串口：另一个程序或浏览器标签页正在使用它。请关闭该程序或标签页（或拔出后重新插入适配器），然后再次点击“打开”。</translation>
    </message>
    <message>
        <source>The port is already open in this browser.</source>
        <translation>该串口已在此浏览器中打开。</translation>
    </message>
    <message>
        <source>The browser did not allow the port to be opened.</source>
        <translation>浏览器不允许打开该串口。</translation>
    </message>
    <message>
        <source>The port could not be opened: %1</source>
        <translation>无法打开串口：%1</translation>
    </message>
    <message>
        <source>Releases from:</source>
        <translation>发布版本来源：</translation>
    </message>
    <message>
        <source>Release source address</source>
        <translation>发布版本来源地址</translation>
    </message>
    <message>
        <source>releases/ beside this page</source>
        <translation>本页旁边的 releases/</translation>
    </message>
    <message>
        <source>List firmware releases</source>
        <translation>列出固件发布版本</translation>
    </message>
    <message>
        <source>Fetch and verify the source&apos;s signed list of releases</source>
        <translation>获取并验证来源的已签名发布版本列表</translation>
    </message>
    <message>
        <source>List Releases</source>
        <translation>列出发布版本</translation>
    </message>
    <message>
        <source>Firmware releases</source>
        <translation>固件发布版本</translation>
    </message>
    <message>
        <source>Newest first; choose one, then Use Release</source>
        <translation>最新的在前；选择一个，然后点击“使用发布版本”</translation>
    </message>
    <message>
        <source>Load chosen release</source>
        <translation>加载所选发布版本</translation>
    </message>
    <message>
        <source>Fetch, verify and load the chosen release</source>
        <translation>获取、验证并加载所选发布版本</translation>
    </message>
    <message>
        <source>Use Release</source>
        <translation>使用发布版本</translation>
    </message>
    <message>
        <source>The page&apos;s worker ended: the page now runs the line itself; open the port again.
</source>
        <translation>页面的工作线程已结束：页面现在自行处理线路；请重新打开串口。
</translation>
    </message>
    <message>
        <source>The page&apos;s worker ended mid-upgrade: the upgrade stopped; open the port and upgrade again.
</source>
        <translation>页面的工作线程在升级中途结束：升级已停止；请打开串口并重新升级。
</translation>
    </message>
    <message>
        <source>%1: redirected to another host (%2); refused</source>
        <translation>%1：被重定向到另一主机（%2）；已拒绝</translation>
    </message>
    <message>
        <source>%1: HTTP %2</source>
        <translation>%1：HTTP %2</translation>
    </message>
    <message>
        <source>%1: larger than %2 bytes; refused</source>
        <translation>%1：大于 %2 字节；已拒绝</translation>
    </message>
    <message>
        <source>%1 cannot be reached: %2</source>
        <translation>无法访问 %1：%2</translation>
    </message>
    <message>
        <source>no verified %1 from %2: list its releases first</source>
        <translation>没有来自 %2 的已验证 %1：请先列出其发布版本</translation>
    </message>
</context>
</TS>
