#include "SimOptions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>

namespace sim {
namespace {

struct Parser {
    SimOptions out;
    QString error;

    bool fail(const QString& text)
    {
        error = text;
        return false;
    }

    bool com(const QString& name, const QString& value, int& into)
    {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1 || n > 50)
            return fail(QStringLiteral("%1 needs a COM number from 1 to 50, not \"%2\"").arg(name, value));
        into = n;
        return true;
    }

    bool probability(const QString& name, const QString& value, double& into)
    {
        bool ok = false;
        const double p = value.toDouble(&ok);
        if (!ok || !(p >= 0.0 && p <= 1.0))
            return fail(QStringLiteral("%1 needs a probability from 0 to 1, not \"%2\"").arg(name, value));
        into = p;
        return true;
    }

    bool millis(const QString& name, const QString& value, qint64& intoUs)
    {
        bool ok = false;
        const double ms = value.toDouble(&ok);
        if (!ok || !(ms >= 0.0 && ms <= 60000.0))
            return fail(QStringLiteral("%1 needs milliseconds from 0 to 60000, not \"%2\"").arg(name, value));
        intoUs = qint64(std::llround(ms * 1000.0));
        return true;
    }

    bool pads(const QString& value)
    {
        for (const QChar c : value) {
            if (c.unicode() > 0x7f || padIndex(char(c.unicode())) < 0)
                return fail(QStringLiteral("--pads takes pad IDs from 0123456789ac, not \"%1\"").arg(c));
        }
        const QByteArray ids = value.toLatin1();
        for (int j = 0; j < kPadCount; ++j)
            out.station.pads[std::size_t(j)].present = ids.contains(padId(j));
        return true;
    }

    bool padVersion(const QString& value)
    {
        const qsizetype eq = value.indexOf(u'=');
        const QString version = eq < 0 ? value : value.mid(eq + 1);
        const bool control = std::any_of(version.begin(), version.end(), [](QChar c) { return c.unicode() < 0x20; });
        if (version.size() > 5 || control)
            return fail(QStringLiteral("a pad version has at most 5 printable characters: \"%1\"").arg(version));
        if (eq < 0) {
            for (PadConfig& pad : out.station.pads)
                pad.version = version.toLatin1();
            return true;
        }
        const QString id = value.left(eq);
        if (id.size() != 1 || id[0].unicode() > 0x7f || padIndex(char(id[0].unicode())) < 0)
            return fail(QStringLiteral("--pad-version takes ID=VERSION with an ID from 0123456789ac, not \"%1\"").arg(value));
        out.station.pads[std::size_t(padIndex(char(id[0].unicode())))].version = version.toLatin1();
        return true;
    }

    bool channel(const QString& value)
    {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 0 || n > 9)
            return fail(QStringLiteral("--channel needs a channel from 0 to 9, not \"%1\"").arg(value));
        out.station.module.channel = n;
        return true;
    }

    bool seed(const QString& value)
    {
        bool ok = false;
        const qulonglong n = value.toULongLong(&ok);
        if (!ok)
            return fail(QStringLiteral("--seed needs a whole number, not \"%1\"").arg(value));
        out.seed = n;
        return true;
    }

    bool distinctPorts()
    {
        std::set<int> seen{out.com};
        for (const int n : out.silentPorts) {
            if (!seen.insert(n).second)
                return fail(QStringLiteral("COM%1 is given twice").arg(n));
        }
        for (const int n : out.garbagePorts) {
            if (!seen.insert(n).second)
                return fail(QStringLiteral("COM%1 is given twice").arg(n));
        }
        return true;
    }
};

} // namespace

QString simUsage()
{
    return QStringLiteral(
        "usage: kivo-sim [options]\n"
        "Serves a simulated base station and its pads on a pseudo-terminal linked as\n"
        "<data folder>/ports/COMn. Standard input takes \"type ID TEXT\", \"state\", \"unplug\",\n"
        "\"plug\" (the base station's port pulled out and plugged in again) and \"quit\".\n"
        "  --com N              COM number of the base station (default 7)\n"
        "  --pads IDS           pads that are present, e.g. 0123456789ac (default all twelve)\n"
        "  --pad-version V      firmware version of every pad (default 912); ID=V for one pad\n"
        "  --module-version T   version text of the radio module (default %1)\n"
        "  --no-reset           the module ignores the reset command\n"
        "  --zero-channel       the module answers the channel query with the zero reply\n"
        "  --channel N          the module's channel at start (default 7)\n"
        "  --loss-up P          probability that a pad's frame is lost on the air\n"
        "  --loss-down P        probability that a frame to a pad is lost on the air\n"
        "  --latency MS         air latency in each direction (default 3)\n"
        "  --module-latency MS  from a complete module command to its reply (default 3)\n"
        "  --reply-delay MS     from a pad hearing a frame to its reply (default 4)\n"
        "  --reply-jitter MS    random extra reply delay, up to MS (default 0)\n"
        "  --seed N             seed of loss and jitter (default 1)\n"
        "  --silent-port N      another port that opens but never answers (repeatable)\n"
        "  --garbage-port N     another port that answers noise (repeatable)\n"
        "  --trace FILE         one line per unit on the line, with its time in microseconds\n"
        "  --help\n")
        .arg(QString::fromLatin1(kEraVersion));
}

