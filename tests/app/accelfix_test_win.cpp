// The keyboard-cue repaint component under Wine: which windows it repaints
// after WM_UPDATEUISTATE and when, the dialogs it hooks, and that it leaves
// every message and, once destroyed, the window procedure as they were.
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "app/unit1_win.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

const WPARAM kShowCues = MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS);

std::vector<HWND> Sorted(std::vector<HWND> windows)
{
    std::sort(windows.begin(), windows.end());
    return windows;
}

// The window and every window inside it.
std::vector<HWND> WindowAndDescendants(HWND window)
{
    std::vector<HWND> all{window};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

void IdlePass()
{
    Application::Instance().RunIdleHandlers();
}

class AltCueFixTest : public testing::Test {
protected:
    void SetUp() override { Open(true); }
    void TearDown() override { test::DestroyForm(form); }
    void Open(std::optional<bool> forceActive)
    {
        test::DestroyForm(form);
        form = test::ShowForm(
            {.prompter = &prompter, .settingsPath = test::FreshSettingsPath(), .altCueFixActive = forceActive});
        ASSERT_NE(form, nullptr);
        fix().Repaint = [this](HWND control) { repainted.push_back(control); };
    }
    TAltCueFix& fix() { return *form->AltCueFix1; }
    bool Hooked(HWND window)
    {
        return std::any_of(fix().Hooks().begin(), fix().Hooks().end(),
                           [window](const auto& entry) { return entry->HookedForm == window; });
    }
    // Hooks the window at a first idle pass, then forgets what that pass did.
    void Hook()
    {
        IdlePass();
        ASSERT_TRUE(Hooked(form->Handle()));
        repainted.clear();
    }
    void ShowCues() { SendMessageW(form->Handle(), WM_UPDATEUISTATE, kShowCues, 0); }
    HWND AddChild(HWND parent, const wchar_t* className, DWORD style)
    {
        return CreateWindowExW(0, className, L"x", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent, nullptr,
                               nullptr, nullptr);
    }

    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
    std::vector<HWND> repainted;
};

TEST_F(AltCueFixTest, NextIdlePassRepaintsEveryWindowedControlOnceParentsFirst)
{
    Hook();
    for (int i = 0; i < 3; ++i)
        ShowCues();
    EXPECT_TRUE(repainted.empty());  // never inside the message handling
    IdlePass();
    const std::vector<HWND> expected = WindowAndDescendants(form->Handle());
    EXPECT_EQ(Sorted(repainted), Sorted(expected));
    EXPECT_NE(std::find(repainted.begin(), repainted.end(), form->Button1), repainted.end());  // the hidden tab's
    for (std::size_t i = 0; i < repainted.size(); ++i) {
        if (repainted[i] == form->Handle())
            continue;
        const auto parent = std::find(repainted.begin(), repainted.end(), GetParent(repainted[i]));
        EXPECT_LT(parent - repainted.begin(), static_cast<std::ptrdiff_t>(i));
    }
    repainted.clear();
    IdlePass();
    EXPECT_TRUE(repainted.empty());
}

TEST_F(AltCueFixTest, WithoutRepaintAllOnlyTheButtonControlsOfTheShownTab)
{
    fix().SetRepaintAll(false);
    const HWND check = AddChild(form->Panel1, WC_BUTTONW, BS_AUTOCHECKBOX);
    const HWND radio = AddChild(form->Panel1, WC_BUTTONW, BS_AUTORADIOBUTTON);
    AddChild(form->Panel1, WC_BUTTONW, BS_GROUPBOX);
    AddChild(form->Panel1, WC_BUTTONW, BS_OWNERDRAW);
    AddChild(form->Panel1, WC_BUTTONW, BS_PUSHBUTTON | BS_ICON);
    const HWND otherTabCheck = AddChild(form->Panel3, WC_BUTTONW, BS_AUTOCHECKBOX);
    Hook();
    ShowCues();
    IdlePass();
    EXPECT_EQ(Sorted(repainted), Sorted({form->btnStart1, form->BtnXLS, check, radio}));

    form->SetActivePage(1);
    repainted.clear();
    ShowCues();
    IdlePass();
    EXPECT_EQ(Sorted(repainted), Sorted({form->BtnStart2, form->Button1, otherTabCheck}));
}

TEST_F(AltCueFixTest, MessageLoopIdleRepaints)
{
    Hook();
    fix().Repaint = [this](HWND control) {
        if (repainted.empty())
            PostQuitMessage(0);
        repainted.push_back(control);
    };
    PostMessageW(form->Handle(), WM_UPDATEUISTATE, kShowCues, 0);
    const UINT_PTR deadline = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(1); });
    const int exitCode = Application::Instance().Run();
    KillTimer(nullptr, deadline);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Sorted(repainted), Sorted(WindowAndDescendants(form->Handle())));
}

