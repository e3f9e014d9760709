#!/usr/bin/env python3
"""Writes examples/super.vendu: a small knowledge base for a help desk, in code page 936.

Each entry is appended exactly as the Add dialog appends one to an empty file:
CR LF, the question marker, CR LF, the question, CR LF, the answer marker, CR LF, the answer.
Line breaks inside a text are CR LF, as a multi-line edit box gives them.
"""
import os
import sys

ENTRIES = [
    ("如何复制、剪切和粘贴？",
     "选中内容后按 Ctrl+C 复制，Ctrl+X 剪切，再按 Ctrl+V 粘贴。"),
    ("撤销上一步操作的快捷键是什么？",
     "Ctrl+Z 撤销，Ctrl+Y 恢复（重做）。"),
    ("如何在打开的窗口之间快速切换？",
     "按住 Alt 再按 Tab 选择窗口；Win+Tab 打开任务视图。"),
    ("离开座位时如何快速锁定电脑？",
     "按 Win+L 立即锁定屏幕。离开座位前请务必锁屏。"),
    ("如何截图？",
     "Win+Shift+S：截取屏幕的一部分到剪贴板；\nPrtScn：截取整个屏幕；\nAlt+PrtScn：只截取当前窗口。"),
    ("如何打开任务管理器？",
     "按 Ctrl+Shift+Esc，或按 Ctrl+Alt+Del 后选择“任务管理器”。在“进程”页可以结束无响应的程序。"),
    ("如何打开“运行”对话框？有哪些常用命令？",
     "按 Win+R，输入命令后按 Enter。常用命令：\ncmd（命令提示符）\nnotepad（记事本）\ncalc（计算器）\ncontrol（控制面板）"),
    ("如何查看本机 IP 地址？",
     "在命令提示符中输入 ipconfig；需要查看 MAC 地址和 DNS 服务器时输入 ipconfig /all。"),
    ("如何检查网络是否连通？",
     "在命令提示符中输入 ping 加地址，例如 ping 192.168.1.1。显示“请求超时”表示网络不通。"),
    ("网页打不开，但其他联网软件正常，怎么办？",
     "多半是 DNS 缓存的问题。在命令提示符中运行 ipconfig /flushdns，然后重新打开浏览器再试。"),
    ("如何查看计算机名和当前用户名？",
     "在命令提示符中输入 hostname 查看计算机名，输入 whoami 查看当前登录的用户名。"),
    ("如何强制刷新网页？",
     "按 Ctrl+F5 跳过缓存重新加载页面；普通刷新按 F5。"),
    ("如何在网页或文档中查找文字？",
     "按 Ctrl+F，输入要查找的内容后按 Enter 跳到下一处。"),
    ("如何快速显示桌面或打开文件资源管理器？",
     "Win+D 显示桌面，再按一次恢复窗口；Win+E 打开文件资源管理器。"),
    ("如何重命名文件？",
     "选中文件后按 F2，输入新名称后按 Enter。不要改动扩展名（如 .docx、.xlsx），否则文件可能打不开。"),
    ("文件被占用无法删除怎么办？",
     "先关闭正在使用该文件的程序；仍无法删除时，在任务管理器中结束相关进程，或重启电脑后再删除。"),
    ("如何删除文件而不放入回收站？",
     "选中文件后按 Shift+Delete。这样删除的文件无法从回收站恢复，请谨慎使用。"),
    ("打印机无法打印怎么办？",
     "1. 检查打印机电源、纸张和数据线；\n2. 在“设备和打印机”中确认默认打印机是否正确；\n3. 打开打印队列，取消卡住的任务；\n4. 仍不行时重启打印机和电脑。"),
    ("如何清除浏览器缓存？",
     "在浏览器中按 Ctrl+Shift+Delete，选择“缓存的图片和文件”，时间范围选“全部”，然后清除数据。"),
    ("电脑运行很慢怎么办？",
     "先保存工作并重启电脑；用任务管理器查看占用 CPU 或内存最多的程序；清理桌面和下载文件夹中的大文件，磁盘剩余空间最好保持在 10% 以上。"),
    ("怎样的密码才算安全？",
     "至少 12 位，同时包含大写字母、小写字母、数字和符号；不要使用生日、电话号码等个人信息；不同系统使用不同的密码。"),
    ("收到可疑邮件怎么办？",
     "不要点击其中的链接，不要打开附件，也不要回复或提供账号和密码。请转发给信息安全部门后删除。"),
    ("如何把文件压缩成 ZIP？",
     "在文件上点右键，选择“发送到”→“压缩(zipped)文件夹”。"),
    ("电子表格中如何在单元格内换行？",
     "编辑单元格时按 Alt+Enter。"),
    ("如何切换中英文输入法？",
     "Ctrl+空格 在中文和英文输入之间切换，Ctrl+Shift 在已安装的输入法之间轮换；中文输入状态下按 Shift 可以临时输入英文。"),
    ("如何查看 Windows 的版本？",
     "按 Win+R，输入 winver 后按 Enter，即可看到版本号和内部版本号。"),
    ("北京时间和协调世界时（UTC）相差多少？",
     "北京时间 = UTC + 8 小时，中国不实行夏令时。"),
    ("常用的紧急电话号码有哪些？",
     "110 报警，119 火警，120 急救，122 交通事故。"),
]

QUESTION_MARKER = b"(%Q%)"
ANSWER_MARKER = b"(%A%)"


def record(question: bytes, answer: bytes) -> bytes:
    return b"\r\n" + QUESTION_MARKER + b"\r\n" + question + b"\r\n" + ANSWER_MARKER + b"\r\n" + answer


def encode(text: str) -> bytes:
    data = text.replace("\n", "\r\n").encode("gbk")
    if not data or QUESTION_MARKER in data or ANSWER_MARKER in data:
        sys.exit("entry refused by the writer's check: " + text)
    return data


def main() -> None:
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(root, "examples", "super.vendu")
    data = b"".join(record(encode(q), encode(a)) for q, a in ENTRIES)
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: {len(ENTRIES)} entries, {len(data)} bytes")


if __name__ == "__main__":
    main()
