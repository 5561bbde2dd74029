#pragma once
#include <QString>

// The folder of the settings and language files, with a trailing separator:
// POSIX $XDG_CONFIG_HOME (else $HOME/.config) + "/Orvane/TarnwickUtils/", Windows the common
// application-data folder + "\Orvane\TarnwickUtils\". Empty when it cannot be determined.
QString dataFolder();
