#pragma once

#include "NetworkSession.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QtTest/QTest>

namespace aru::test {

// Waits until no reply of `network` has been in flight for a few turns of the event loop. A
// session deletes its replies when it goes, and an exchange still waiting on one then never
// ends: its coroutine stays behind, which the leak checker counts. The server must still be
// there to answer. False, naming what is left, after five seconds without quiet.
inline bool waitForNetworkQuiet(NetworkSession& network) {
    QElapsedTimer waited;
    waited.start();
    for (int quietTurns = 0; quietTurns < 3; QTest::qWait(10)) {
        const auto replies = network.manager().findChildren<QNetworkReply*>();
        if (!replies.isEmpty() && waited.elapsed() > 5000) {
            for (const QNetworkReply* reply : replies)
                qWarning("still in flight: %s", qPrintable(reply->url().toString()));
            return false;
        }
        quietTurns = replies.isEmpty() ? quietTurns + 1 : 0;
    }
    return true;
}

// Ends a test that hosted rows over real services: once the network is quiet, drops `owned` in
// the order given (a view first, the services last). A view stays until its covers have come:
// a picture still on its way when the view goes is never freed by Qt's image reader.
template <typename... Owned> void tearDownQuietly(NetworkSession& network, Owned&... owned) {
    const bool quiet = waitForNetworkQuiet(network);
    (owned.reset(), ...);
    QVERIFY(quiet);
}

} // namespace aru::test
