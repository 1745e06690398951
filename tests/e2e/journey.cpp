#include "journey.h"

#include <algorithm>

namespace e2e {
namespace {

std::vector<Window> directChildren(const Window& parent, const std::wstring& className) {
    std::vector<Window> found;
    for (const Window& w : parent.children(className))
        if (w.parent() == parent) found.push_back(w);
    return found;
}

std::vector<Window> leftToRight(std::vector<Window> windows) {
    std::sort(windows.begin(), windows.end(),
              [](const Window& a, const Window& b) { return a.rect().left < b.rect().left; });
    return windows;
}

// The list box of the window whose first items are `first`.
Window listStartingWith(const Window& window, const std::vector<std::wstring>& first) {
    std::string seen;
    for (const Window& list : window.children(L"ListBox")) {
        const std::vector<std::wstring> items = list.items();
        if (items.size() >= first.size() && std::equal(first.begin(), first.end(), items.begin())) return list;
        seen += "\n  " + list.describe() + " with " + std::to_string(items.size()) + " items";
    }
    throw DriverError("no list starting with " + utf8(first.front()) + " in " + window.describe() + ":" + seen);
}

}  // namespace

Window waitForMenu(const Program& app, bool shots) {
    const Window title = app.waitForWindow({L"TkForm", L""}, kStartTimeout);
    const auto titleShown = Clock::now();
    if (shots) screenshot(title, "title");
    const Window menu = app.waitForWindow(kMenu, kStartTimeout);
    // About four seconds (NormalStart measures it closely); never a mere flash.
    if (Clock::now() - titleShown < 2500ms)
        throw DriverError("the title screen gave way to the menu after less than 2.5 seconds");
    if (title.visible()) app.waitUntilGone(title, "the title screen", kStepTimeout);
    app.settle(menu);
    if (shots) screenshot(menu, "main-menu");
    return menu;
}

Window openFromMenu(const Program& app, const Window& menu, const wchar_t* button, const WindowQuery& window) {
    menu.child(L"Button", button).click();
    const Window opened = app.waitForWindow(window, kStepTimeout);
    app.waitUntilGone(menu, "the main menu", kStepTimeout);
    app.settle(opened);
    return opened;
}

Window closeToMenu(const Program& app, const Window& dialog, const wchar_t* button) {
    dialog.child(L"Button", button).click();
    app.waitUntilGone(dialog, utf8(dialog.title()), kStepTimeout);
    const Window menu = app.waitForWindow(kMenu, kStepTimeout);
    app.settle(menu);
    return menu;
}

void answerMessage(const Program& app, const std::wstring& text, const std::vector<int>& buttons, int answer,
                   const char* shot) {
    const MessageBoxWindow box = app.waitForMessageBox(kStepTimeout);
    const std::string seen = box.describe() + " with buttons " + [&] {
        std::string ids;
        for (int id : box.buttons()) ids += std::to_string(id) + " ";
        return ids;
    }();
    if (box.text() != text || box.title() != L"Lorvane" || box.buttons() != buttons)
        throw DriverError("expected the message \"" + utf8(text) + "\" titled Lorvane, saw " + seen);
    if (shot) screenshot(box, shot);
    box.press(answer);
    app.waitUntilGone(box, "the message box", kStepTimeout);
}

void expectNoMessage(const Program& app, const Window& window) {
    // The second settle comes behind whatever the handlers running at the first
    // one posted; a message box is made before its loop takes the settle.
    app.settle(window);
    app.settle(window);
    if (const MessageBoxWindow box = app.findMessageBox(false))
        throw DriverError("expected no message, saw " + box.describe());
}

void addFolderWithPicker(const Program& app, const Window& dialog, const std::wstring& name, const char* shot) {
    dialog.child(L"Button", L"追加").click();
    const Window picker = app.waitForWindow(kFolderPicker, kStepTimeout);
    app.settle(picker);
    const Window folders = picker.children(L"ListBox").at(0);
    const Window path = picker.children(L"Edit").at(0);
    const std::wstring root = windowsDirectory().substr(0, 3);
    if (path.contents() != root) throw DriverError("the picker starts at " + utf8(path.contents()) + ", not " + utf8(root));
    folders.doubleClickRow(folders.row(name));
    waitUntil("the picker's path box to show the opened folder", kStepTimeout,
              [&] { return path.contents() == root + name; }, [&] { return picker.describe() + " " + path.describe(); });
    app.settle(picker);
    if (shot) screenshot(picker, shot);
    picker.child(L"Button", L"追加").click();
    app.waitUntilGone(picker, "the folder picker", kStepTimeout);
    const Window list = dialog.children(L"ListBox").at(0);
    waitUntil("the folder to be in the list", kStepTimeout,
              [&] {
                  const auto items = list.items();
                  return std::find(items.begin(), items.end(), root + name) != items.end();
              },
              [&] { return app.describe(); });
}

Window descriptionBox(const Window& backupSettings) {
    return directChildren(backupSettings, L"Edit").at(0);
}

Window logFileBox(const Window& backupSettings) {
    return backupSettings.child(L"TkFrame", L"ﾛｸﾞ情報").children(L"Edit").at(0);
}

ScheduleControls scheduleControls(const Window& schedule) {
    const Window time = schedule.child(L"TkFrame", L"実行時間");
    const std::vector<Window> boxes = leftToRight(time.children(L"Edit"));
    const std::vector<Window> arrows = leftToRight(time.children(L"msctls_updown32"));
    return {boxes.at(0), boxes.at(1), arrows.at(0), listStartingWith(schedule, {L"1日", L"2日"}),
            listStartingWith(schedule, {L"日", L"月"})};
}

void stepHourUp(const ScheduleControls& controls, int times) {
    RECT r{};
    GetClientRect(controls.hourArrows.handle(), &r);
    for (int i = 0; i < times; ++i) {
        const std::wstring before = controls.hour.contents();
        controls.hourArrows.clickAt(r.right / 2, r.bottom / 4);
        waitUntil("the hour to step up from " + utf8(before), kStepTimeout,
                  [&] { return controls.hour.contents() != before; },
                  [&] { return controls.hour.describe(); });
    }
}

Window chooseTypicalSettings(const Program& app, bool shots,
                             const std::function<void(const Window&)>& inBackupSettings) {
    Window menu = waitForMenu(app, shots);
    if (menu.child(L"Button", kApplyButton).enabled())
        throw DriverError("the apply button is enabled before anything was set: " + menu.describe());

    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    addFolderWithPicker(app, backup, L"DATA", shots ? "folder-picker" : nullptr);
    backup.children(L"ComboBox").at(0).chooseWithArrowKeys(L"incremental");
    app.settle(backup);
    if (shots) screenshot(backup, "backup-settings");
    if (inBackupSettings) inBackupSettings(backup);
    menu = closeToMenu(app, backup, L"OK");
    if (menu.child(L"Button", kApplyButton).enabled())
        throw DriverError("the apply button is enabled with the backup settings alone: " + menu.describe());

    const Window schedule = openFromMenu(app, menu, kScheduleButton, kSchedule);
    const ScheduleControls controls = scheduleControls(schedule);
    schedule.child(L"Button", L"毎回").click();
    schedule.child(L"Button", L"曜日指定").click();
    waitUntil("the weekday list to be enabled", kStepTimeout, [&] { return controls.weekdays.enabled(); },
              [&] { return controls.weekdays.describe(); });
    for (const wchar_t* day : {L"月", L"金"}) controls.weekdays.clickRow(controls.weekdays.row(day));
    waitUntil("Monday and Friday to be selected", kStepTimeout,
              [&] { return controls.weekdays.selectedRows() == std::vector<int>{1, 5}; },
              [&] { return controls.weekdays.describe(); });
    stepHourUp(controls, 2);
    controls.minute.type(L"30");
    if (controls.hour.contents() != L"2") throw DriverError("the hour box shows " + utf8(controls.hour.contents()));
    app.settle(schedule);
    if (shots) screenshot(schedule, "schedule");
    menu = closeToMenu(app, schedule, L"OK");
    waitUntil("the apply button to be enabled", kStepTimeout,
              [&] { return menu.child(L"Button", kApplyButton).enabled(); }, [&] { return menu.describe(); });
    if (shots) screenshot(menu, "main-menu-ready");
    return menu;
}

std::wstring systemDirectory() {
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetSystemDirectoryW(path, MAX_PATH));
}

