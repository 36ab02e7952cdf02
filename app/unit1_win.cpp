#include "app/unit1_win.h"

#include <array>
#include <exception>

#include "app/application_win.h"
#include "app/ids.h"
#include "app/panel_win.h"
#include "base/datetime_win.h"
#include "base/system_dlls_win.h"
#include "base/text_win.h"
#include "base/window_instance_win.h"

#include <shellapi.h>

namespace tav {
namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr int kClientWidth = 736;  // at 96 dpi; the outer size is 752 x 566 with
constexpr int kClientHeight = 528;  // the classic frame
constexpr int kAuto = -1;           // an auto-sized label: the size of its text
constexpr int kTopPanelHeight = 65;
constexpr int kStatusBarHeight = 19;
constexpr int kBottomPanelHeight = 44;
constexpr int kCreditPanelWidth = 200;

constexpr COLORREF kRed = RGB(255, 0, 0);

// Controls at fixed places in their panels (left, top, width, height at 96 dpi).
struct Placement {
    HWND TForm1::*control;
    int left, top, width, height;
};

constexpr std::array kPlacements = {
    Placement{&TForm1::Label1, 8, 8, kAuto, kAuto},
    Placement{&TForm1::Edit1, 8, 28, 129, 21},
    Placement{&TForm1::Label2, 176, 10, kAuto, kAuto},
    Placement{&TForm1::DateTimePicker1, 176, 28, 145, 21},
    Placement{&TForm1::LabelWait, 358, 19, 81, 26},
    Placement{&TForm1::btnStart1, 464, 14, 113, 35},
    Placement{&TForm1::BtnXLS, 592, 14, 113, 35},
    Placement{&TForm1::Label6, 8, 8, kAuto, kAuto},
    Placement{&TForm1::Edit3, 8, 28, 145, 21},
    Placement{&TForm1::LabelWait2, 358, 19, 81, 26},
    Placement{&TForm1::BtnStart2, 464, 14, 113, 35},
    Placement{&TForm1::Button1, 592, 14, 113, 35},
    Placement{&TForm1::LabelError, 16, 16, kAuto, kAuto},
    Placement{&TForm1::Label10, 0, 8, 183, 13},
    Placement{&TForm1::Label3, 0, 24, kAuto, kAuto},
};

constexpr std::array<ListColumn, 3> kServerColumns = {{
    {"Date", 200}, {"User Name", 300}, {"Login From", 200},
}};
constexpr std::array<ListColumn, 5> kWorkstationColumns = {{
    {"ID", 1}, {"Date", 150}, {"User Name", 200}, {"Logon From", 200}, {"Connection Type", 150},
}};

constexpr char kWaitText[] = "Пожалуйста, подождите...";
constexpr char kStartText[] = "Получить данные";
constexpr char kExportText[] = "Выгрузить в Excel";
constexpr char kCreditText[] = "© 2026 Users Tavelin";

bool IsAutoSized(const TForm1& form, HWND label)
{
    for (const Placement& placement : kPlacements)
        if (form.*placement.control == label)
            return placement.width == kAuto;
    return false;
}

}  // namespace

TForm1::TForm1(FormSeams seams) : seams_(seams) {}

TForm1::~TForm1()
{
    StopQuery();
    if (Handle_ != nullptr)
        DestroyWindow(Handle_);
}

bool TForm1::Create(HWND owner)
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = InstanceWindowProc<&TForm1::WindowMessage>;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered)
        return false;

    const HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame{0, 0, MulDiv(kClientWidth, dpi_, 96), MulDiv(kClientHeight, dpi_, 96)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"Get Tavelin", style, left, top, width, height,
                    owner, nullptr, GetModuleHandleW(nullptr), this);
    return Handle_ != nullptr;
}

void TForm1::Show(int showCommand)
{
    ShowWindow(Handle_, showCommand);
    UpdateWindow(Handle_);
    FormShow();
}