ParsedOptions parseSimOptions(const QStringList& args)
{
    Parser p;
    using Handler = std::function<bool(const QString& name, const QString& value)>;
    const std::map<QString, Handler> withValue = {
        {QStringLiteral("--com"), [&](const QString& n, const QString& v) { return p.com(n, v, p.out.com); }},
        {QStringLiteral("--pads"), [&](const QString&, const QString& v) { return p.pads(v); }},
        {QStringLiteral("--pad-version"), [&](const QString&, const QString& v) { return p.padVersion(v); }},
        {QStringLiteral("--module-version"),
         [&](const QString&, const QString& v) {
             p.out.station.module.version = v.toLatin1();
             return true;
         }},
        {QStringLiteral("--channel"), [&](const QString&, const QString& v) { return p.channel(v); }},
        {QStringLiteral("--loss-up"), [&](const QString& n, const QString& v) { return p.probability(n, v, p.out.station.air.lossUp); }},
        {QStringLiteral("--loss-down"), [&](const QString& n, const QString& v) { return p.probability(n, v, p.out.station.air.lossDown); }},
        {QStringLiteral("--latency"),
         [&](const QString& n, const QString& v) {
             qint64 us = 0;
             if (!p.millis(n, v, us))
                 return false;
             p.out.station.air.latencyDownUs = us;
             p.out.station.air.latencyUpUs = us;
             return true;
         }},
        {QStringLiteral("--module-latency"), [&](const QString& n, const QString& v) { return p.millis(n, v, p.out.station.module.latencyUs); }},
        {QStringLiteral("--reply-delay"),
         [&](const QString& n, const QString& v) {
             qint64 us = 0;
             if (!p.millis(n, v, us))
                 return false;
             for (PadConfig& pad : p.out.station.pads)
                 pad.replyDelayUs = us;
             return true;
         }},
        {QStringLiteral("--reply-jitter"),
         [&](const QString& n, const QString& v) {
             qint64 us = 0;
             if (!p.millis(n, v, us))
                 return false;
             for (PadConfig& pad : p.out.station.pads)
                 pad.replyJitterUs = us;
             return true;
         }},
        {QStringLiteral("--seed"), [&](const QString&, const QString& v) { return p.seed(v); }},
        {QStringLiteral("--silent-port"),
         [&](const QString& n, const QString& v) {
             int com = 0;
             if (!p.com(n, v, com))
                 return false;
             p.out.silentPorts.push_back(com);
             return true;
         }},
        {QStringLiteral("--garbage-port"),
         [&](const QString& n, const QString& v) {
             int com = 0;
             if (!p.com(n, v, com))
                 return false;
             p.out.garbagePorts.push_back(com);
             return true;
         }},
        {QStringLiteral("--trace"),
         [&](const QString& n, const QString& v) {
             if (v.isEmpty())
                 return p.fail(QStringLiteral("%1 needs a file name").arg(n));
             p.out.tracePath = v;
             return true;
         }},
    };
    const std::map<QString, std::function<void()>> flags = {
        {QStringLiteral("--no-reset"), [&] { p.out.station.module.supportsReset = false; }},
        {QStringLiteral("--zero-channel"), [&] { p.out.station.module.zeroReplyToChannelQuery = true; }},
        {QStringLiteral("--help"), [&] { p.out.help = true; }},
    };

    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> value;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(QStringLiteral("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !value) {
            flag->second();
            continue;
        }
        const auto handler = withValue.find(name);
        if (handler == withValue.end())
            return {std::nullopt, QStringLiteral("unknown option \"%1\"").arg(args[i])};
        if (!value) {
            if (i + 1 >= args.size())
                return {std::nullopt, QStringLiteral("%1 needs a value").arg(name)};
            value = args[++i];
        }
        if (!handler->second(name, *value))
            return {std::nullopt, p.error};
    }
    if (!p.distinctPorts())
        return {std::nullopt, p.error};
    return {std::move(p.out), {}};
}

} // namespace sim
