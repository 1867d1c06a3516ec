#include "CatalogServer.h"
#include "CommandLine.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

int main(int argc, char** argv) {
    // Block the stop signals before any thread exists, so that only the waiting thread below
    // receives them and can stop the server outside of a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that hangs up mid-body must not kill the server.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("aru-catalog-server"));

    int exitCode = 0;
    const auto options = aru::server::CommandLine::parse(QCoreApplication::arguments(), exitCode);
    if (!options)
        return exitCode;

    aru::server::CatalogServer server(*options);
    const int port = server.bind();
    if (port < 0) {
        std::fprintf(stderr, "aru-catalog-server: cannot listen on 127.0.0.1:%d\n", options->port);
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);

    std::thread waiter([&server, &stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    const bool served = server.run();
    if (!server.stopRequested())
        pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    std::fprintf(stderr, "catalogue server stopped\n");
    return served ? 0 : 1;
}
