// The widgets of the main window on the virtual loop, against the simulated base station: every
// control reaches its command, nothing set from code runs a command, and what the window shows
// after a scan.
#include "MainWindow.h"
#include "SimLink.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

QColor lampColour(QWidget* lamp)
{
    return lamp->palette().color(QPalette::WindowText);
}

// The link controller, the window model and the widgets, with the base station on COM 7.
struct Window : ::testing::Test {
    void SetUp() override
    {
        l.bench.addBaseStation(7);
        w = std::make_unique<TfrmMain>(l.window, l.loop);
        w->show();
    }
    void fullScan()
    {
        w->action(QStringLiteral("SpTBXItemFullScan"))->trigger();
        ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && l.state.PadIds.count() == 12; }, 5000));
        l.bench.device().clearWrites();
    }
    void drain()
    {
        l.loop.RunFor(50);
        ASSERT_TRUE(l.loop.RunUntil([&] { return !l.form.COMTimer->enabled(); }, 10000));
        l.loop.RunFor(50);
    }
    template <typename T> T* get(const QString& name) const
    {
        T* widget = qobject_cast<T*>(w->widget(name));
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QString text(const QString& name) const { return w->caption(name); }
    QRadioButton* radio(const QString& group, int item) const
    {
        return get<QGroupBox>(group)->findChildren<QRadioButton*>().at(item);
    }
    QToolButton* toolButton(const QString& action) const
    {
        return w->findChild<QToolButton*>(action + QStringLiteral("Button"));
    }

    SimLink l;
    std::unique_ptr<TfrmMain> w;
};

