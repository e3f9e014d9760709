#pragma once
// The program's own texts: its message boxes, the file dialogs' filter and the notification
// area's tip and menu, in one place. The controls' texts are in the dialog templates
// (res/Vorna.rc); the entry checks' messages and the count captions are formatted in the core
// (knowledge/), which vendu shares. Message box texts are UTF-8; texts handed to the W APIs
// as they are, UTF-16.
namespace vorna::texts {

// The one filter of the file-open dialogs of Load... and of the add-entry dialog.
inline constexpr char kEntryFileFilter[] = "辅助文件(*.vendu)|*.vendu||";

// Load... and a file named at start-up or handed over: the file check.
inline constexpr char kFileMissing[] = "该文件不存在！";
inline constexpr char kFileCannotOpen[] = "该文件无法打开！";

// A global hotkey that another program (or another copy of this one) holds.
inline constexpr char kHotKeyShowConflict[] = "Ctrl+1热键冲突！";
inline constexpr char kHotKeyCloseConflict[] = "关闭程序热键冲突！";

// The options dialog. A hotkey it refuses, and files it could not write.
inline constexpr char kHotKeyNotUsable[] = "热键需要包含 Ctrl、Alt 或 Win（F1 到 F24 除外）！";
inline constexpr char kHotKeyUnnamed[] = "不支持这个键作为热键，请换一个键！";
inline constexpr char kHotKeysSame[] = "两个热键不能相同！";
inline constexpr char kOptionsNotSaved[] = "选项无法保存，请检查设置文件是否可以写入！";
inline constexpr char kRunEntryFailed[] = "无法设置登录 Windows 时启动！";
// Above the lines of Lirel.ini that were not understood; and for a file that could not be read.
inline constexpr wchar_t kIgnoredLines[] = L"设置文件中以下内容无效，已被忽略：";
inline constexpr wchar_t kOptionsUnreadable[] = L"设置文件无法读取，使用默认设置。";

// The notification-area icon: its tip (until a file is loaded; then it names the file, see
// ui/ShownEncoding.h) and its menu.
inline constexpr wchar_t kNotifyTip[] = L"Lirel";
inline constexpr wchar_t kMenuShow[] = L"显示";
inline constexpr wchar_t kMenuLoad[] = L"加载...";
inline constexpr wchar_t kMenuOptions[] = L"选项...";
inline constexpr wchar_t kMenuAbout[] = L"关于...";
inline constexpr wchar_t kMenuExit[] = L"退出";

// The last line of a question or answer box whose text is too long to show whole; %s is the
// number of bytes not shown.
inline constexpr char kNotShown[] = "（内容过长，以下还有%s字节未显示）";

// The add-entry dialog.
inline constexpr char kTargetCannotOpen[] = "该文件无法打开或写入！";
// A character the entry file's code page cannot hold would be saved as "?".
inline constexpr char kUnconvertible[] = "问题或回答中有无法保存的字符，请删除后重试！";
inline constexpr char kNoTarget[] = "保存路径有问题，请重新确认！";
// A failed append is undone, so the user may simply try again once there is room.
inline constexpr char kSaveFailed[] = "保存失败，文件未被修改，请检查磁盘空间后重试！";
// The undo itself failed: the user should know the file's end may need a look.
inline constexpr char kSaveFailedPartly[] =
    "保存失败，文件末尾可能留有不完整的内容，请检查该文件！";
// Another program wrote to the file beside the failed save, so nothing was cut back.
inline constexpr char kSaveFailedOtherWriter[] =
    "保存失败，文件同时被其他程序改动，请检查文件末尾的内容！";

} // namespace vorna::texts
