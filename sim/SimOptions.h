#pragma once
#include "BaseStation.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace sim {

// The command line of kivo-sim.
struct SimOptions {
    int com = 7;
    StationConfig station;
    std::uint64_t seed = 1;
    std::vector<int> silentPorts;
    std::vector<int> garbagePorts;
    QString tracePath;
    bool help = false;
};

struct ParsedOptions {
    std::optional<SimOptions> options; // empty on error
    QString error;
};

// args without the program name.
ParsedOptions parseSimOptions(const QStringList& args);
QString simUsage();

} // namespace sim
