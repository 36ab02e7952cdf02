// A report list whose rows the program holds (RowStore) and an owner-data
// list view shows: appending, clearing and re-ordering rows cost no window
// work per row, so 100,000 rows fill, sort and repaint at once.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/row_store.h"
#include "base/win32.h"

namespace tav {

struct ListColumn {
    const char* caption;  // UTF-8
    int width;            // pixels at 96 dpi
};

struct ListOptions {
    bool readOnly = true;         // false: captions can be edited in place
    bool headerDragDrop = false;  // columns can be re-ordered by dragging headers
};

class ResultList {
public:
    ResultList() = default;
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    void Create(HWND parent, int id, std::span<const ListColumn> columns, ListOptions options,
                int dpi);
    HWND Handle() const { return window_; }

    // The control learns of appended rows at the next message processing, in
    // one step however many rows came (per-row updates make a large fill slow).
    void Append(ResultRow row);
    void Clear();
    std::size_t Count() const { return store_.Count(); }
    const ResultRow& Row(std::size_t index) const { return store_.Row(index); }
    const RowStore& Store() const { return store_; }
    // Re-orders the held rows (a column sort); the selected row stays
    // selected where it lands.
    void Reorder(const std::function<void(std::vector<ResultRow>&)>& reorder);

    std::optional<std::size_t> Selected() const;
    void Select(std::size_t index);

    // The stored (design) order of the columns and their captions, whatever
    // place the user dragged them to.
    std::size_t ColumnCount() const { return columnCount_; }
    std::string ColumnCaption(std::size_t column) const;
    // The stored column of the header item at a position on screen.
    std::size_t ColumnAtPosition(int position) const;

    // Notifications the parent forwards (LVN_GETDISPINFOW, LVN_ENDLABELEDITW).
    // Returns true when handled, with the result in `result`.
    bool HandleNotify(const NMHDR& header, LRESULT& result);

private:
    void SyncCount();
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    bool syncPosted_ = false;
    RowStore store_;
    std::size_t columnCount_ = 0;
};

}  // namespace tav
