#include "tsquery/command_line.h"
#include "tsquery/server_name.h"

#include <gtest/gtest.h>

#include <string>

namespace tav::tsquery {
namespace {

TEST(CommandLine, IsTheQueryByteForByte)
{
    EXPECT_EQ(BuildCommandLine("192.168.0.10", "14.10.2016"),
              "powershell.exe Get-WinEvent -computername 192.168.0.10 -FilterHashtable "
              "@{ProviderName='Microsoft-Windows-TerminalServices-LocalSessionManager'; Id=21; "
              "starttime='14.10.2016'} | select-object TimeCreated, Message | Format-List");
}

TEST(ServerName, AcceptsHostNamesAndAddresses)
{
    for (const char* name : {"ts01", "TS-01", "ts01.corp.example.com", "192.168.0.10",
                             "fe80::1", "2001:db8:0:0:1:0:0:1", "build_server", "a"}) {
        EXPECT_TRUE(IsValidServerName(name)) << name;
    }
    EXPECT_TRUE(IsValidServerName(std::string(kMaxServerNameLength, 'a')));
}

TEST(ServerName, RefusesAnythingAShellCouldRead)
{
    for (const char* name :
         {"", " ts01", "ts01 ", "ts 01", "ts01;calc", "ts01|calc", "ts01&calc", "$env:x",
          "ts01'", "ts01\"", "(calc)", "`calc", "@{a=1}", "ts01{", "ts01}", "a,b", "a/b",
          "a\\b", "a>b", "a<b", "a#b", "a%b", "a*b", "a!b", "a=b", "a+b", "a\tb", "a\nb",
          "a\rb", "сервер", "ts\xC2\xA0" "01", "a\x7F"}) {
        EXPECT_FALSE(IsValidServerName(name)) << name;
    }
    EXPECT_FALSE(IsValidServerName(std::string("a\0b", 3)));
    EXPECT_FALSE(IsValidServerName(std::string(kMaxServerNameLength + 1, 'a')));
}

}  // namespace
}  // namespace tav::tsquery
