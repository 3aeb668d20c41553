#pragma once
// The record-folder check the game client makes once its main window is up:
// the folder named by LOG/PATH must exist; when nothing of that name exists
// the user is asked before the default folder is made, and the resolved path
// is stored. Questions and errors go through the dialog service.
#include "platform/Settings.h"
#include "platform/WindowHandle.h"

namespace balvek::platform {

inline constexpr const char* kRecordFolderQuestion =
    "牌譜保存フォルダが存在しません。\r\n次の標準フォルダを作成してもよろしいですか？\r\n\r\n";
inline constexpr const char* kRecordFolderCaption = "牌譜保存フォルダ";
inline constexpr const char* kRecordFolderFailed =
    "牌譜保存フォルダを作成できませんでした\r\n\r\n牌譜の保存は行なわれません";

// True when the record folder is usable afterwards.
bool CheckRecordFolder(WindowHandle owner, const SettingsFile& settings = Settings());

}  // namespace balvek::platform