std::wstring windowsDirectory() {
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetWindowsDirectoryW(path, MAX_PATH));
}

std::optional<std::string> readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok) throw DriverError("cannot write " + utf8(path) + ": error " + std::to_string(error));
}

void setReadOnly(const std::wstring& path, bool on) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesW(path.c_str(), on ? attributes | FILE_ATTRIBUTE_READONLY
                                             : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)))
        throw DriverError("cannot change the read-only mark of " + utf8(path));
}

bool readOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

Restore::Restore(std::wstring path) : path_(std::move(path)), attributes_(GetFileAttributesW(path_.c_str())) {
    if (attributes_ != INVALID_FILE_ATTRIBUTES && !(attributes_ & FILE_ATTRIBUTE_DIRECTORY)) {
        bytes_ = readFile(path_);
        if (!bytes_) throw DriverError("cannot read " + utf8(path_) + " to keep it");
    }
}

Restore::~Restore() {
    const DWORD now = GetFileAttributesW(path_.c_str());
    if (attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY)) {
        RemoveDirectoryW(path_.c_str());
        return;
    }
    // A batch file that has just run may still be held open for a moment.
    const auto deadline = Clock::now() + 5s;
    do {
        if (now != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        try {
            if (!bytes_) {
                if (DeleteFileW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return;
            } else {
                writeFile(path_, *bytes_);
                SetFileAttributesW(path_.c_str(), attributes_);
                return;
            }
        } catch (const DriverError&) {
        }
        pause(100ms);
    } while (Clock::now() < deadline);
}

namespace {

std::wstring recordPath(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length) + L"lorvane-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) +
           L".txt";
}

}  // namespace

