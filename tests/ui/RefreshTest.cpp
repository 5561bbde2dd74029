// What the window shows for a link state: Refresh, DoTime, DoAward, ReSetLEDs, on the model alone.
#include "LinkState.h"
#include "LocaleFacts.h"
#include "TestMessages.h"
#include "WindowModel.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct Model {
    explicit Model(QString timeSeparator = QStringLiteral(":"))
        : locale(QStringLiteral("."), std::move(timeSeparator)), window(state, locale, messages)
    {
    }
    void pads(std::initializer_list<const char*> ids)
    {
        for (const char* id : ids)
            state.PadIds.add(QString::fromLatin1(id));
    }

    LinkState state;
    FixedLocaleFacts locale;
    TestMessages messages;
    WindowModel window;
};

struct SummaryCase {
    std::vector<const char*> versions; // in the order the pads reported them
    const char* summary;
};

class FirmwareSummary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(FirmwareSummary, FollowsTheSortedVersionList)
{
    Model m;
    for (const char* v : GetParam().versions)
        m.state.PadVersions.add(QString::fromLatin1(v));
    m.window.Refresh();
    EXPECT_EQ(m.window.lblKVVer, QString::fromLatin1(GetParam().summary));
}

INSTANTIATE_TEST_SUITE_P(
    Refresh, FirmwareSummary,
    ::testing::Values(SummaryCase{{}, ""}, SummaryCase{{"0"}, "<pre 910>"}, SummaryCase{{"912"}, "912"},
                      SummaryCase{{"912", "0"}, "<pre 910>, 912"},      // "0" sorts first
                      SummaryCase{{"912", "1002"}, "1002, 912"},         // text order, not numbers
                      SummaryCase{{"0", "912", "1002"}, "<pre 910>, 1002, 912"},
                      SummaryCase{{"00"}, "00"},                          // only "0" itself is old
                      SummaryCase{{"912", "912"}, "912"}));                 // duplicates ignored

TEST(Refresh, CompatibilityFollowsTheBandwidth)
{
    const int expected[] = {0, 0, 0, 0, 1}; // 12.5 to 100 kHz show "V3", 300 kHz "V2"
    for (int bandwidth = 0; bandwidth <= 4; ++bandwidth) {
        Model m;
        m.state.BandwidthIndex = bandwidth;
        m.window.Refresh();
        EXPECT_EQ(m.window.rgBandwidth, bandwidth);
        EXPECT_EQ(m.window.rgCompatibility, expected[bandwidth]) << bandwidth;
    }
}

struct StateCase {
    const char* what;
    int basePort;
    bool hasDcs;
    int pads;
    bool developer;
    // Expected, in the order of WindowModel::RefreshedControls().
    bool activePort, hidden, status, command, sendCmd, dcs, padCommands, echo, charTest;
};

class RefreshDerives : public ::testing::TestWithParam<StateCase> {};

TEST_P(RefreshDerives, EnabledStatesCueAndTime)
{
    const StateCase& c = GetParam();
    Model m;
    m.window.setDeveloperMode(c.developer);
    m.state.BasePort = c.basePort;
    m.state.BaseHasDCS = c.hasDcs;
    const char* ids[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "c"};
    for (int i = 0; i < c.pads; ++i)
        m.state.PadIds.add(QString::fromLatin1(ids[i]));
    m.window.Refresh();

    const bool expected[] = {c.activePort, c.hidden, c.status,  c.command, c.sendCmd,
                             c.dcs,        c.padCommands, c.echo, c.charTest, true};
    const QStringList& names = WindowModel::RefreshedControls();
    ASSERT_EQ(names.size(), 10);
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(m.window.enabled(names[i]), expected[i]) << names[i].toStdString();
    EXPECT_EQ(m.window.PadCount, c.pads);
    EXPECT_EQ(m.window.PadsFound(), c.pads > 0);
    EXPECT_EQ(m.window.lblTimeVisible, c.pads > 0);
    EXPECT_EQ(m.window.edtCommandCue, c.basePort > 0 ? QStringLiteral("Enter a command") : QString());
}

INSTANTIATE_TEST_SUITE_P(
    Refresh, RefreshDerives,
    ::testing::Values(
        // what, port, DCS, pads, developer: ActivePort Hidden gbStatus edtCommand btnCmd rgDCS Commands Echo CharTest
        StateCase{"nothing found", 0, false, 0, true, false, false, false, false, false, false, false, false, false},
        StateCase{"base station only", 7, false, 0, true, true, true, true, true, true, false, false, false, false},
        StateCase{"pads, user", 7, true, 12, false, true, true, true, true, true, true, true, true, false},
        StateCase{"pads, developer", 7, true, 12, true, true, true, true, true, true, true, true, true, true},
        StateCase{"pads left from a lost line", 0, true, 3, true, false, false, false, false, false, true, true, true,
                  true}),
    [](const auto& info) {
        QString name = QString::fromLatin1(info.param.what);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z]")), QString());
        return name.toStdString();
    });

