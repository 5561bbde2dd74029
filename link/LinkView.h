#pragma once
#include "LinkState.h"

#include <QString>

// The main window as the link controller sees it. Implemented by the widgets, by the console
// front end, and by a recorder in tests.
class LinkView {
public:
    virtual ~LinkView() = default;

    virtual void LogLine(const QString& line) = 0;
    // Brings the whole window in line with the link state.
    virtual void Refresh() = 0;
    // Shows an award or judge ID in the award label of CurrentPad.
    virtual void DoAward(const QString& text) = 0;
    // Lamp j turns lime green and J-label j shows the hand point.
    virtual void SetPadAnswered(int j) = 0;
    virtual void ShowEcho(const QString& text) = 0; // lblEcho
    // A report line's text, its colour unchanged.
    virtual void SetReportText(int j, const QString& text) = 0;
    virtual void SetReportLine(int j, const QString& text, TextColour colour) = 0;
    virtual void SetProgressMax(int max) = 0;
    virtual void StepProgress() = 0;
    virtual void HideProgress() = 0;
    virtual int TestDelay() const = 0;  // TestDelaySpinEdit, ms
    virtual bool PadsFound() const = 0; // at the last Refresh
    virtual void SetBusyCursor(bool busy) = 0;
    virtual void SetMonitoring(bool on) = 0; // the status lights follow the port
    virtual void ShowInformation(const QString& text) = 0;
    // The general error handler caught text: one line for the user, never a dialog.
    virtual void ReportError(const QString& text) = 0;
};
