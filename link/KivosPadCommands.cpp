// Commands to every registered pad: keyboard lock, judge-ID request, dives.
#include "Kivos.h"

#include "Wire.h"

void TKivosForm::KbdLocked(bool Lock)
{
    for (const QString& id : s_.PadIds)
        AddSendQueue(wire::lockFrame(id.at(0), Lock));
    StartQueue(wire::CommandPace);
}

void TKivosForm::RequestJudgeIDs()
{
    EnsurePadFrames();
    s_.JudgeIdMode = true;
    for (const QString& id : s_.PadIds)
        AddSendQueue(wire::judgeIdRequestFrame(id.at(0)));
    StartQueue(wire::CommandPace);
    s_.Awards.fill(QString());
}

void TKivosForm::SendDive(const QString& DiveStr)
{
    EnsurePadFrames();
    s_.JudgeIdMode = false;
    if (s_.BroadcastMode) {
        AddSendQueue(wire::broadcastDiveFrame(DiveStr));
    } else {
        for (const QString& id : s_.PadIds)
            AddSendQueue(wire::diveFrame(id.at(0), DiveStr));
    }
    StartQueue(wire::CommandPace);
    s_.Awards.fill(QString());
}
