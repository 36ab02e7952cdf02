#include "listtools/export_win.h"

#include <commdlg.h>

#include <stdexcept>
#include <vector>

#include "base/handles_win.h"
#include "base/system_dlls_win.h"
#include "base/text_win.h"
#include "listtools/csv_export.h"

namespace tav {

std::optional<std::wstring> CsvSaveDialog::Ask(HWND owner)
{
    std::wstring directory(MAX_PATH, L'\0');
    directory.resize(GetCurrentDirectoryW(MAX_PATH, directory.data()));
    std::wstring title = Widen("Выгрузка в CSV файл");
    static const wchar_t kFilter[] = L"CSV (Comma-Separated Values) (*.csv)\0*.csv\0";
    std::vector<wchar_t> file(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = directory.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"csv";
    // The current folder stays where it is: the program runs elevated, and
    // nothing should be looked for in a folder the user once saved to.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!Libraries().GetSaveFileNameW(&dialog))
        return std::nullopt;
    return std::wstring(file.data());
}

void ExportList(HWND owner, const ResultList& list, std::span<const std::size_t> columns, SaveDialog& dialog,
                Prompter& prompter)
{
    if (list.Count() == 0) {
        prompter.ShowMessage(owner, "Нет данных для выгрузки!");
        return;
    }
    const std::optional<std::wstring> path = dialog.Ask(owner);
    if (!path)
        return;
    // The header in the stored order of the columns, the order of the row
    // fields, wherever the user dragged the headers.
    std::vector<std::string> header;
    for (const std::size_t column : columns)
        header.push_back(list.ColumnCaption(column));
    const std::string bytes = ToCodePage(BuildCsv(header, list.Store().Rows(), columns, list.Count()), CP_ACP);

    UniqueHandle file(CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        throw std::runtime_error("Cannot create file \"" + Narrow(*path) + "\". " + ErrorText(error));
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        const DWORD error = GetLastError();
        throw std::runtime_error("Cannot write file \"" + Narrow(*path) + "\". " + ErrorText(error));
    }
    file.Reset();
    prompter.ShowMessage(owner, "Выгрузка выполнена!");
}

}  // namespace tav
