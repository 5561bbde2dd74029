#pragma once
#include "SortedTextList.h"

#include <QStringList>
#include <array>

enum class TextColour { WindowText, Red };

struct EchoCounters {
    int Replies = 0;
    int Resends = 0;
    int MissedReads = 0;
    int MissedSends = 0;
};

// The state of the radio link, shared by the link controller and the main window, which read
// and write it directly on the one thread.
struct LinkState {
    int BasePort = 0;            // COM number of the base station; 0 = none found
    QStringList PortList;        // available COM numbers of the last full scan, ascending
    QString PortText;
    QString BaseVersionText;
    QString ChannelText;
    int BandwidthIndex = 4;      // 12.5, 25, 50, 100, 300 kHz
    int VersionReplySize = 0;    // 26 in a scan, 27 for the second query of a non-ERA module
    bool BaseHasDCS = false;
    bool BaseIsEra = true;       // until the first valid version reply says otherwise
    bool BaseSupportsReset = true; // once false it stays false for the run
    bool BandwidthChecked = false;
    bool ChannelKnown = false;
    bool FirmwareQueryPending = false;
    SortedTextList PadIds;       // one ID character each; alphabet order
    SortedTextList PadVersions;  // distinct pad firmware versions; "0" = none reported
    QStringList SendQueue;       // pad frames waiting for COMTimer
    bool BroadcastMode = false;
    bool JudgeIdMode = false;
    int CurrentPad = 0;
    std::array<QString, 12> Awards;
    bool EchoTestActive = false;

    int EchoLoops = 0;
    int EchoLoop = 0;
    int EchoPadCursor = 0;
    QString EchoFrame;
    bool EchoReplied = false;
    bool EchoTimedOut = false;
    std::array<EchoCounters, 12> EchoStats;
    TextColour ReportColour = TextColour::WindowText;
};
