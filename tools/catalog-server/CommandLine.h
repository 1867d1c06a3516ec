#pragma once

#include "ServerOptions.h"

#include <QStringList>
#include <optional>

namespace aru::server {

// Reads the server's command line. Prints the help or the error itself; when it returns no
// options, the process should exit with `exitCode`.
class CommandLine {
public:
    static constexpr int kMaxTracks = 1'000'000;

    static std::optional<ServerOptions> parse(const QStringList& arguments, int& exitCode);
};

} // namespace aru::server
