// A fresh program for every window test: no windows, no messages, start values
// zeroed, and a clock that moves one second each time it is read.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "apply/system_access.h"
#include "core/settings.h"
#include "platform/platform_system_access.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

namespace lorvane::test {

// The programs that the windows find on the system: robocopy, and ntbackup
// unless a test takes it away; the folders of `folders`; everything else is the
// system's own.
class ProgramsFound final : public SystemAccess {
public:
    bool ntbackup = true;
    std::vector<std::wstring> folders = {L"C:\\",      L"C:\\WINNT", L"C:\\WINDOWS",
                                         L"C:\\LOGS", L"D:\\",      L"E:\\"};

    bool folderExists(const std::wstring& path) override {
        const auto comparable = [](std::wstring text) {
            while (!text.empty() && text.back() == L'\\') text.pop_back();
            for (wchar_t& c : text)
                if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
            return text;
        };
        for (const std::wstring& folder : folders)
            if (comparable(folder) == comparable(path)) return true;
        return false;
    }

    std::wstring findProgram(const std::wstring& name) override {
        return name == L"ntbackup" && !ntbackup ? L"" : L"C:\\WINNT\\system32\\" + name + L".exe";
    }
    SystemResult replaceFile(const std::wstring& path, std::string_view bytes) override {
        return system_.replaceFile(path, bytes);
    }
    SystemResult createFolder(const std::wstring& path) override { return system_.createFolder(path); }
    SystemResult copyThisProgram(const std::wstring& path) override { return system_.copyThisProgram(path); }
    std::optional<std::string> toBatchCodePage(std::wstring_view text) override {
        return system_.toBatchCodePage(text);
    }
    std::wstring commandInterpreter() override { return system_.commandInterpreter(); }
    bool delayedExpansion() override { return system_.delayedExpansion(); }
    ProgramRun runHidden(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingDirectory, std::chrono::milliseconds timeout) override {
        return system_.runHidden(program, arguments, workingDirectory, timeout);
    }
    bool liesWithin(const std::wstring& inner, const std::wstring& outer) override {
        return system_.liesWithin(inner, outer);
    }
    DriveKind driveKind(const std::wstring& path) override { return system_.driveKind(path); }

private:
    SystemAccess& system_ = platformSystemAccess();
};

// The program's host with the Windows directory and the clock the test decides;
// its system directory and message boxes are the program's own.
class TestHost final : public ProgramHost {
public:
    std::wstring windowsDirectory() override { return L"C:\\WINNT"; }
    DateTime now() override { return clock(); }
    std::function<DateTime()> clock;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        tk::initialize(programInfo());
        tk::testing::begin();
        previousHost_ = setHost(&host);
        previousAccess_ = setSystemAccess(&programs);
        mdlMain() = Settings{};
        host.clock = [this] { return clockNow = clockNow.addSeconds(1); };
        auto& o = tk::testing::overrides();
        o.platformCode = 2;
        o.prevInstance = false;
    }
    void TearDown() override {
        tk::unloadAllForms();
        setSystemAccess(previousAccess_);
        setHost(previousHost_);
    }

    const std::vector<tk::testing::ShownMessage>& messages() const { return tk::testing::shownMessages(); }

    DateTime clockNow = DateTime::fromCivil({2026, 12, 7, 9, 0, 0});
    ProgramsFound programs;
    TestHost host;

private:
    Host* previousHost_ = nullptr;
    SystemAccess* previousAccess_ = nullptr;
};

// One row of a table of cases, run as a test of its own on a fresh program:
// `Case` names itself with a `name` field, which becomes the test's name.
template <class Fixture, class Case>
class Table : public Fixture, public ::testing::WithParamInterface<Case> {};

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

}  // namespace lorvane::test
