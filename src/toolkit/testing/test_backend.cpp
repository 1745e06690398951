// The window tests' backend: in front of the system's, it answers for the user
// as the test scripted and reports the system the test decided; everything
// else (the windows themselves, their messages) is the system backend's.
#include <stdexcept>

#include "toolkit/events.h"
#include "toolkit/testing/scripted.h"

namespace tk::testing {
namespace {

// The find dialog as the system's backend shows it, noted each time it opens.
class NotedFindDialog final : public FindDialogPeer {
public:
    NotedFindDialog(FindDialog& dialog, std::unique_ptr<FindDialogPeer> shown)
        : dialog_(dialog), shown_(std::move(shown)) {}
    void show() override {
        const long flags =
            fr::HideWholeWord | (dialog_.Down ? fr::Down : 0) | (dialog_.MatchCase ? fr::MatchCase : 0);
        detail::noteDialog({L"find", L"", dialog_.FindWhat, L"", flags});
        shown_->show();
    }
    void close() override { shown_->close(); }

private:
    FindDialog& dialog_;
    std::unique_ptr<FindDialogPeer> shown_;
};

class TestBackend final : public Backend {
public:
    std::unique_ptr<FormPeer> createFormPeer(Form& form) override { return system().createFormPeer(form); }
    void frameExtent(const Form& form, float& extraWidth, float& extraHeight) override {
        system().frameExtent(form, extraWidth, extraHeight);
    }
    // The test process goes on: the program only counts as ended.
    void allFormsUnloaded() override { overrides().allFormsUnloaded = true; }
    [[noreturn]] void exitProcess() override { throw ProgramEnded{}; }
    int runMessageLoop() override { return system().runMessageLoop(); }
    void doEvents() override { system().doEvents(); }

    void runModal(Form& form) override {
        auto action = detail::takeModalAction();
        if (!action) throw std::logic_error("a modal window opened with no user action queued for it");
        detail::runModal(system(), form, std::move(action));
    }

    float screenWidthTwips() override {
        return overrides().screenWidthTwips.value_or(system().screenWidthTwips());
    }
    float screenHeightTwips() override {
        return overrides().screenHeightTwips.value_or(system().screenHeightTwips());
    }

    int messageBox(const std::wstring& text, int style, const std::wstring& caption) override {
        const int answer = detail::recordMessageBox(text, style, caption);
        return detail::answerMessageBox(system(), text, style, caption, answer);
    }

    VersionInfo versionInfo() override { return system().versionInfo(); }
    int platformCode() override { return overrides().platformCode.value_or(system().platformCode()); }
    bool prevInstance() override { return overrides().prevInstance.value_or(system().prevInstance()); }

    WindowFound activateWindowByTitle(const std::wstring& title) override {
        auto& o = overrides();
        if (!o.windowFound) return system().activateWindowByTitle(title);
        if (*o.windowFound != WindowFound::None) o.activatedTitles.push_back(title);
        return *o.windowFound;
    }

    void sendEnterAndWait() override {
        auto& o = overrides();
        if (!o.windowFound) return system().sendEnterAndWait();
        ++o.entersSent;
    }

    int showOpenDialog(CommonDialog& dialog) override {
        const DialogAnswer answer =
            detail::recordDialog({L"open", dialog.DialogTitle, dialog.FileName, dialog.Filter, dialog.Flags});
        if (answer.kind == DialogAnswer::Fail) return cdl::Failure;
        return detail::answerOpenDialog(system(), dialog, answer);
    }

    int showFontDialog(CommonDialog& dialog) override {
        const DialogAnswer answer =
            detail::recordDialog({L"font", dialog.DialogTitle, dialog.FontName, L"", dialog.Flags});
        if (answer.kind == DialogAnswer::Fail) return cdl::Failure;
        return detail::answerFontDialog(system(), dialog, answer);
    }

    std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) override {
        return std::make_unique<NotedFindDialog>(dialog, system().createFindDialogPeer(dialog));
    }

private:
    static Backend& system() { return systemBackend(); }
};

}  // namespace

Backend& testBackend() {
    static TestBackend instance;
    return instance;
}

}  // namespace tk::testing
