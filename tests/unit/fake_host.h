// A host for unit tests: directories and a clock the test decides,
// and message boxes recorded instead of shown.
#pragma once

#include <string>
#include <vector>

#include "core/host.h"

namespace lorvane::test {

class FakeHost : public Host {
public:
    FakeHost() { previous_ = setHost(this); }
    ~FakeHost() override { setHost(previous_); }

    std::wstring windowsDirectory() override { return windowsDir; }
    std::wstring systemDirectory() override { return systemDir; }
    DateTime now() override {
        ++clockReads;
        return clock = clock.addSeconds(clockStep);
    }
    int messageBox(const std::wstring& text, int style) override {
        messages.push_back({text, style});
        if (answers.empty()) return mb::Ok;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

    struct Message {
        std::wstring text;
        int style;
    };
    std::wstring windowsDir = L"C:\\WINNT";
    std::wstring systemDir = L"C:\\WINNT\\system32";
    DateTime clock = DateTime::fromCivil({2026, 12, 7, 9, 0, 0});
    int clockStep = 0;
    int clockReads = 0;
    std::vector<Message> messages;
    std::vector<int> answers;

private:
    Host* previous_ = nullptr;
};

}  // namespace lorvane::test
