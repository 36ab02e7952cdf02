// The text rules shared by logon sessions and failed logons.
#include "sessions/security_events.h"

#include <gtest/gtest.h>

namespace tav::sessions {
namespace {

TEST(MatchesUser, NameAloneOrDomainAndNameInAnyCase)
{
    const struct {
        const char* wanted;
        const char* user;
        const char* domain;
        bool matches;
    } cases[] = {
        {"Administrator", "administrator", "C137", true},
        {"c137\\ADMINISTRATOR", "Administrator", "C137", true},
        {"C137\\Administrator", "Administrator", "OTHER", false},
        {"C137\\Administrator", "Admin", "C137", false},
        // A record without a domain (guessed passwords often carry none)
        // is matched by its name alone.
        {"C137\\Administrator", "administrator", "", true},
        {"C137\\Administrator", "Administrator", "-", true},
        {"C137\\Администратор", "АДМИНИСТРАТОР", "", true},
        {"C137\\Administrator", "Admin", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.wanted) + " / " + c.domain + "\\" + c.user);
        EXPECT_EQ(MatchesUser(c.wanted, c.user, c.domain), c.matches);
    }
}

}  // namespace
}  // namespace tav::sessions
