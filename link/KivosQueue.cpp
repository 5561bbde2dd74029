// The outgoing frame queue: one pad frame per COMTimer tick, and a refresh when a burst ends.
#include "Kivos.h"

#include "LinkView.h"
#include "WindowTimer.h"
#include "Wire.h"

void TKivosForm::StartQueue(int interval)
{
    COMTimer->setInterval(interval);
    COMTimer->setEnabled(true);
}

void TKivosForm::COMTimerTimer()
{
    if (s_.SendQueue.isEmpty()) {
        COMTimer->setEnabled(false);
        COMTimer->setInterval(wire::ScanPace);
        DoRefresh();
        view_.SetBusyCursor(false);
        return;
    }
    const QString frame = s_.SendQueue.takeFirst();
    const int j = frame.size() > 1 ? wire::JNumber(frame.at(1)) : -1;
    Log(Port() + QStringLiteral(" --> Hello J") + QString::number(j));
    ComPort.Write(frame);
}

void TKivosForm::DoRefresh()
{
    s_.BroadcastMode = false;
    if (s_.PortList.isEmpty())
        s_.PortText = Message("IDS_101");
    if (!s_.PadVersions.isEmpty()) {
        s_.BroadcastMode = true;
        for (const QString& version : s_.PadVersions) {
            bool number = false;
            const int value = version.toInt(&number);
            // A version that is not a number counts as an old pad.
            if (!number || value < 910)
                s_.BroadcastMode = false;
        }
    }
    view_.Refresh();
}
