#include "tsquery/command_line.h"

namespace tav::tsquery {

std::string BuildCommandLine(std::string_view server, std::string_view startDateText)
{
    std::string line = "powershell.exe Get-WinEvent -computername ";
    line += server;
    line += " -FilterHashtable "
            "@{ProviderName='Microsoft-Windows-TerminalServices-LocalSessionManager'; Id=21; "
            "starttime='";
    line += startDateText;
    line += "'} | select-object TimeCreated, Message | Format-List";
    return line;
}

}  // namespace tav::tsquery
