#include "Languages.h"

#include <gtest/gtest.h>

namespace {

struct LocaleCase {
    const char* locale;
    int language;
};

class InitialLanguageTest : public testing::TestWithParam<LocaleCase> {};

TEST_P(InitialLanguageTest, FollowsThePrimaryLanguageOfTheLocale)
{
    const QLocale locale(QString::fromLatin1(GetParam().locale));
    EXPECT_EQ(initialLanguage(locale.language()), GetParam().language) << GetParam().locale;
}

INSTANTIATE_TEST_SUITE_P(
    Locales, InitialLanguageTest,
    testing::Values(LocaleCase{"en_GB", 1}, LocaleCase{"nl_BE", 2}, LocaleCase{"fr_CA", 3},
                    LocaleCase{"de_AT", 4}, LocaleCase{"de_DE", 4}, LocaleCase{"es_MX", 5},
                    LocaleCase{"it_CH", 6}, LocaleCase{"hr_HR", 7},
                    // Serbian and Bosnian share Croatian's primary language.
                    LocaleCase{"sr_Latn_RS", 7}, LocaleCase{"sr_Cyrl_RS", 7}, LocaleCase{"bs_BA", 7},
                    LocaleCase{"tr_TR", 8}, LocaleCase{"da_DK", 9}, LocaleCase{"sv_FI", 10},
                    LocaleCase{"ru_RU", 11}, LocaleCase{"pl_PL", 12}, LocaleCase{"zh_CN", 13},
                    LocaleCase{"zh_TW", 13}, LocaleCase{"nb_NO", 14}, LocaleCase{"nn_NO", 14},
                    // Catalan and Hungarian have translations but are reached only from the menu.
                    LocaleCase{"ca_ES", 1}, LocaleCase{"hu_HU", 1},
                    LocaleCase{"pt_BR", 1}, LocaleCase{"ja_JP", 1}, LocaleCase{"C", 1}));

} // namespace