// The text in the OEM code page, which cmd.exe reads batch files in.
std::string oemText(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(length) * 2, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_OEMCP, 0, text.data(), length, bytes.data(), length * 2, nullptr, nullptr)));
    return bytes;
}

ProgramRecorder::ProgramRecorder(const std::wstring& name, const std::wstring& reply, int exitCode, int seconds)
    : name_(name),
      record_(recordPath(name)),
      script_(systemDirectory() + L"\\" + name + L".cmd"),
      recordRestore_(record_) {
    DeleteFileW(record_.c_str());
    std::string script = "@>\"" + utf8(record_) + "\" echo %*\r\n";
    // ping waits a second between its echo requests.
    if (seconds > 0) script += "@ping -n " + std::to_string(seconds + 1) + " 127.0.0.1 >nul\r\n";
    if (!reply.empty()) script += "@echo " + oemText(reply) + "\r\n";
    script += "@exit /b " + std::to_string(exitCode) + "\r\n";
    writeFile(systemDirectory() + L"\\" + name + L".cmd", script);
}

Removed::Removed(const std::wstring& path) : restore_(path) {
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        throw DriverError("cannot remove " + utf8(path));
}

RobocopyStandIn::RobocopyStandIn() : restore_(systemDirectory() + L"\\robocopy.exe") {
    const std::wstring standIn = directoryOfThisProgram() + L"lorvane_e2e_robocopy.exe";
    if (!CopyFileW(standIn.c_str(), (systemDirectory() + L"\\robocopy.exe").c_str(), FALSE))
        throw DriverError("cannot copy " + utf8(standIn) + " into the system directory: error " +
                          std::to_string(GetLastError()));
}

BackupProgram::BackupProgram() : script_(systemDirectory() + L"\\ntbackup.cmd") {
    writeFile(systemDirectory() + L"\\ntbackup.cmd", "@echo ntbackup %*\r\n");
}

bool ProgramRecorder::ran() const {
    return GetFileAttributesW(record_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProgramRecorder::waitForArguments(milliseconds timeout) const {
    std::optional<std::string> line;
    waitUntil("the batch file to run " + utf8(name_) + ".cmd", timeout, [&] {
        line = readFile(record_);
        return line && line->size() >= 2 && line->substr(line->size() - 2) == "\r\n";
    });
    return line->substr(0, line->size() - 2);
}

void keepCopy(const std::wstring& path, const std::string& name) {
    const std::string folder = screenshotFolder();
    if (folder.empty()) return;
    const std::optional<std::string> bytes = readFile(path);
    if (!bytes) throw DriverError("cannot read " + utf8(path) + " to keep a copy");
    const std::wstring target = windowsPath(fromUtf8(folder));
    CreateDirectoryW(target.c_str(), nullptr);
    writeFile(target + L"\\" + fromUtf8(name), *bytes);
}

}  // namespace e2e