TEST(Refresh, OverwritesWhatTheUserLeftInTheWindow)
{
    for (const bool era : {true, false}) {
        Model m;
        m.state.BaseIsEra = era;
        m.state.VersionReplySize = 27; // the second version query is done
        m.state.BaseVersionText = QStringLiteral("ERA400TRS-V1.02.3");
        m.state.PortText = QStringLiteral("7");
        m.state.ChannelText = QStringLiteral("3");
        m.state.BroadcastMode = true;
        m.window.ChannelSpinEdit = 5; // typed, not yet set
        m.window.ShowEcho(QStringLiteral("cJ11  0<CR>"));
        m.window.chk1 = false;
        m.window.Refresh();
        EXPECT_EQ(m.window.ChannelSpinEdit, era ? 1 : 7);
        EXPECT_EQ(m.window.rgCompatibilityVisible, era);
        EXPECT_TRUE(m.window.lblEcho.isEmpty());
        EXPECT_TRUE(m.window.chk1);
        EXPECT_EQ(m.window.lblFirmware, "ERA400TRS-V1.02.3");
        EXPECT_EQ(m.window.lblPort, "7");
        EXPECT_EQ(m.window.lblChannel, "3");
    }
}

TEST(Refresh, LeavesLampsAwardsReportAndDcsChoiceAlone)
{
    Model m;
    m.window.SetPadAnswered(4);
    m.state.CurrentPad = 4;
    m.window.DoAward(QStringLiteral("7.5"));
    m.window.SetReportLine(4, QStringLiteral("4    10     0     0     0"), TextColour::Red);
    m.window.rgDCS = 1;
    m.window.Refresh();
    EXPECT_TRUE(m.window.lampGreen[4]);
    EXPECT_EQ(m.window.awards[4], "7.5");
    EXPECT_EQ(m.window.reportText[4], "4    10     0     0     0");
    EXPECT_EQ(m.window.rgDCS, 1);
}

struct TimeCase {
    int delay, loops, pads;
    const char* separator;
    const char* shown;
};

class DurationEstimate : public ::testing::TestWithParam<TimeCase> {};

TEST_P(DurationEstimate, IsShownInHoursMinutesAndSeconds)
{
    const TimeCase& c = GetParam();
    Model m(QString::fromLatin1(c.separator));
    const char* ids[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "c"};
    for (int i = 0; i < c.pads; ++i)
        m.state.PadIds.add(QString::fromLatin1(ids[i]));
    m.window.Refresh(); // PadCount
    m.window.TestDelaySpinEditChange(c.delay);
    m.window.TestSpinEditChange(c.loops);
    EXPECT_EQ(m.window.lblTime, QString::fromLatin1(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    DoTime, DurationEstimate,
    ::testing::Values(TimeCase{180, 10, 1, ":", "0:00:01"},       // 1880 ms; the milliseconds never carry
                      TimeCase{180, 10, 12, ":", "0:00:22"},      // 22572 ms
                      TimeCase{300, 10000, 12, ":", "10:27:00"},  // at this size rounding lands on 37620000
                      TimeCase{200, 1000, 1, ":", "0:03:28"},     // 209000 in decimal, 208999 here
                      TimeCase{130, 1, 1, ":", "0:00:00"},
                      TimeCase{180, 10, 0, ":", "0:00:00"},       // no pads, estimate hidden but kept
                      TimeCase{200, 300, 12, ":", "0:12:32"},     // 752400 ms
                      TimeCase{180, 10, 12, ".", "0.00.22"},      // the locale's separator
                      TimeCase{300, 10000, 12, ".", "10.27.00"},
                      TimeCase{5, 10000, 12, ":", "4:31:41"},     // a delay below its range counts as 130
                      TimeCase{900, 20000, 12, ":", "10:27:00"})); // both above their ranges

TEST(DoAward, WritesTheLabelOfCurrentPadOnly)
{
    struct Case {
        int pad;
        int label; // -1: none
    };
    for (const Case c : {Case{0, 0}, Case{9, 9}, Case{10, 10}, Case{11, 11}, Case{-1, -1}, Case{12, -1}}) {
        Model m;
        m.state.CurrentPad = c.pad;
        m.window.DoAward(QStringLiteral("9.5"));
        for (int j = 0; j < 12; ++j)
            EXPECT_EQ(m.window.awards[std::size_t(j)], j == c.label ? QStringLiteral("9.5") : QString())
                << "pad " << c.pad << " label J" << j;
    }
}

TEST(ReSetLEDs, TurnsEveryLampRedAndChangesNothingElse)
{
    Model m;
    m.pads({"0", "3", "c"});
    m.state.PadVersions.add(QStringLiteral("912"));
    m.window.Refresh();
    for (const int j : {0, 3, 11})
        m.window.SetPadAnswered(j);
    m.state.CurrentPad = 3;
    m.window.DoAward(QStringLiteral("8.0"));

    m.window.ReSetLEDs();
    for (int j = 0; j < 12; ++j) {
        EXPECT_FALSE(m.window.lampGreen[std::size_t(j)]) << j;
        EXPECT_FALSE(m.window.handCursor[std::size_t(j)]) << j;
    }
    EXPECT_EQ(m.state.PadIds.count(), 3);
    EXPECT_EQ(m.state.PadVersions.count(), 1);
    EXPECT_EQ(m.window.awards[3], "8.0");
    EXPECT_TRUE(m.window.enabled(QStringLiteral("SpTBXItemEcho")));
    EXPECT_EQ(m.window.lblKVVer, "912");
}

} // namespace
