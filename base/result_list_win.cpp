#include "base/result_list_win.h"

#include <utility>
#include <vector>

#include "base/app_messages.h"
#include "base/prompter_win.h"
#include "base/system_dlls_win.h"
#include "base/text_win.h"
#include "base/window_instance_win.h"

namespace tav {

void ResultList::Create(HWND parent, int id, std::span<const ListColumn> columns,
                        ListOptions options, int dpi)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                  LVS_OWNERDATA | LVS_SINGLESEL;
    if (!options.readOnly)
        style |= LVS_EDITLABELS;
    window_ = CreateWindowExW(0, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
    DWORD exStyle = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    if (options.headerDragDrop)
        exStyle |= LVS_EX_HEADERDRAGDROP;
    SendMessageW(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, exStyle);
    Subclass<&ResultList::OnMessage>(window_, this);

    columnCount_ = columns.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring caption = Widen(columns[i].caption);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = caption.data();
        column.cx = MulDiv(columns[i].width, dpi, 96);
        column.iSubItem = static_cast<int>(i);
        SendMessageW(window_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void ResultList::Append(ResultRow row)
{
    store_.Append(std::move(row));
    if (!syncPosted_)
        syncPosted_ = PostMessageW(window_, WM_APP_SYNC_COUNT, 0, 0) != FALSE;
}

LRESULT ResultList::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(window, nullptr, [&]() -> LRESULT {
        if (message == WM_APP_SYNC_COUNT) {
            syncPosted_ = false;
            SyncCount();
            return 0;
        }
        if (message == WM_NCDESTROY)
            window_ = nullptr;
        return Libraries().DefSubclassProc(window, message, wParam, lParam);
    });
}

void ResultList::Clear()
{
    store_.Clear();
    SendMessageW(window_, LVM_SETITEMCOUNT, 0, 0);
}

void ResultList::Reorder(const std::function<void(std::vector<ResultRow>&)>& reorder)
{
    const std::optional<std::size_t> selected = Selected();
    std::optional<ResultRow> selectedRow;
    if (selected)
        selectedRow = store_.Row(*selected);
    reorder(store_.Rows());
    if (selectedRow) {
        const auto& rows = store_.Rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].caption == selectedRow->caption && rows[i].subItems == selectedRow->subItems) {
                Select(i);
                SendMessageW(window_, LVM_ENSUREVISIBLE, i, FALSE);
                break;
            }
        }
    }
    InvalidateRect(window_, nullptr, FALSE);
}

void ResultList::SyncCount()
{
    // Keeps the scroll position and repaints only what the new rows touch.
    SendMessageW(window_, LVM_SETITEMCOUNT, store_.Count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

std::optional<std::size_t> ResultList::Selected() const
{
    const LRESULT index = SendMessageW(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    if (index < 0 || static_cast<std::size_t>(index) >= store_.Count())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

void ResultList::Select(std::size_t index)
{
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(window_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

std::string ResultList::ColumnCaption(std::size_t column) const
{
    wchar_t text[256] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = static_cast<int>(std::size(text));
    if (!SendMessageW(window_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info)))
        return {};
    return Narrow(text);
}

std::size_t ResultList::ColumnAtPosition(int position) const
{
    std::vector<int> order(columnCount_);
    SendMessageW(window_, LVM_GETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    if (position < 0 || static_cast<std::size_t>(position) >= order.size())
        return static_cast<std::size_t>(position);
    return static_cast<std::size_t>(order[static_cast<std::size_t>(position)]);
}

bool ResultList::HandleNotify(const NMHDR& header, LRESULT& result)
{
    if (header.hwndFrom != window_)
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header));
        LVITEMW& item = info.item;
        if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0 &&
            item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < store_.Count()) {
            const std::wstring text = Widen(store_.Row(static_cast<std::size_t>(item.iItem))
                                                .Text(static_cast<std::size_t>(item.iSubItem)));
            lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_ENDLABELEDITW: {
        const auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
        // A null text means the edit was cancelled.
        const bool accepted = info.item.pszText != nullptr && info.item.iItem >= 0 &&
                              static_cast<std::size_t>(info.item.iItem) < store_.Count();
        if (accepted)
            store_.SetCaption(static_cast<std::size_t>(info.item.iItem), Narrow(info.item.pszText));
        result = accepted ? TRUE : FALSE;
        return true;
    }
    default:
        return false;
    }
}

}  // namespace tav
