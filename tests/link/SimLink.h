#pragma once
// The link controller and the window model on the virtual loop, against the simulated base
// station and pads.
#include "Bench.h"
#include "Kivos.h"
#include "LocaleFacts.h"
#include "TestMessages.h"
#include "VirtualEventLoop.h"
#include "WindowModel.h"

#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

struct SimLink {
    explicit SimLink(sim::StationConfig config = {}, std::uint64_t seed = 1, QString decimal = QStringLiteral("."))
        : bench(loop, std::move(config), seed), locale(std::move(decimal)), window(state, locale, messages)
    {
        form.FormCreate();
        window.setLink(&form);
        window.setDeveloperMode(true);
    }

    // What a test waits for: the window refreshed with the Scans menu back (a scan has ended).
    bool scanEnded() const { return !window.busy && window.enabled(QStringLiteral("SpTBXSubmenuItemScans")); }

    // The log of an echo test (the window empties it at the start) without the time stamps,
    // the last 8 characters of every line.
    QStringList logWithoutStamps() const
    {
        QStringList out;
        for (const QString& line : window.log)
            out << line.chopped(8);
        return out;
    }

    VirtualEventLoop loop{0};
    sim::Bench bench;
    FixedLocaleFacts locale;
    TestMessages messages;
    LinkState state;
    WindowModel window;
    TKivosForm form{LinkPlatform{loop, bench.device(), bench.catalog(), locale, messages}, state, window};
};