// The message box of the test below, seen from a timer of its modal loop.
// It looks at the hooks one tick after it first saw the box: the modal loop
// then has had its idle moment however slowly a loaded machine made the box.
struct BoxProbe {
    TForm1* form = nullptr;
    HWND box = nullptr;
    bool seenBefore = false;
    bool hookedWhileOpen = false;
};
BoxProbe probe;

TEST_F(AltCueFixTest, MessageBoxIsHookedWhileOpenAndDroppedAfterItCloses)
{
    Hook();
    probe = {form.get()};
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM) {
                if (GetWindow(window, GW_OWNER) == probe.form->Handle() && IsWindowVisible(window))
                    probe.box = window;
                return TRUE;
            },
            0);
        if (probe.box == nullptr || !std::exchange(probe.seenBefore, true))
            return;
        KillTimer(nullptr, id);
        const auto& hooks = probe.form->AltCueFix1->Hooks();
        probe.hookedWhileOpen = std::any_of(hooks.begin(), hooks.end(),
                                            [](const auto& entry) { return entry->HookedForm == probe.box; });
        PostMessageW(probe.box, WM_COMMAND, IDOK, 0);
    });
    MessageBoxW(form->Handle(), L"text", L"caption", MB_OK);
    KillTimer(nullptr, timer);
    ASSERT_NE(probe.box, nullptr);
    EXPECT_TRUE(probe.hookedWhileOpen);
    EXPECT_FALSE(IsWindow(probe.box));
    EXPECT_TRUE(Hooked(probe.box));  // until the next idle pass
    IdlePass();
    EXPECT_FALSE(Hooked(probe.box));
    EXPECT_EQ(fix().Hooks().size(), 1u);
}

// The window procedure beneath the component: records what reaches it.
struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};
WNDPROC formProc = nullptr;
std::vector<Received> received;
constexpr UINT kProbeMessage = WM_APP + 77;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::size_t index = received.size();
    received.push_back({message, wParam, lParam, 0});
    const LRESULT result =
        message == kProbeMessage ? 0x5A5A : CallWindowProcW(formProc, window, message, wParam, lParam);
    received[index].result = result;
    return result;
}

TEST_F(AltCueFixTest, MessagesReachThePreviousProcedureUnchangedAndDestroyingRestoresIt)
{
    const HWND window = form->Handle();
    formProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
    Hook();
    ASSERT_NE(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(RecordingProc));

    wchar_t text[64] = {};
    MSG pending{window, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    const Received sent[] = {
        {WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), 0},
        {WM_GETTEXTLENGTH, 0, 0, 0},
        {WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&pending), 0},
        {WM_UPDATEUISTATE, kShowCues, 0, 0},
        {kProbeMessage, 0x1234, 0x5678, 0},
    };
    const auto sendAll = [&] {
        std::vector<LRESULT> results;
        for (const Received& message : sent) {
            received.clear();
            results.push_back(SendMessageW(window, message.message, message.wParam, message.lParam));
            EXPECT_FALSE(received.empty());
            if (received.empty())
                continue;
            EXPECT_EQ(received[0].message, message.message);
            EXPECT_EQ(received[0].wParam, message.wParam);
            EXPECT_EQ(received[0].lParam, message.lParam);
            EXPECT_EQ(received[0].result, results.back());
        }
        return results;
    };
    const std::vector<LRESULT> withComponent = sendAll();
    EXPECT_EQ(withComponent[4], 0x5A5A);
    EXPECT_STREQ(text, L"Get Tavelin");

    form->AltCueFix1.reset();
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(RecordingProc));
    EXPECT_EQ(sendAll(), withComponent);
    IdlePass();  // the idle handler went with the component
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(formProc));
}

TEST_F(AltCueFixTest, WithoutForcingWineIsNotSupportedAndNothingIsHooked)
{
    Open(std::nullopt);
    EXPECT_FALSE(TAltCueFix::PlatformSupported());
    EXPECT_FALSE(fix().Active());
    const LONG_PTR proc = GetWindowLongPtrW(form->Handle(), GWLP_WNDPROC);
    IdlePass();
    ShowCues();
    IdlePass();
    EXPECT_TRUE(fix().Hooks().empty());
    EXPECT_EQ(GetWindowLongPtrW(form->Handle(), GWLP_WNDPROC), proc);
    EXPECT_EQ(proc, GetClassLongPtrW(form->Handle(), GCLP_WNDPROC));
    EXPECT_TRUE(repainted.empty());
}

}  // namespace
}  // namespace tav
