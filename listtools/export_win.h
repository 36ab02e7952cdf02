// Export of a result list to a semicolon-separated file through the save
// dialog: the lines built in memory and written in one write, in the
// system's ANSI code page.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "base/prompter_win.h"
#include "base/result_list_win.h"
#include "base/win32.h"

namespace tav {

// The save dialog, behind a seam so tests can answer it.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // The chosen file's path, or nullopt when the user cancelled.
    virtual std::optional<std::wstring> Ask(HWND owner) = 0;
};

// GetSaveFileNameW: "Выгрузка в CSV файл", starting in the current directory,
// one filter for *.csv, default extension csv, read-only box hidden,
// resizable; no overwrite question; the working directory follows the
// chosen folder.
class CsvSaveDialog final : public SaveDialog {
public:
    std::optional<std::wstring> Ask(HWND owner) override;
};

// Exports `columns` (stored column indexes) of `list`. Shows "Нет данных для
// выгрузки!" for an empty list and "Выгрузка выполнена!" after a write; a file
// that cannot be created throws with "Cannot create file "<path>". <reason>".
void ExportList(HWND owner, const ResultList& list, std::span<const std::size_t> columns, SaveDialog& dialog,
                Prompter& prompter);

}  // namespace tav
