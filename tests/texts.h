// The texts that several test files meet: the program's own window titles and
// messages as the user reads them (half-width katakana, full-width punctuation),
// and what a Japanese user types (full-width digits from the input method).
#pragma once

namespace lorvane::texts {

// Window titles.
inline constexpr wchar_t kScheduleTitle[] = L"Lorvane - 日付の設定";
inline constexpr wchar_t kFolderPickerTitle[] = L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの指定";

// Messages.
inline constexpr wchar_t kNoBackupFolder[] = L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽが設定されていません。";
inline constexpr wchar_t kTimeInvalid[] = L"時刻の指定に誤りがあります。";
inline constexpr wchar_t kTimePassed[] = L"指定された日時は既に経過しています。";
inline constexpr wchar_t kApplyQuestion[] = L"設定情報をシステムに反映します。よろしいですか？";
inline constexpr wchar_t kApplyDone[] = L"設定情報をシステムに反映しました。";
inline constexpr wchar_t kUnappliedQuestion[] =
    L"設定情報がｼｽﾃﾑに反映されていません。\r\n反映せずに終了してもよろしいですか？";

// What the user types.
inline constexpr wchar_t kWeeklyGuide[] = L"週次 100%";  // kanji, a blank and a percent sign
inline constexpr wchar_t kFullWidthSeven[] = L"０７";    // as the input method types 07

}  // namespace lorvane::texts