LRESULT TForm1::WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        Handle_ = window;
    if (message == WM_NCDESTROY) {
        Handle_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return Guarded(window, seams_.prompter, [&] { return HandleMessage(message, wParam, lParam); });
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A handler that answers `false` leaves the message to the default handling.
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(reinterpret_cast<const wchar_t*>(lParam)); break;
    case WM_ENTERIDLE: Application::Instance().RunIdleHandlers(); break;  // a modal loop has nothing waiting
    case WM_SIZE: Layout(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_SETCURSOR: if (OnSetCursor()) return TRUE; break;
    case WM_ACTIVATE: if (OnActivate(LOWORD(wParam) != WA_INACTIVE)) return 0; break;
    case WM_SYSCOMMAND: if (OnSysCommand(wParam)) return 0; break;
    case WM_APP_QUERY_DONE: QueryDone(); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: break;
    }
    return DefWindowProcW(Handle_, message, wParam, lParam);
}

void TForm1::OnCreate()
{
    CreateFonts();
    CreateControls();
    Layout();
    AltCueFix1 = std::make_unique<TAltCueFix>(seams_.altCueFixActive.value_or(TAltCueFix::PlatformSupported()));
}

void TForm1::OnSettingChange(const wchar_t* area)
{
    // Changed regional settings: the date and time formats anew.
    if (area != nullptr && lstrcmpiW(area, L"intl") == 0)
        SetCurrentFormats(ReadUserDateTimeFormats());
}

bool TForm1::OnSetCursor()
{
    const HCURSOR cursor = Application::Instance().CursorOverride();
    if (cursor != nullptr)
        SetCursor(cursor);
    return cursor != nullptr;
}

bool TForm1::OnActivate(bool active)
{
    // Keep the focused control across deactivation, as a dialog does.
    if (!active) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(Handle_, focus))
            savedFocus_ = focus;
        return false;
    }
    if (savedFocus_ == nullptr || !IsWindow(savedFocus_))
        return false;
    SetFocus(savedFocus_);
    return true;
}

bool TForm1::OnSysCommand(WPARAM command)
{
    // The task-bar button belongs to the owner: minimise it, which hides
    // this window with it.
    const HWND owner = GetWindow(Handle_, GW_OWNER);
    if ((command & 0xFFF0) != SC_MINIMIZE || owner == nullptr)
        return false;
    ShowWindow(owner, SW_MINIMIZE);
    return true;
}

void TForm1::OnClose()
{
    // A settings file that cannot be written is reported, and the window
    // still closes.
    try {
        FormClose();
    } catch (const std::exception& error) {
        Prompts().ShowError(Handle_, error.what());
    }
    StopQuery();
    // A workstation run goes on inside this window's message handling: it
    // stops at its next step and the window closes when it has ended.
    if (scanRunning_)
        closeRequested_ = true;
    else
        DestroyWindow(Handle_);
}

void TForm1::OnDestroy()
{
    KillTimer(Handle_, TIMER1);
    KillTimer(Handle_, TIMER2);
    if (Application::Instance().MainForm() == Handle_)
        PostQuitMessage(0);
}