TEST_F(Window, AFullScanFromTheToolbarShowsTheBaseStationAndTwelveGreenLamps)
{
    fullScan();
    EXPECT_EQ(text("lblFirmware"), "ERA400TRS-V1.02.3");
    EXPECT_EQ(text("lblPort"), "7");
    EXPECT_EQ(text("lblChannel"), "7");
    EXPECT_EQ(text("lblKVVer"), "912");
    for (int j = 0; j < 12; ++j) {
        EXPECT_EQ(lampColour(w->widget(QStringLiteral("LED%1").arg(j))), QColor(0, 255, 0)) << j;
        EXPECT_EQ(w->widget(QStringLiteral("JLab%1").arg(j))->cursor().shape(), Qt::PointingHandCursor) << j;
    }
    for (const char* name : {"SpTBXSubmenuItemScans", "SpTBXItemActivePort", "SpTBXItemHidden",
                             "SpTBXSubmenuItemCommand", "SpTBXItemEcho", "SpTBXCharTest"})
        EXPECT_TRUE(w->action(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_TRUE(w->widget(QStringLiteral("gbStatus"))->isEnabled());
    EXPECT_TRUE(get<QCheckBox>("chk1")->isChecked());
    EXPECT_TRUE(w->widget(QStringLiteral("rgCompatibility"))->isVisible());
    EXPECT_TRUE(radio("rgCompatibility", 1)->isChecked()); // "V2": 300 kHz
    EXPECT_TRUE(radio("rgBandwidth", 4)->isChecked());
    EXPECT_TRUE(w->widget(QStringLiteral("lblTime"))->isVisible());
    EXPECT_EQ(text("lblTime"), "0:00:22");
    EXPECT_EQ(get<QLineEdit>("edtCommand")->placeholderText(), "Enter a command");
    EXPECT_EQ(get<QAbstractItemView>("lbxLog")->model()->rowCount(), l.window.log.size());
}

struct ControlCase {
    const char* control;
    std::function<void(Window&)> operate;
    std::function<void(Window&)> expect;
};

class EveryControl : public Window, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(EveryControl, ReachesItsCommand)
{
    fullScan();
    GetParam().operate(*this);
    GetParam().expect(*this);
}

void trigger(Window& t, const char* action)
{
    t.w->action(QString::fromLatin1(action))->trigger();
    t.drain();
}

INSTANTIATE_TEST_SUITE_P(
    Widgets, EveryControl,
    ::testing::Values(
        ControlCase{"Lock", [](Window& t) { trigger(t, "SpTBXItemLock"); },
                    [](Window& t) { EXPECT_TRUE(t.l.bench.pad('5').locked()); }},
        ControlCase{"Unlock",
                    [](Window& t) {
                        trigger(t, "SpTBXItemLock");
                        trigger(t, "SpTBXItemUnlock");
                    },
                    [](Window& t) { EXPECT_FALSE(t.l.bench.pad('5').locked()); }},
        ControlCase{"Judge", [](Window& t) { trigger(t, "SpTBXItemJudge"); },
                    [](Window& t) { EXPECT_EQ(t.l.bench.pad('a').judgePrompt(), "Please enter    your Judge ID:"); }},
        ControlCase{"NextDive",
                    [](Window& t) {
                        t.l.state.CurrentPad = 3;
                        t.l.window.DoAward(QStringLiteral("7.5"));
                        trigger(t, "SpTBXItemNextDive");
                    },
                    [](Window& t) {
                        EXPECT_EQ(t.l.bench.pad('3').diveText(), "103B 3m    First Diver");
                        EXPECT_EQ(t.text("J3"), "");
                    }},
        ControlCase{"CharacterTest", [](Window& t) { trigger(t, "SpTBXCharTest"); },
                    [](Window& t) {
                        EXPECT_EQ(t.l.bench.pad('0').diveText(), "\xa0\xa1\xa2\xa3\xa4\xa5\xa6\xa7\xa8\xa9");
                        EXPECT_EQ(t.get<QLineEdit>("edtCommand")->text(), "170");
                    }},
        ControlCase{"EchoAndAbort",
                    [](Window& t) {
                        t.get<QSpinBox>("TestSpinEdit")->setValue(100);
                        t.w->action(QStringLiteral("SpTBXItemEcho"))->trigger();
                        EXPECT_TRUE(t.w->widget(QStringLiteral("ProgressBar"))->isVisible());
                        t.l.loop.RunFor(1000);
                        t.get<QPushButton>("btnAbort")->click();
                        ASSERT_TRUE(t.l.loop.RunUntil([&] { return !t.l.state.EchoTestActive; }, 10000));
                    },
                    [](Window& t) {
                        EXPECT_FALSE(t.w->widget(QStringLiteral("ProgressBar"))->isVisible());
                        EXPECT_LT(t.l.bench.pad('0').lastLoop().toInt(), 100); // ended early
                        EXPECT_NE(t.text("Pad0"), "0");                         // a report line
                    }},
        ControlCase{"SetChannel",
                    [](Window& t) {
                        t.get<QSpinBox>("ChannelSpinEdit")->setValue(3);
                        t.get<QPushButton>("btnSetChannel")->click();
                        t.drain();
                    },
                    [](Window& t) { EXPECT_EQ(t.l.bench.module().channel(), 3); }},
        ControlCase{"Reset",
                    [](Window& t) {
                        t.get<QSpinBox>("ChannelSpinEdit")->setValue(5);
                        t.get<QPushButton>("btnReset")->click();
                    },
                    [](Window& t) {
                        EXPECT_EQ(t.get<QSpinBox>("ChannelSpinEdit")->value(), 1);
                        ASSERT_FALSE(t.l.bench.device().writes().empty());
                        EXPECT_EQ(t.l.bench.device().writes().front().bytes, "ER_CMD#R1");
                    }},
        ControlCase{"SendCmd",
                    [](Window& t) {
                        QTest::keyClicks(t.get<QLineEdit>("edtCommand"), QStringLiteral("ER_CMD#C4"));
                        t.get<QPushButton>("btnCmd")->click();
                        t.drain();
                    },
                    [](Window& t) { EXPECT_EQ(t.l.bench.module().channel(), 4); }},
        ControlCase{"Bandwidth", [](Window& t) { t.radio(QStringLiteral("rgBandwidth"), 2)->click();
                        t.drain();
                    },
                    [](Window& t) { EXPECT_EQ(t.l.bench.module().bandwidthCode(), '2'); }},
        ControlCase{"CompatibilityV3", [](Window& t) { t.radio(QStringLiteral("rgCompatibility"), 0)->click();
                        t.drain();
                    },
                    [](Window& t) { EXPECT_EQ(t.l.bench.module().bandwidthCode(), '3'); }},
        ControlCase{"DcsOn", [](Window& t) { t.radio(QStringLiteral("rgDCS"), 0)->click();
                        t.drain();
                    },
                    [](Window& t) { EXPECT_TRUE(t.l.bench.module().dcs()); }},
        ControlCase{"Broadcast", [](Window& t) { t.get<QCheckBox>("chk1")->click(); },
                    [](Window& t) { EXPECT_FALSE(t.l.state.BroadcastMode); }},
        ControlCase{"Lamp", [](Window& t) { QTest::mouseClick(t.w->widget(QStringLiteral("LED10")), Qt::LeftButton); },
                    [](Window& t) {
                        EXPECT_EQ(lampColour(t.w->widget(QStringLiteral("LED10"))), QColor(255, 0, 0));
                        EXPECT_EQ(lampColour(t.w->widget(QStringLiteral("LED9"))), QColor(0, 255, 0));
                        t.drain();
                        ASSERT_EQ(t.l.bench.device().writes().size(), 1u);
                        EXPECT_EQ(t.l.bench.device().writes()[0].bytes, "\x02" "a\x1b" "3\x04");
                        EXPECT_EQ(lampColour(t.w->widget(QStringLiteral("LED10"))), QColor(0, 255, 0));
                    }},
        ControlCase{"JLabel",
                    [](Window& t) {
                        QTest::mouseClick(t.w->widget(QStringLiteral("JLab11")), Qt::LeftButton);
                        t.l.loop.RunFor(100);
                    },
                    [](Window& t) { EXPECT_EQ(t.text("lblEcho"), "cJ11  0<CR>"); }},
        ControlCase{"TestLoops", [](Window& t) { t.get<QSpinBox>("TestSpinEdit")->setValue(20); },
                    [](Window& t) { EXPECT_EQ(t.text("lblTime"), "0:00:45"); }}, // 43200 ms x 1.045
        ControlCase{"TestDelay", [](Window& t) { t.get<QSpinBox>("TestDelaySpinEdit")->setValue(300); },
                    [](Window& t) { EXPECT_EQ(t.text("lblTime"), "0:00:37"); }}, // 36000 ms x 1.045
        ControlCase{"Exit",
                    [](Window& t) {
                        bool closed = false;
                        t.w->onClose = [&closed] { closed = true; };
                        t.w->action(QStringLiteral("SpTBXItemExit"))->trigger();
                        EXPECT_TRUE(closed);
                        t.w->onClose = nullptr;
                    },
                    [](Window& t) { EXPECT_FALSE(t.w->isVisible()); }}),
    [](const auto& info) { return std::string(info.param.control); });

TEST_F(Window, SelectionsMadeFromCodeRunNoCommand)
{
    fullScan();
    l.window.rgDCS = 0; // as after the user chose "ON"
    l.state.BandwidthIndex = 1;
    l.state.BroadcastMode = false;
    l.window.Refresh();
    EXPECT_TRUE(radio("rgBandwidth", 1)->isChecked());
    EXPECT_TRUE(radio("rgCompatibility", 0)->isChecked());
    EXPECT_TRUE(radio("rgDCS", 0)->isChecked());
    EXPECT_FALSE(get<QCheckBox>("chk1")->isChecked());
    get<QSpinBox>("TestSpinEdit")->setValue(30); // a change runs DoTime only
    l.loop.RunFor(500);
    EXPECT_TRUE(l.bench.device().writes().empty());
    EXPECT_FALSE(l.state.BroadcastMode);
    EXPECT_EQ(l.bench.module().bandwidthCode(), '6');
    EXPECT_FALSE(l.bench.module().dcs());
}

TEST_F(Window, BeforeABaseStationIsFoundLampsAndJLabelsTakeNoClicks)
{
    l.window.ShowEcho(QStringLiteral("kept"));
    QTest::mouseClick(w->widget(QStringLiteral("LED10")), Qt::LeftButton);
    QTest::mouseClick(w->widget(QStringLiteral("JLab11")), Qt::LeftButton);
    l.loop.RunFor(500);
    EXPECT_TRUE(l.bench.device().writes().empty());
    EXPECT_EQ(text("lblEcho"), "kept");
    EXPECT_EQ(get<QLineEdit>("edtCommand")->placeholderText(), "");
}

TEST_F(Window, DeveloperControlsAreThereExactlyInDeveloperMode)
{
    for (const bool developer : {false, true}) {
        l.window.setDeveloperMode(developer);
        fullScan();
        QApplication::processEvents(); // the toolbar lays its items out from the event loop
        for (const char* name : {"btnCmd", "edtCommand", "rgBandwidth"})
            EXPECT_EQ(w->widget(QString::fromLatin1(name))->isVisible(), developer) << name;
        ASSERT_NE(toolButton(QStringLiteral("SpTBXCharTest")), nullptr);
        EXPECT_EQ(toolButton(QStringLiteral("SpTBXCharTest"))->isVisible(), developer);
        EXPECT_EQ(w->action(QStringLiteral("SpTBXCharTest"))->isEnabled(), developer);
    }
}

TEST_F(Window, TheLogPaneHasNoHeightUntilTheWindowGrows)
{
    auto* log = get<QAbstractItemView>("lbxLog");
    EXPECT_EQ(log->height(), 0);
    w->resize(829, 602);
    EXPECT_EQ(log->geometry(), QRect(8, 394, 498, 200));
    w->resize(1000, 402);
    EXPECT_EQ(log->height(), 0);
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("SpTBXToolbar1"))->width(), 1000); // the dock spans it

    l.window.LogLine(QStringLiteral("left from before"));
    fullScan();
    EXPECT_EQ(log->model()->rowCount(), l.window.log.size());
    EXPECT_EQ(log->model()->index(0, 0).data().toString(), "Start Full Scan");
}

