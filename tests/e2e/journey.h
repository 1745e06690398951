// The steps of a user's journey through Lorvane's windows, and the files of
// the Wine prefix that the journeys arrange beforehand, check afterwards and
// put back as they were.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "texts.h"

namespace e2e {

using namespace std::chrono_literals;

inline const WindowQuery kMenu{L"TkForm", L"Lorvane"};
inline const WindowQuery kBackupSettings{L"TkForm", L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ情報の設定"};
inline const WindowQuery kFolderPicker{L"TkForm", lorvane::texts::kFolderPickerTitle};
inline const WindowQuery kSchedule{L"TkForm", lorvane::texts::kScheduleTitle};
inline const WindowQuery kLogViewer{L"TkForm", L"Lorvane - ﾛｸﾞﾌｧｲﾙの確認"};

inline constexpr wchar_t kBackupSettingsButton[] = L"バックアップ情報の設定";
inline constexpr wchar_t kScheduleButton[] = L"日付の設定";
inline constexpr wchar_t kApplyButton[] = L"設定をシステムに反映";
inline constexpr wchar_t kLogViewerButton[] = L"ログファイルの確認";

using lorvane::texts::kApplyDone;
using lorvane::texts::kApplyQuestion;
inline constexpr wchar_t kNotWritable[] = L"ファイルが書き込み不可です。";

inline constexpr milliseconds kStartTimeout = 30s;  // a Wine session that has just started is slow
inline constexpr milliseconds kStepTimeout = 10s;

// Waits through the title screen for the main menu; with `shots`, takes both.
Window waitForMenu(const Program& app, bool shots = false);
// Presses one of the menu's buttons and waits for the window it opens and for the menu to hide.
Window openFromMenu(const Program& app, const Window& menu, const wchar_t* button, const WindowQuery& window);
// Presses a button of a dialog that closes it (OK, ｷｬﾝｾﾙ) and waits for the menu to come back.
Window closeToMenu(const Program& app, const Window& dialog, const wchar_t* button);
// Waits for the program's message box and checks its text and buttons, takes
// its picture under `shot` and presses `answer`.
void answerMessage(const Program& app, const std::wstring& text, const std::vector<int>& buttons, int answer,
                   const char* shot = nullptr);
// Lets the program handle what it was given and checks that it shows no message box.
void expectNoMessage(const Program& app, const Window& window);

// The backup settings dialog: adds the folder `name` at the root of the
// Windows drive through the folder picker, by opening it with a double-click.
void addFolderWithPicker(const Program& app, const Window& dialog, const std::wstring& name,
                         const char* shot = nullptr);
Window descriptionBox(const Window& backupSettings);
Window logFileBox(const Window& backupSettings);

// The schedule dialog's controls.
struct ScheduleControls {
    Window hour, minute, hourArrows, dates, weekdays;
};
ScheduleControls scheduleControls(const Window& schedule);
// Steps the hour box up with the mouse on its up-down's upper arrow.
void stepHourUp(const ScheduleControls& controls, int times);

// The typical use up to the apply button: C:\DATA as "incremental", every Monday
// and Friday at 02:30. Returns the menu, its apply button enabled.
// `inBackupSettings` runs in the backup settings dialog before its OK.
Window chooseTypicalSettings(const Program& app, bool shots = false,
                             const std::function<void(const Window&)>& inBackupSettings = {});

// Files of the prefix.
std::wstring systemDirectory();
std::wstring windowsDirectory();
std::optional<std::string> readFile(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& bytes);
void setReadOnly(const std::wstring& path, bool readOnly);
bool readOnly(const std::wstring& path);

// A file or folder as it was when this was made, put back when it is destroyed:
// its bytes and attributes, or its absence (a folder made since is removed if empty).
class Restore {
public:
    explicit Restore(std::wstring path);
    ~Restore();
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    std::wstring path_;
    DWORD attributes_;
    std::optional<std::string> bytes_;
};

// A test-only command `name`.cmd in the system directory: it writes the
// arguments that it is given into a file, takes about `seconds`, then prints
// `reply` (in the OEM code page, as a console program does) and ends with
// `exitCode`. Removed again when destroyed.
class ProgramRecorder {
public:
    ProgramRecorder(const std::wstring& name, const std::wstring& reply, int exitCode, int seconds);
    // What the program was given, once it has run.
    std::string waitForArguments(milliseconds timeout) const;
    // Whether it ran at all.
    bool ran() const;

private:
    std::wstring name_, record_;
    Restore script_, recordRestore_;
};

// `at` (Wine has none).
class AtRecorder : public ProgramRecorder {
public:
    explicit AtRecorder(const std::wstring& reply = {}, int exitCode = 0, int seconds = 0)
        : ProgramRecorder(L"at", reply, exitCode, seconds) {}
};

// A file of the system directory taken away, put back when destroyed: Wine's own
// robocopy.exe, so that the program finds no robocopy or a stand-in's.
class Removed {
public:
    explicit Removed(const std::wstring& path);

private:
    Restore restore_;
};

// The stand-in robocopy (lorvane_e2e_robocopy.exe, built beside the test program)
// as the system directory's robocopy.exe in place of Wine's stub, which Wine then
// runs because scripts/env.sh sets robocopy.exe=n,b. Put back when destroyed.
class RobocopyStandIn {
public:
    RobocopyStandIn();
    // The words its logs start with, by which a journey knows it ran and not the stub.
    static constexpr wchar_t kLogHeading[] = L"ROBOCOPY stand-in";

private:
    Restore restore_;
};

// A test-only `ntbackup` in the system directory (Wine has none), so that the
// program finds a backup program there. Removed again when destroyed.
class BackupProgram {
public:
    BackupProgram();

private:
    Restore script_;
};

// The two generated files of the system directory, kept as they were.
struct GeneratedFiles {
    const std::wstring commandFile = systemDirectory() + L"\\tpbackup.cmd";
    const std::wstring batchFile = systemDirectory() + L"\\atcmd.bat";
    Restore commandFileRestore{commandFile}, batchFileRestore{batchFile};
};

// When $LORVANE_SCREENSHOTS is set, leaves a copy of the file there for whoever ran the journey.
void keepCopy(const std::wstring& path, const std::string& name);

}  // namespace e2e
