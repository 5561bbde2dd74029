#pragma once
// What the benchmarks share: error statistics, the machine they ran on, a private data folder
// for the real programs, and the CPU time of a process.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bench {

// Errors against a target, in milliseconds.
struct ErrorStats {
    std::size_t n = 0;
    double median = 0;    // of the signed errors
    double medianAbs = 0; // of their sizes
    double p99Abs = 0;
    double maxAbs = 0;

    static double percentile(std::vector<double> v, double p)
    {
        if (v.empty())
            return 0;
        std::sort(v.begin(), v.end());
        // Nearest rank: the smallest value with at least p of the samples at or below it.
        const auto rank = std::size_t(std::ceil(p * double(v.size())));
        return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
    }

    static ErrorStats of(const std::vector<double>& errors)
    {
        ErrorStats s;
        s.n = errors.size();
        if (errors.empty())
            return s;
        std::vector<double> sizes;
        for (const double e : errors)
            sizes.push_back(std::abs(e));
        s.median = percentile(errors, 0.5);
        s.medianAbs = percentile(sizes, 0.5);
        s.p99Abs = percentile(sizes, 0.99);
        s.maxAbs = *std::max_element(sizes.begin(), sizes.end());
        return s;
    }
};

inline QString cpuModel()
{
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("model name", 0) == 0)
            return QString::fromStdString(line.substr(line.find(':') + 2));
    return QStringLiteral("unknown");
}

// One line naming the machine and the moment, for the record.
inline QString machine()
{
    return QStringLiteral("%1 cores (nproc), %2, Linux %3, %4")
        .arg(std::thread::hardware_concurrency())
        .arg(cpuModel(), QSysInfo::kernelVersion(), QDateTime::currentDateTime().toString(Qt::ISODate));
}

// A fresh data folder and runtime folder for quelta-cli and kivo-sim. Every COM number starts
// as a link to nothing, so the walk never touches a real serial port of this machine; kivo-sim
// replaces the links of the ports it serves.
class Home {
public:
    Home()
    {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("config/Orvane/TarnwickUtils/ports"));
        root.mkpath(QStringLiteral("run"));
        QFile::setPermissions(root.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString ports = root.filePath(QStringLiteral("config/Orvane/TarnwickUtils/ports/"));
        for (int n = 1; n <= 50; ++n)
            QFile::link(QStringLiteral("/nonexistent-quelta-bench-port"), ports + QStringLiteral("COM%1").arg(n));
    }

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        return env;
    }

private:
    QTemporaryDir dir_;
};

// CPU time (user + system) and context switches of a process so far.
struct ProcessTimes {
    double cpuSeconds = 0;
    long voluntarySwitches = 0;
    long involuntarySwitches = 0;

    static ProcessTimes of(qint64 pid)
    {
        ProcessTimes t;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // Fields after the command name, which is in parentheses and may hold spaces.
        std::istringstream rest(all.substr(all.rfind(')') + 2));
        std::string field;
        std::vector<std::string> fields;
        while (rest >> field)
            fields.push_back(field);
        if (fields.size() > 12) {
            const double tick = double(sysconf(_SC_CLK_TCK));
            t.cpuSeconds = (std::stod(fields[11]) + std::stod(fields[12])) / tick; // utime, stime
        }
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                t.voluntarySwitches = std::stol(line.substr(line.find(':') + 1));
            else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                t.involuntarySwitches = std::stol(line.substr(line.find(':') + 1));
        }
        return t;
    }
};

inline long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    if (!(statm >> size >> resident))
        return 0;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

inline QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

} // namespace bench
