// Inside the testing library: what the test scripted, and how each backend
// lets the scripted user answer.
#pragma once

#include <functional>
#include <string>

#include "toolkit/backend.h"
#include "toolkit/testing.h"

namespace tk::testing::detail {

// Records a message box; the button the test queued for it, else the one
// that leaves things as they are (Cancel, No, OK).
int recordMessageBox(const std::wstring& text, int style, const std::wstring& caption);
// Records a standard dialog; the answer the test queued, else a cancel.
DialogAnswer recordDialog(const DialogRequest& request);
// Records a modeless dialog, which no queued answer is for.
void noteDialog(const DialogRequest& request);
// The action queued for the next modal window; empty when none was.
std::function<void(Form&)> takeModalAction();

// Per backend: the box, dialog or modal window shown and answered as scripted.
int answerMessageBox(Backend& system, const std::wstring& text, int style, const std::wstring& caption,
                     int answer);
int answerOpenDialog(Backend& system, CommonDialog& dialog, const DialogAnswer& answer);
int answerFontDialog(Backend& system, CommonDialog& dialog, const DialogAnswer& answer);
void runModal(Backend& system, Form& form, std::function<void(Form&)> action);

}  // namespace tk::testing::detail
