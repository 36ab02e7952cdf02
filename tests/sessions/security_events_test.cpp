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

// The comparisons that fold without building texts agree with FoldCase,
// bytes that are no UTF-8 included.
TEST(FoldCase, ComparedInPlaceAsWhenBuilt)
{
    const char* const texts[] = {"S-1-5-18", "s-1-5-18", "S-1-5-90-0-1", "S-1-5-9", "", "АДМИН", "админ", "ÀÉ",
                                 "àé", "Ѐ", "ѐ", "a\xFF" "b", "A\xFE" "B", "\xC3", "s-1-5-18\xFF"};
    for (const char* a : texts) {
        for (const char* b : texts) {
            SCOPED_TRACE(std::string(a) + " / " + b);
            EXPECT_EQ(SameFolded(a, b), FoldCase(a) == FoldCase(b));
            EXPECT_EQ(FoldedStartsWith(a, FoldCase(b)), FoldCase(a).rfind(FoldCase(b), 0) == 0);
        }
    }
}

}  // namespace
}  // namespace tav::sessions
