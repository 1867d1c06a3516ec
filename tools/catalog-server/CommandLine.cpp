#include "CommandLine.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QStandardPaths>
#include <cstdio>

namespace aru::server {

namespace {

const char* const kFaultHelp = R"(
Demo accounts (password "aru-demo"):
  demo@aru.test         approved
  pending@aru.test      not yet approved: sign-in answers 403
  sync+jane@aru.test    approved; its "+" must reach the server percent-encoded

Fault injection
  A fault is a JSON object; give it with --fault (repeatable) or, while the server
  runs, POST it (or an array of them) to /__faults from loopback. GET /__faults
  lists the faults in force, DELETE /__faults clears them all.

    path               required; exact request path without query, or a prefix
                       ending in "*" ("/api/download/*")
    method             only requests with this method ("GET", "POST", ...)
    status             answer this status (200-599) instead of the endpoint
    body               body of that answer (default empty)
    contentType        its type (default: application/json when body is JSON,
                       else text/plain)
    delayMs            wait this long (at most 600000) before answering
    truncateAfter      announce the full Content-Length, send only this many
                       body bytes, then close the connection
    stallAfter         send only this many body bytes, then nothing, with the
                       connection open, until the server stops
    reset              end the connection with a TCP reset (after truncateAfter
                       bytes, default 0) instead of a normal close
    omitContentLength  send no Content-Length; the connection closes after the body
    notJson            replace the body with an HTML page (keeps the status)
    redirectTo         answer 302 (or "status" when it is 3xx) to this URL
    times              apply to this many requests, then disappear (default:
                       until cleared)

  The first fault in force that matches a request applies; several effects of one
  fault combine (a delay then a truncated body, a status with a non-JSON body).

  Examples
    --fault '{"path":"/api/sync/catalog","status":500,"times":1}'
    --fault '{"path":"/api/download/*","truncateAfter":1000}'
    curl -X POST http://127.0.0.1:PORT/__faults \
         -d '{"path":"/api/sync/auth","delayMs":5000}'
)";

std::optional<FaultRule> parseFault(const QString& text, QString* error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    return FaultRule::fromJson(document.object(), error);
}

std::optional<Account> parseAccount(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3 || parts[0].isEmpty() || parts[1].isEmpty())
        return std::nullopt;
    if (parts.size() == 3 && parts[2] != QLatin1String("pending"))
        return std::nullopt;
    return Account{parts[0], parts[1], QString(), parts.size() == 2};
}

int fail(const QString& message) {
    std::fprintf(stderr, "aru-catalog-server: %s (see --help)\n", qPrintable(message));
    return 2;
}

} // namespace

std::optional<ServerOptions> CommandLine::parse(const QStringList& arguments, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Substitute catalogue server for ARU Sync: a generated demo catalogue with synthesised "
        "audio, covers, accounts and favourites, on loopback only. Prints the port on the first "
        "line of standard output and one line per request on standard error."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port on 127.0.0.1; 0 picks a free one."),
                                  QStringLiteral("port"), QStringLiteral("8787"));
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Folder for generated audio and covers, sessions and favourites."),
        QStringLiteral("dir"));
    const QCommandLineOption tracks(QStringLiteral("tracks"),
                                    QStringLiteral("Number of tracks in the catalogue."),
                                    QStringLiteral("n"), QStringLiteral("60"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the generated catalogue."),
                                  QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Inject a fault (JSON, see below). Repeatable."),
                                   QStringLiteral("json"));
    const QCommandLineOption account(
        QStringLiteral("account"),
        QStringLiteral("Add an account; \":pending\" makes it not yet approved. Repeatable."),
        QStringLiteral("email:password[:pending]"));
    parser.addOptions({help, port, dataDir, tracks, seed, fault, account});

    exitCode = 0;
    if (!parser.parse(arguments)) {
        exitCode = fail(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        std::printf("%s%s", qPrintable(parser.helpText()), kFaultHelp);
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        exitCode = fail(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
        return std::nullopt;
    }

    ServerOptions options;
    bool ok = false;
    options.port = parser.value(port).toInt(&ok);
    if (!ok || options.port < 0 || options.port > 65535) {
        exitCode = fail(QStringLiteral("--port must be 0 to 65535"));
        return std::nullopt;
    }
    options.tracks = parser.value(tracks).toInt(&ok);
    if (!ok || options.tracks < 1 || options.tracks > kMaxTracks) {
        exitCode = fail(QStringLiteral("--tracks must be 1 to %1").arg(kMaxTracks));
        return std::nullopt;
    }
    options.seed = parser.value(seed).toULongLong(&ok);
    if (!ok) {
        exitCode = fail(QStringLiteral("--seed must be a non-negative integer"));
        return std::nullopt;
    }
    options.dataDir = parser.isSet(dataDir)
                          ? parser.value(dataDir)
                          : QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                QStringLiteral("/aru-catalog-server");
    for (const QString& text : parser.values(fault)) {
        QString error;
        auto rule = parseFault(text, &error);
        if (!rule) {
            exitCode = fail(QStringLiteral("bad --fault: %1").arg(error));
            return std::nullopt;
        }
        options.faults.push_back(std::move(*rule));
    }
    for (const QString& text : parser.values(account)) {
        auto extra = parseAccount(text);
        if (!extra) {
            exitCode = fail(QStringLiteral("bad --account: %1").arg(text));
            return std::nullopt;
        }
        extra->userId = QString::number(2001 + options.extraAccounts.size());
        options.extraAccounts.push_back(std::move(*extra));
    }
    return options;
}

} // namespace aru::server
