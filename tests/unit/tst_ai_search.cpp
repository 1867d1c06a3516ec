#include "AppState.h"
#include "Cancellation.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QCoroTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using namespace std::chrono_literals;

namespace {

// Stands in for the server: records each interpretation request and answers it after `delay`,
// even when it was cancelled meanwhile (as a reply that was already on its way would).
struct FakeServer {
    struct Call {
        QString query;
        QStringList availableTags;
        QPointer<Cancellation> cancellation;
        bool answered = false;
    };
    QList<Call> calls;
    QHash<QString, std::optional<QStringList>> answers;
    std::chrono::milliseconds delay = 150ms;
};

QCoro::Task<std::optional<QStringList>> answerLater(std::shared_ptr<FakeServer> server,
                                                    qsizetype call) {
    co_await QCoro::sleepFor(server->delay);
    server->calls[call].answered = true;
    co_return server->answers.value(server->calls[call].query);
}

AppState::InterpretSearch interpretWith(const std::shared_ptr<FakeServer>& server) {
    return [server](QString query, QStringList availableTags, QPointer<Cancellation> cancellation) {
        server->calls.append({query, availableTags, cancellation});
        return answerLater(server, server->calls.size() - 1);
    };
}

Track makeTrack(TrackId id, const QString& title, const QString& genre) {
    Track track;
    track.id = id;
    track.title = title;
    track.artist = "Artist";
    track.genre = genre;
    track.mood = QStringList{"Calm"};
    return track;
}

const QList<Track> catalogue{makeTrack(1, "Blue", "Jazz"), makeTrack(2, "Red", "Rock"),
                             makeTrack(3, "Green", "Jazz")};

// Long enough for a debounced request to have gone out if one was due.
constexpr int quietPeriod = int((AppState::aiSearchDebounce + 250ms).count());

} // namespace

class AiSearchTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<AppState> m_state;
    std::shared_ptr<FakeServer> m_server;

    AppState& state() { return *m_state; }
    void type(const QString& text) {
        m_state->setSearchText(text);
        m_state->refreshAISearch();
    }
    // Waits until the request is answered and the task that sent it has finished.
    void settle() {
        QTRY_VERIFY(std::all_of(m_server->calls.cbegin(), m_server->calls.cend(),
                                [](const FakeServer::Call& call) { return call.answered; }));
        QTest::qWait(20);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
        m_state = std::make_unique<AppState>(*m_store);
        m_server = std::make_shared<FakeServer>();
        m_state->setInterpretSearch(interpretWith(m_server));
        m_state->setTracks(catalogue);
        m_server->answers.insert("xyzzy", QStringList{"Jazz"});
        m_server->answers.insert("plugh", QStringList{"Rock"});
    }
    void cleanup() {
        settle();
        m_state.reset();
    }

    void aBurstOfTypingSendsOneRequest() {
        QElapsedTimer sinceLastKey;
        for (const QString text : {"x", "xy", "xyz", "xyzz", " xyzzy\n"}) {
            type(text);
            sinceLastKey.start();
            QVERIFY(state().aiSearching());
            QTest::qWait(100);
        }
        QVERIFY(m_server->calls.isEmpty());
        QTRY_COMPARE(m_server->calls.size(), 1);
        // Coarse timers may fire up to 5 % early.
        QCOMPARE_GE(sinceLastKey.elapsed(), 570);
        QCOMPARE(m_server->calls[0].query, QString("xyzzy"));
        QCOMPARE(m_server->calls[0].availableTags,
                 AppState::collectAvailableTags(state().tracks()));
        QVERIFY(state().aiSearching());

        QTRY_COMPARE(state().aiTags(), QStringList{"Jazz"});
        QVERIFY(!state().aiSearching());
        QCOMPARE(state().allSemanticTags(), QStringList{"Jazz"});
        QCOMPARE(state().filteredTracks().size(), 2);
        QTest::qWait(200);
        QCOMPARE(m_server->calls.size(), 1);
    }

    void theVocabularySparesTheServer_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("known word") << "pluie";
        QTest::newRow("padded phrase") << "  Car Chase ";
        QTest::newRow("only white space") << " \n";
    }
    void theVocabularySparesTheServer() {
        QFETCH(QString, text);
        state().setAiTags({"Old"});
        state().setAiSearching(true);
        type(text);
        QVERIFY(!state().aiSearching());
        QVERIFY(state().aiTags().isEmpty());
        QTest::qWait(quietPeriod);
        QVERIFY(m_server->calls.isEmpty());
    }

    void clearingTheTextResetsAtOnce() {
        type("xyzzy");
        QTRY_COMPARE(state().aiTags(), QStringList{"Jazz"});
        type("xyzzyq");
        QVERIFY(state().aiSearching());
        QCOMPARE(state().aiTags(), QStringList{"Jazz"});

        type("");
        QVERIFY(!state().aiSearching());
        QVERIFY(state().aiTags().isEmpty());
        QTest::qWait(quietPeriod);
        QCOMPARE(m_server->calls.size(), 1);
        QVERIFY(!state().aiSearching());
    }

    void supersededAnswersAreDiscarded() {
        m_server->delay = 300ms;
        type("xyzzy");
        QTRY_COMPARE(m_server->calls.size(), 1);
        const QPointer<Cancellation> first = m_server->calls[0].cancellation;
        QVERIFY(first && !first->isCancelled());

        // Another unknown text: the first reply is aborted, and its answer, arriving anyway,
        // changes nothing while the newer request is pending.
        type("plugh");
        QVERIFY(first->isCancelled());
        QTRY_VERIFY(m_server->calls[0].answered);
        QTest::qWait(20);
        QVERIFY(state().aiTags().isEmpty());
        QVERIFY(state().aiSearching());
        QTRY_COMPARE(state().aiTags(), QStringList{"Rock"});
        QVERIFY(!state().aiSearching());
        QCOMPARE(state().filteredTracks().size(), 1);

        // A known word ends the wait at once and discards the answer in flight.
        type("xyzzy");
        QTRY_COMPARE(m_server->calls.size(), 3);
        type("rain");
        QVERIFY(m_server->calls[2].cancellation->isCancelled());
        QVERIFY(!state().aiSearching());
        QVERIFY(state().aiTags().isEmpty());
        settle();
        QVERIFY(state().aiTags().isEmpty());
        QVERIFY(!state().aiSearching());
    }

    void noAnswerMeansNoTags() {
        state().setAiTags({"Old"});
        type("nothing known");
        QTRY_VERIFY(!state().aiSearching());
        QCOMPARE(m_server->calls.size(), 1);
        QVERIFY(state().aiTags().isEmpty());
        QVERIFY(state().filteredTracks().isEmpty());
    }

    void closingTheStateEndsItsRequests() {
        type("xyzzy");
        m_state.reset();
        QTest::qWait(quietPeriod);
        QVERIFY(m_server->calls.isEmpty());

        init();
        type("xyzzy");
        QTRY_COMPARE(m_server->calls.size(), 1);
        const QPointer<Cancellation> inFlight = m_server->calls[0].cancellation;
        m_state.reset();
        QVERIFY(inFlight && inFlight->isCancelled());
        settle();
    }
};

ARU_TEST_MAIN(AiSearchTest)
#include "tst_ai_search.moc"
