#pragma once
// A link controller on the virtual loop with the window model as its view, and a scripted
// device whose replies a test writes by hand.
#include "Kivos.h"
#include "LocaleFacts.h"
#include "TestMessages.h"
#include "PortCatalog.h"
#include "VirtualEventLoop.h"
#include "VirtualSerialDevice.h"
#include "WindowModel.h"

#include <QStringList>
#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// Remembers what the program sent and answers only what the test tells it to.
class ScriptedPeer : public SerialPeer {
public:
    void receive(char byte, VirtualSerialDevice& line) override
    {
        line_ = &line;
        received.append(byte);
    }
    void opened(VirtualSerialDevice& line) override
    {
        line_ = &line;
        ++opens;
    }
    void send(const QByteArray& bytes)
    {
        if (line_)
            line_->peerSend(*this, bytes);
    }
    QByteArray received;
    int opens = 0;

private:
    VirtualSerialDevice* line_ = nullptr;
};

struct LinkBench {
    explicit LinkBench(const QString& decimalSeparator = QStringLiteral("."))
        : locale(decimalSeparator), window(state, locale, messages)
    {
        form.FormCreate();
        window.setLink(&form);
    }

    // COM n served by peer (device path /dev/simN).
    void plug(int com, SerialPeer& peer)
    {
        const QString path = QStringLiteral("/dev/sim%1").arg(com);
        board.plug(path, peer);
        catalog.set(com, path);
    }
    void plugRefusing(int com)
    {
        const QString path = QStringLiteral("/dev/sim%1").arg(com);
        board.plugRefusing(path);
        catalog.set(com, path);
    }
    // Opens COM n directly, as if a scan had left the port there.
    void openOn(int com)
    {
        form.ComPort.setComNumber(com);
        form.ComPort.Open();
    }
    QStringList writesAsText() const
    {
        QStringList out;
        for (const auto& w : device.writes())
            out << QString::fromLatin1(w.bytes);
        return out;
    }
    void run(qint64 ms) { loop.RunFor(ms); }

    VirtualEventLoop loop{0};
    VirtualPortBoard board;
    VirtualSerialDevice device{loop, board};
    FixedPortCatalog catalog;
    FixedLocaleFacts locale;
    TestMessages messages;
    LinkState state;
    WindowModel window;
    TKivosForm form{LinkPlatform{loop, device, catalog, locale, messages}, state, window};
};

// A bench whose COM com is open on a scripted peer, as a scan would have left it.
struct OpenBench : LinkBench {
    explicit OpenBench(int com = 4, const QString& decimalSeparator = QStringLiteral("."))
        : LinkBench(decimalSeparator)
    {
        plug(com, peer);
        openOn(com);
    }
    ScriptedPeer peer;
};

// Control characters spelled out, for readable expectations.
inline QByteArray bytes(const char* spelled)
{
    QByteArray out;
    for (const char* p = spelled; *p; ++p) {
        if (*p == '<') {
            const char* close = p;
            while (*close && *close != '>')
                ++close;
            const QByteArray name(p + 1, int(close - p - 1));
            if (name == "STX") out += '\x02';
            else if (name == "EOT") out += '\x04';
            else if (name == "ACK") out += '\x06';
            else if (name == "SUB") out += '\x1a';
            else if (name == "ESC") out += '\x1b';
            else out += "<" + name + ">";
            p = close;
        } else {
            out += *p;
        }
    }
    return out;
}