void TForm1::CreateFonts()
{
    const int height = -MulDiv(8, dpi_, 72);
    auto make = [height](int weight, bool underline) {
        return UniqueFont(CreateFontW(height, 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
    };
    font_ = make(FW_NORMAL, false);
    boldFont_ = make(FW_BOLD, false);
    linkFont_ = make(FW_NORMAL, true);
}

HWND TForm1::CreateChild(const wchar_t* className, std::string_view text, DWORD style, HWND parent,
                         int id, DWORD exStyle)
{
    const HWND child = CreateWindowExW(exStyle, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                       0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return child;
}

HWND TForm1::CreateLabel(HWND parent, std::string_view text, DWORD style)
{
    return CreateChild(WC_STATICW, text, style | SS_NOPREFIX, parent);
}

HWND TForm1::CreateButton(HWND parent, std::string_view text, int id, bool wordWrap)
{
    return CreateChild(WC_BUTTONW, text, WS_TABSTOP | BS_PUSHBUTTON | (wordWrap ? BS_MULTILINE : 0), parent,
                       id);
}

HWND TForm1::CreateStatusBar(HWND parent, int id)
{
    // Placed by Layout at the design height rather than by the control itself.
    const HWND bar = CreateChild(STATUSCLASSNAMEW, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                 parent, id);
    // Panel 0 is 200 pixels wide; the last panel reaches the right edge.
    std::array<int, 2> edges = {MulDiv(200, dpi_, 96), -1};
    SendMessageW(bar, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    SetStatusText(bar, 0, "Времени потрачено:");
    SetStatusText(bar, 1, "Записей отобрано:");
    return bar;
}

void TForm1::CreateControls()
{
    // Creation order is the tab order among siblings.
    PanelMain = CreatePanel(Handle_, Bevel::None);
    PageControl1 = CreateChild(WC_TABCONTROLW, "", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, PanelMain,
                               IDC_PAGECONTROL1, WS_EX_CONTROLPARENT);
    const std::array<std::wstring, 2> tabs = {Widen("Сервер терминалов"), Widen("Персональный компьютер")};
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabs[i].c_str());
        SendMessageW(PageControl1, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }

    TabSheet1 = CreatePanel(PageControl1, Bevel::None);
    ListView.Create(TabSheet1, IDC_LISTVIEW, kServerColumns, {.readOnly = true, .headerDragDrop = true}, dpi_);
    SendMessageW(ListView.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    Panel1 = CreatePanel(TabSheet1, Bevel::Raised);
    btnStart1 = CreateButton(Panel1, kStartText, IDC_BTNSTART1, false);
    Edit1 = CreateChild(WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, Panel1, IDC_EDIT1, WS_EX_CLIENTEDGE);
    BtnXLS = CreateButton(Panel1, kExportText, IDC_BTNXLS, true);
    DateTimePicker1 = CreateChild(DATETIMEPICK_CLASSW, "", WS_TABSTOP | DTS_SHORTDATEFORMAT, Panel1,
                                  IDC_DATETIMEPICKER1);
    Label1 = CreateLabel(Panel1, "Имя (IP адрес) сервера:");
    Label2 = CreateLabel(Panel1, "Начальная дата для поиска:");
    LabelWait = CreateLabel(Panel1, kWaitText, SS_LEFT);
    StatusBar1 = CreateStatusBar(TabSheet1, IDC_STATUSBAR1);

    TabSheet2 = CreatePanel(PageControl1, Bevel::None);
    Panel3 = CreatePanel(TabSheet2, Bevel::Raised);
    Edit3 = CreateChild(WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, Panel3, IDC_EDIT3, WS_EX_CLIENTEDGE);
    Button1 = CreateButton(Panel3, kExportText, IDC_BUTTON1, true);
    BtnStart2 = CreateButton(Panel3, kStartText, IDC_BTNSTART2, false);
    Label6 = CreateLabel(Panel3, "Имя (IP адрес) компьютера:");
    LabelWait2 = CreateLabel(Panel3, kWaitText, SS_LEFT);
    ListView1.Create(TabSheet2, IDC_LISTVIEW1, kWorkstationColumns, {.readOnly = false}, dpi_);
    SendMessageW(ListView1.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    StatusBar2 = CreateStatusBar(TabSheet2, IDC_STATUSBAR2);
    ShowWindow(TabSheet2, SW_HIDE);

    Panel4 = CreatePanel(Handle_, Bevel::Raised);
    LabelError = CreateLabel(Panel4, "Сервер недоступен!");
    Panel2 = CreatePanel(Panel4, Bevel::None);
    Label10 = CreateLabel(Panel2, kCreditText, SS_LEFT);
    EnableWindow(Label10, FALSE);
    Label3 = CreateChild(WC_STATICW, kPublisherUrl, SS_NOTIFY | SS_NOPREFIX, Panel2, IDC_LABEL3);

    for (const HWND bold : {LabelWait, LabelWait2, LabelError})
        SendMessageW(bold, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), FALSE);
    SendMessageW(Label3, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.Get()), FALSE);
    for (const HWND hidden : {LabelWait, LabelWait2, LabelError})
        ShowWindow(hidden, SW_HIDE);

    Subclass<&TForm1::EditMessage>(Edit1, this);
    Subclass<&TForm1::EditMessage>(Edit3, this);
    Subclass<&TForm1::LinkMessage>(Label3, this);
}

void TForm1::Layout()
{
    if (PanelMain == nullptr)
        return;
    const auto scale = [this](int value) { return MulDiv(value, dpi_, 96); };
    const auto place = [](HWND control, int left, int top, int width, int height) {
        SetWindowPos(control, nullptr, left, top, width < 0 ? 0 : width, height < 0 ? 0 : height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };

    RECT client;
    GetClientRect(Handle_, &client);
    const int bottomHeight = scale(kBottomPanelHeight);
    place(Panel4, 0, client.bottom - bottomHeight, client.right, bottomHeight);
    place(PanelMain, 0, 0, client.right, client.bottom - bottomHeight);
    place(PageControl1, 0, 0, client.right, client.bottom - bottomHeight);

    RECT display;
    GetClientRect(PageControl1, &display);
    SendMessageW(PageControl1, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    const int sheetWidth = display.right - display.left;
    const int sheetHeight = display.bottom - display.top;
    const int topHeight = scale(kTopPanelHeight);
    const int statusHeight = scale(kStatusBarHeight);
    struct Sheet {
        HWND sheet, panel, list, status;
    };
    for (const Sheet& tab : {Sheet{TabSheet1, Panel1, ListView.Handle(), StatusBar1},
                             Sheet{TabSheet2, Panel3, ListView1.Handle(), StatusBar2}}) {
        place(tab.sheet, display.left, display.top, sheetWidth, sheetHeight);
        place(tab.panel, 0, 0, sheetWidth, topHeight);
        place(tab.list, 0, topHeight, sheetWidth, sheetHeight - topHeight - statusHeight);
        place(tab.status, 0, sheetHeight - statusHeight, sheetWidth, statusHeight);
    }

    // The credit panel sits inside the bottom panel's one-pixel bevel.
    const int creditWidth = scale(kCreditPanelWidth);
    place(Panel2, client.right - 1 - creditWidth, 1, creditWidth, bottomHeight - 2);

    for (const Placement& placement : kPlacements) {
        const HWND control = this->*placement.control;
        if (placement.width == kAuto) {
            place(control, scale(placement.left), scale(placement.top), 0, 0);
            SetLabelCaption(control, WindowText(control));
        } else {
            place(control, scale(placement.left), scale(placement.top), scale(placement.width),
                  scale(placement.height));
        }
    }
}

void TForm1::SetLabelCaption(HWND label, std::string_view text)
{
    const std::wstring wide = Widen(text);
    SetWindowTextW(label, wide.c_str());
    if (!IsAutoSized(*this, label))
        return;
    const HDC dc = GetDC(label);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.empty() ? L" " : wide.c_str(), static_cast<int>(wide.empty() ? 1 : wide.size()),
                          &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, wide.empty() ? 0 : size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(label, nullptr, TRUE);
}

void TForm1::OnCommand(int id, int code, HWND control)
{
    (void)control;
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_BTNSTART1:
            btnStart1Click();
            return;
        case IDC_BTNSTART2:
            BtnStart2Click();
            return;
        case IDC_BTNXLS:
            BtnXLSClick();
            return;
        case IDC_BUTTON1:
            Button1Click();
            return;
        default:
            break;
        }
    }
    if (id == IDC_LABEL3 && code == STN_CLICKED)
        Label3Click();
}

LRESULT TForm1::OnNotify(const NMHDR& header)
{
    LRESULT result = 0;
    if (ListView.HandleNotify(header, result) || ListView1.HandleNotify(header, result))
        return result;
    if (header.hwndFrom == PageControl1 && header.code == TCN_SELCHANGE)
        PageControl1Change();
    else if (header.hwndFrom == ListView1.Handle() && header.code == NM_DBLCLK)
        listview1DblClick();
    else if (header.code == LVN_COLUMNCLICK) {
        // iSubItem is the column's own index, wherever its header was dragged.
        const int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem;
        if (header.hwndFrom == ListView.Handle())
            ListViewColumnClick(column);
        else if (header.hwndFrom == ListView1.Handle())
            ListView1ColumnClick(column);
    }
    return 0;
}

LRESULT TForm1::OnCtlColorStatic(HDC dc, HWND control)
{
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    if (control == LabelWait || control == LabelWait2 || control == LabelError)
        SetTextColor(dc, kRed);
    else if (control == Label3)
        SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
    else if (control == Label10)
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    else
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TForm1::OnTimer(UINT_PTR id)
{
    if (id == TIMER1)
        Timer1Timer();
    else if (id == TIMER2)
        Timer2Timer();
}

LRESULT TForm1::EditMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(window, seams_.prompter, [&]() -> LRESULT {
        switch (message) {
        case WM_GETDLGCODE: {
            // Enter belongs to the edit box, not to the dialog navigation.
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
                return Libraries().DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
            break;
        }
        case WM_KEYDOWN:
            if (window == Edit1)
                Edit1KeyDown(wParam);
            else
                Edit3KeyDown(wParam);
            break;
        case WM_CHAR:
            // A single-line edit box beeps at a carriage return.
            if (wParam == VK_RETURN)
                return 0;
            break;
        default:
            break;
        }
        return Libraries().DefSubclassProc(window, message, wParam, lParam);
    });
}

LRESULT TForm1::LinkMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(window, seams_.prompter, [&]() -> LRESULT {
        switch (message) {
        case WM_MOUSEMOVE:
            if (!linkHot_) {
                linkHot_ = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                Label3MouseEnter();
            }
            break;
        case WM_MOUSELEAVE:
            linkHot_ = false;
            Label3MouseLeave();
            break;
        default:
            break;
        }
        return Libraries().DefSubclassProc(window, message, wParam, lParam);
    });
}

// ---- Handlers ----

void TForm1::FormShow()
{
    // The panels paint their own button-face background (see panel_win.cpp).
    LoadSettings();
    FocusIfPossible(ActivePage() == 0 ? Edit1 : Edit3);
}

void TForm1::FormClose()
{
    SaveSettings();
}

void TForm1::PageControl1Change()
{
    const int page = ActivePage();
    ShowWindow(TabSheet1, page == 0 ? SW_SHOW : SW_HIDE);
    ShowWindow(TabSheet2, page == 1 ? SW_SHOW : SW_HIDE);
    FocusIfPossible(page == 0 ? Edit1 : Edit3);
}

void TForm1::Timer1Timer()
{
    SetStatusText(StatusBar1, 0, ElapsedText(ServerRun.ElapsedSeconds));
    ++ServerRun.ElapsedSeconds;
    if (ServerRun.QueryFinished.load() == 1)
        SetTimerEnabled(TIMER1, false);
}

void TForm1::Timer2Timer()
{
    SetStatusText(StatusBar2, 0, ElapsedText(WorkstationRun.ElapsedSeconds));
    ++WorkstationRun.ElapsedSeconds;
    if (WorkstationRun.QueryFinished.load() == 1)
        SetTimerEnabled(TIMER2, false);
}

void TForm1::Edit1KeyDown(WPARAM key)
{
    // While the tab's run goes on its start button is disabled: Enter starts nothing.
    if (key == VK_RETURN && IsWindowEnabled(btnStart1))
        btnStart1Click();
}

void TForm1::Edit3KeyDown(WPARAM key)
{
    if (key == VK_RETURN && IsWindowEnabled(BtnStart2))
        BtnStart2Click();
}

void TForm1::Label3MouseEnter()
{
    Application::Instance().SetCursorOverride(LoadCursorW(nullptr, IDC_HAND));
    SetCursor(Application::Instance().CursorOverride());
}

void TForm1::Label3MouseLeave()
{
    Application::Instance().SetCursorOverride(nullptr);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void TForm1::Label3Click()
{
    // Show the page without taking the focus from the current window.
    ShellExecuteW(Application::Instance().Handle(), nullptr, Widen(kPublisherUrl).c_str(), nullptr, nullptr,
                  SW_SHOWNOACTIVATE);
}


// ---- Helpers ----

int TForm1::ActivePage() const
{
    return static_cast<int>(SendMessageW(PageControl1, TCM_GETCURSEL, 0, 0));
}

void TForm1::SetActivePage(int index)
{
    SendMessageW(PageControl1, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowWindow(TabSheet1, index == 0 ? SW_SHOW : SW_HIDE);
    ShowWindow(TabSheet2, index == 1 ? SW_SHOW : SW_HIDE);
}

void TForm1::SetTimerEnabled(UINT_PTR timer, bool enabled)
{
    bool& state = timer == TIMER1 ? timer1Enabled_ : timer2Enabled_;
    // Enabling a running timer does not restart its second.
    if (state == enabled)
        return;
    state = enabled;
    if (enabled)
        SetTimer(Handle_, timer, 1000, nullptr);
    else
        KillTimer(Handle_, timer);
}

bool TForm1::TimerEnabled(UINT_PTR timer) const
{
    return timer == TIMER1 ? timer1Enabled_ : timer2Enabled_;
}

void TForm1::SetStatusText(HWND statusBar, int panel, std::string_view text)
{
    SendMessageW(statusBar, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void TForm1::FocusIfPossible(HWND control)
{
    if (IsWindowVisible(control) && IsWindowEnabled(control))
        SetFocus(control);
}

}  // namespace tav
