#pragma once
#include "LinkView.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <map>

class TKivosForm;
class LocaleFacts;
class MessageSource;
struct LinkState;

// What the main window shows and what each of its commands does, without widgets. The widgets
// and the console front end apply it; the link controller talks to it as its view.
class WindowModel : public LinkView {
public:
    // Notified after every change, so that a front end can apply it.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void logLine(const QString&) {}
        virtual void logCleared() {}
        virtual void refreshed() {}
        virtual void lampChanged(int /*j*/) {}
        virtual void awardChanged(int /*j*/) {}
        virtual void echoTextChanged() {}
        virtual void reportChanged(int /*j*/) {}
        virtual void progressChanged() {}
        virtual void timeChanged() {}
        virtual void cursorChanged() {}
        virtual void monitoringChanged() {}
        virtual void message(const QString&) {}
        virtual void error(const QString&) {}
    };

    static const std::array<QString, 10>& SampleDives();

    WindowModel(LinkState& state, const LocaleFacts& locale, const MessageSource& messages);

    void setLink(TKivosForm* link) { link_ = link; }
    void setObserver(Observer* observer) { observer_ = observer; }
    void setDeveloperMode(bool on);
    bool DeveloperMode() const { return developerMode_; }

    // The display.
    QString lblFirmware, lblPort, lblChannel, lblKVVer, lblEcho, lblTime;
    QString edtCommand, edtCommandCue;
    bool lblTimeVisible = false;
    int rgBandwidth = 4;
    int rgCompatibility = 1;
    bool rgCompatibilityVisible = false;
    int rgDCS = -1; // nothing selected
    bool chk1 = false;
    int ChannelSpinEdit = 1;
    int TestSpinEdit = 10;
    int TestDelaySpinEdit = 180;
    std::array<QString, 12> awards;       // J0..J11
    std::array<bool, 12> lampGreen{};     // LED0..LED11
    std::array<bool, 12> handCursor{};    // JLab0..JLab11
    std::array<QString, 12> reportText;   // Pad0..Pad11
    std::array<TextColour, 12> reportColour{};
    int progressMax = 0;
    int progressPosition = 0;
    bool progressVisible = false;
    bool busy = false;
    bool monitoring = false;
    QStringList log;
    int PadCount = 0;

    bool enabled(const QString& control) const;
    bool visible(const QString& control) const;
    // Names of the controls whose enabled state Refresh sets, in a stable order.
    static const QStringList& RefreshedControls();

    // LinkView.
    void LogLine(const QString& line) override;
    void Refresh() override;
    void DoAward(const QString& text) override;
    void SetPadAnswered(int j) override;
    void ShowEcho(const QString& text) override;
    void SetReportText(int j, const QString& text) override;
    void SetReportLine(int j, const QString& text, TextColour colour) override;
    void SetProgressMax(int max) override;
    void StepProgress() override;
    void HideProgress() override;
    int TestDelay() const override { return TestDelaySpinEdit; }
    bool PadsFound() const override { return padsFound_; }
    void SetBusyCursor(bool on) override;
    void SetMonitoring(bool on) override;
    void ShowInformation(const QString& text) override;
    void ReportError(const QString& text) override;

    void ReSetLEDs();
    void DoTime();

    // Commands, as the controls fire them.
    void SpTBXItemFullScanClick();
    void SpTBXItemActivePortClick();
    void SpTBXItemHiddenClick();
    void SpTBXItemNextDiveClick();
    void SpTBXItemJudgeClick();
    void SpTBXItemLockClick();
    void SpTBXItemUnlockClick();
    void SpTBXItemEchoClick();
    void SpTBXCharTestClick();
    void BtnAbortClick();
    void BtnSetChannelClick();
    void BtnResetClick();
    void BtnCmdClick();
    void RgBandwidthClick(int index);
    void RgCompatibilityClick(int index);
    void RgDCSClick(int index);
    void Chk1Click(bool checked);
    void LEDClick(int j);
    void JLabClick(int j);
    void TestSpinEditChange(int value);
    void TestDelaySpinEditChange(int value);
    void ClearLog();

    int SampleDiveIndex = 0;

private:
    void setEnabled(const QString& control, bool on) { enabled_[control] = on; }
    void clearEcho();
    template <typename F> void notify(F&& f)
    {
        if (observer_)
            f(*observer_);
    }

    LinkState& s_;
    const LocaleFacts& locale_;
    const MessageSource& messages_;
    TKivosForm* link_ = nullptr;
    Observer* observer_ = nullptr;
    std::map<QString, bool> enabled_;
    bool developerMode_ = false;
    bool padsFound_ = false;
};
