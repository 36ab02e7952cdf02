// Column sorting and export of both result lists; the logic is listtools'.
#include "app/unit1_win.h"
#include "base/datetime.h"
#include "listtools/csv_export.h"
#include "listtools/text_compare_win.h"

namespace tav {
namespace {

void SortList(ResultList& list, ListSortState& state, int column, SortKind kind)
{
    const DateTimeFormats formats = CurrentFormats();
    list.Reorder([&](std::vector<ResultRow>& rows) {
        SortOnColumnClick(state, rows, static_cast<std::size_t>(column), kind, CompareTextUserLocale,
                          [&](std::string_view text) { return ParseDateTime(text, formats); });
    });
}

}  // namespace

void TForm1::ListViewColumnClick(int column)
{
    SortList(ListView, ServerSort, column, column == 0 ? SortKind::DateTime : SortKind::Text);
}

void TForm1::ListView1ColumnClick(int column)
{
    SortList(ListView1, WorkstationSort, column, column == 1 ? SortKind::DateTime : SortKind::Text);
}

void TForm1::BtnXLSClick()
{
    ExportList(Handle_, ListView, kTerminalServerCsvColumns, *seams_.saveDialog, Prompts());
}

void TForm1::Button1Click()
{
    ExportList(Handle_, ListView1, kWorkstationCsvColumns, *seams_.saveDialog, Prompts());
}

}  // namespace tav