TEST_F(Window, LogAndReportLinesAreInAFixedPitchFace)
{
    // Their columns line up only then, whichever face stands in for Courier New.
    EXPECT_TRUE(QFontInfo(w->widget(QStringLiteral("lbxLog"))->font()).fixedPitch());
    EXPECT_TRUE(QFontInfo(w->widget(QStringLiteral("Pad0"))->font()).fixedPitch());
}

TEST_F(Window, LongerTranslatedCaptionsAreShownWholeAndCoverNothingBesideThem)
{
    // Russian captions, longer than the English ones in any face.
    const auto ru = [](const char* utf8) { return QString::fromUtf8(utf8); };
    w->setCaption(QStringLiteral("Label19"), ru("Результаты теста"));
    auto* results = get<QLabel>("Label19");
    EXPECT_GE(results->width(), results->fontMetrics().horizontalAdvance(results->text()));

    struct Right {
        const char* label;
        const char* text;
        int leftLimit; // where the control to its left ends
    };
    for (const Right r : {Right{"Label9", "Длительность:", 677}, Right{"lblLoops", "Циклы теста", 537},
                          Right{"lbl12", "Версия прошивки:", 0}}) {
        auto* label = get<QLabel>(QString::fromLatin1(r.label));
        const int right = label->geometry().right();
        w->setCaption(QString::fromLatin1(r.label), ru(r.text));
        EXPECT_EQ(label->geometry().right(), right) << r.label;
        EXPECT_GT(label->geometry().left(), r.leftLimit) << r.label;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << r.label;
    }

    w->setCaption(QStringLiteral("Label7"), ru("Передача"));
    auto* sends = get<QLabel>("Label7");
    EXPECT_LE(sends->fontMetrics().horizontalAdvance(sends->text()), sends->width());
    w->setCaption(QStringLiteral("chk1"), ru("Широковещание"));
    auto* broadcast = get<QCheckBox>("chk1");
    EXPECT_LE(broadcast->fontMetrics().horizontalAdvance(broadcast->text()), broadcast->width() - 20);
    w->setCaption(QStringLiteral("rgDCS"), ru("Цифровое разделение каналов (см. Справку)"));
    auto* dcs = get<QGroupBox>("rgDCS");
    EXPECT_LE(dcs->fontMetrics().horizontalAdvance(dcs->title()), dcs->width() - 12);
    EXPECT_EQ(radio("rgDCS", 0)->font(), w->font()); // the title only

    // Toolbar items stay of one width when a caption changes.
    w->setCaption(QStringLiteral("SpTBXItemExit"), ru("Следующий\nпрыжок"));
    const int width = toolButton(QStringLiteral("SpTBXItemExit"))->width();
    for (const char* name : {"SpTBXSubmenuItemScans", "SpTBXItemNextDive", "SpTBXItemHelp", "SpTBXSubmenuItemLang"})
        EXPECT_EQ(toolButton(QString::fromLatin1(name))->width(), width) << name;
    EXPECT_GE(width, toolButton(QStringLiteral("SpTBXItemExit"))->sizeHint().width());
}

TEST_F(Window, RightAlignedLabelsEndBesideTheirFields)
{
    struct Pair {
        const char* label;
        const char* field;
    };
    for (const Pair p : {Pair{"lbl12", "lblFirmware"}, Pair{"Label6", "lblPort"}, Pair{"lbl15", "lblChannel"},
                         Pair{"lbl14", "ChannelSpinEdit"}, Pair{"lbl1", "lblKVVer"}, Pair{"lblLoops", "TestSpinEdit"},
                         Pair{"Label1", "TestDelaySpinEdit"}, Pair{"Label9", "lblTime"}}) {
        const QWidget* label = w->widget(QString::fromLatin1(p.label));
        const QWidget* field = w->widget(QString::fromLatin1(p.field));
        const int gap = field->geometry().left() - label->geometry().right();
        EXPECT_GE(gap, 1) << p.label;
        EXPECT_LE(gap, 6) << p.label;
    }
}

} // namespace
