// Helpers for tests that drive the program's windows in-process under Wine.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/unit1_win.h"
#include "base/prompter_win.h"
#include "base/win32.h"

namespace tav::test {

// Processes messages until `done` holds or `timeout` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
// Processes messages for a while.
void PumpFor(std::chrono::milliseconds duration);

std::string ListText(HWND list, int row, int column);
int ListCount(HWND list);
std::string StatusText(HWND statusBar, int panel);
// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

// The main window made with `seams`, the application's main window and
// shown, as the program's entry point does; nullptr when it cannot be made.
std::unique_ptr<TForm1> ShowForm(FormSeams seams);
// Destroys a window of ShowForm without ending any message loop.
void DestroyForm(std::unique_ptr<TForm1>& form);

// A settings file of its own for one test, in the temporary folder, not yet
// existing.
std::wstring FreshSettingsPath();
// A new empty folder in the temporary folder; the path ends in a backslash.
std::wstring FreshFolder();
// A file's bytes; empty when it cannot be read.
std::string FileBytes(const std::wstring& path);
// Writes `bytes` as the whole file.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// What a user's click sends to `form`: LVN_COLUMNCLICK from `list` for the
// column with index `column`, and BN_CLICKED from `button`, each through the
// window procedure.
void ClickColumn(HWND form, HWND list, int column);
void ClickButton(HWND form, HWND button);

// Records every message box instead of showing it.
class RecordingPrompter final : public Prompter {
public:
    void ShowMessage(HWND owner, std::string_view text) override;
    void ShowError(HWND owner, std::string_view text) override;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::function<void()> onShow;  // runs while the "box" is up
};

}  // namespace tav::test
