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

} // namespace aru::test
