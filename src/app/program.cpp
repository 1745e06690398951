#include "app/program.h"

#include "platform/platform_system_access.h"
#include "resource_ids.h"
#include "version.h"

namespace lorvane {

tk::ProgramInfo programInfo() {
    tk::ProgramInfo info;
    info.title = L"Lorvane";
    info.version = {LORVANE_WIDE(LORVANE_COMPANY_NAME), LORVANE_WIDE(LORVANE_PRODUCT_NAME),
                    LORVANE_VERSION_MAJOR, LORVANE_VERSION_MINOR, LORVANE_VERSION_REVISION};
    info.instanceName = L"Lorvane.Instance.5c1e7a52";
    info.iconResource = IDI_LOGO;
    tk::Texts& t = info.texts;
    t.unexpectedFailure = L"予期しないｴﾗｰが発生しました。";
    t.dialogFailure = L"[%1] ﾀﾞｲｱﾛｸﾞ ﾎﾞｯｸｽで予期しないｴﾗｰが発生しました。";
    t.findDialogFailure = L"[検索] ﾀﾞｲｱﾛｸﾞ ﾎﾞｯｸｽを開けません。";
    t.windowClassFailure = L"ｳｨﾝﾄﾞｳ ｸﾗｽを登録できません。";
    t.windowFailure = L"ｳｨﾝﾄﾞｳを作成できません。";
    t.controlFailure = L"ｺﾝﾄﾛｰﾙを作成できません。";
    t.menuFailure = L"ﾒﾆｭｰを作成できません。";
    t.systemError = L"ｼｽﾃﾑｴﾗｰが発生しました。(ｴﾗｰ番号 %1)";
    t.selectionTooLarge = L"選択範囲が大きすぎるため、ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできません。";
    t.searching = L"%1 - 検索中 %2%（Esc キーで中止）";
    t.richEditUnavailable = L"RTF を表示するﾘｯﾁ ｴﾃﾞｨｯﾄ ｺﾝﾄﾛｰﾙ (msftedit.dll) を使用できません。";
    t.richEditCannotLoad = L"ﾘｯﾁ ｴﾃﾞｨｯﾄ ｺﾝﾄﾛｰﾙが RTF を読み込めませんでした。(ｴﾗｰ番号 %1)";
    t.rtfTooLarge = L"RTF ﾌｧｲﾙが大きすぎるため表示できません。表示できる RTF ﾌｧｲﾙは %1 MB までです。";
    t.indexing = L"%1 - 読み込み中 %2%";
    t.fileLost = L"ﾌｧｲﾙを読み込めませんでした。\r\n\r\n%1\r\n\r\n%2";
    return info;
}

std::wstring ProgramHost::windowsDirectory() {
    return platformWindowsDirectory();
}

std::wstring ProgramHost::systemDirectory() {
    return platformSystemDirectory();
}

DateTime ProgramHost::now() {
    return platformNow();
}

int ProgramHost::messageBox(const std::wstring& text, int style) {
    return tk::messageBox(text, style);
}

}  // namespace lorvane
