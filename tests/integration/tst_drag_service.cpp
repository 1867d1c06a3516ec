#include "AppServices.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "TrackDragController.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;
using DragState = TrackDragController::DragState;

class DragServiceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    DragService* m_drag = nullptr;
    Downloads* m_downloads = nullptr;
    const QByteArray m_wav = QByteArray("RIFF....WAVEfmt ").repeated(1000);

    Track remix(TrackId id = 11) const {
        Track track;
        track.id = id;
        track.title = "L'été (Remix)";
        track.artist = "Jane Roe";
        track.downloadFile = QString("/api/audio/%1.wav").arg(id);
        return track;
    }
    // The services over a bound of their own for the track files, and a state over them.
    void startServices(qint64 maxTrackFileBytes = TrackFileCache::defaultMaxBytes) {
        m_state.reset();
        m_services.reset();
        m_services = std::make_unique<AppServices>(m_dir->filePath("caches"), maxTrackFileBytes);
        m_drag = &m_services->drags();
        m_state = std::make_unique<test::TestState>();
        m_state->restartSignedIn("demo@aru.test", "token", downloadFolder());
        m_downloads = (*m_state)->downloads();
    }
    std::unique_ptr<TrackDragController> controllerFor(const Track& track) {
        auto controller = std::make_unique<TrackDragController>();
        controller->setAppState(m_state->get());
        controller->setTrack(track);
        return controller;
    }
    QString downloadFolder() const { return m_dir->filePath("Downloads"); }
    // The track as the WAV button would have saved it.
    QString putInDownloadFolder(const Track& track) const {
        QDir().mkpath(downloadFolder());
        const QString path = QDir(downloadFolder()).filePath(track.suggestedFilename());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(m_wav);
        return path;
    }

private slots:
    void init() {
        m_state.reset();
        m_services.reset();
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        m_dir = std::make_unique<QTemporaryDir>();
        startServices();
    }

    void aCopyIsFetchedOnceUnderTheTrackIdAndFoundAgain() {
        m_server->on("GET", "/api/download/11.wav", Response::binary(m_wav));
        auto controller = controllerFor(remix());
        QCOMPARE(controller->dragState(), DragState::Idle);
        QCOMPARE(controller->dragIcon(), "arrow.down");

        controller->prepareForDrag();
        QCOMPARE(controller->dragState(), DragState::Loading);
        QTRY_COMPARE(controller->dragState(), DragState::Ready);
        const QString expected = QDir(m_drag->cacheDir()).filePath("11.wav");
        QCOMPARE(controller->cachedURL(), QUrl::fromLocalFile(expected));
        QFile file(expected);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), m_wav);
        QVERIFY(!m_downloads->downloadProgress().contains(11));
        QCOMPARE(controller->dragIcon(), "square.grid.3x3.fill");
        QCOMPARE(controller->dragHelp(), "Drag to Ableton, Desktop, Finder");

        // A new row for the track finds the copy without asking the server again.
        const qsizetype asked = m_server->requests().size();
        auto again = controllerFor(remix());
        QCOMPARE(again->dragState(), DragState::Ready);
        again->prepareForDrag();
        QVERIFY(QCoro::waitFor(m_drag->ensureCached(remix(), "e", "t")) ==
                QUrl::fromLocalFile(expected));
        QCOMPARE(m_server->requests().size(), asked);
    }

    // One WAV per track serves the waveform measurement and the drag alike. The folder stays
    // within its bound, the least recently used going first, never one a row offers for dragging;
    // a link staged for dragging goes with its file.
    void theTrackFilesAreSharedAndBounded() {
        startServices(3 * m_wav.size());
        for (TrackId id = 11; id <= 15; ++id)
            m_server->on("GET", QString("/api/download/%1.wav").arg(id), Response::binary(m_wav));
        TrackFileCache& files = m_services->trackFiles();
        const auto fetch = [&](TrackId id) {
            QTest::qWait(20); // use is told apart by modification times
            return QCoro::waitFor(m_drag->ensureCached(remix(id), "e", "t")).has_value();
        };
        m_services->waveforms().enqueueBackgroundLoad(11, "/api/audio/11.wav", "e", "t");
        QTRY_VERIFY(m_services->waveforms().isLoaded(11));
        auto row = controllerFor(remix());
        QCOMPARE(row->dragState(), DragState::Ready);
        QVERIFY(fetch(12) && fetch(13));
        // 11 came once, for the measurement: one peaks request and three downloads in all.
        QCOMPARE(m_server->requests().size(), 1 + 3);
        QTest::qWait(20);
        QVERIFY(files.existing(12));
        const auto staged = m_drag->stageForDrag(files.path(13), remix(13));
        QVERIFY(staged && QFile::exists(*staged));

        QVERIFY(fetch(14)); // 11 is the least recently used, but its row holds it
        QVERIFY(QFile::exists(files.path(11)) && QFile::exists(files.path(12)));
        QVERIFY(!QFile::exists(files.path(13)) && !QFile::exists(*staged));
        row.reset(); // nothing holds 11 any more: it is now the least recently used
        QVERIFY(fetch(15));
        QVERIFY(!QFile::exists(files.path(11)));
        QCOMPARE(QDir(files.folder()).entryList(QDir::Files).size(), 3);
    }

    void anHttpErrorKeepsNothingAndReturnsToIdle() {
        m_server->on("GET", "/api/download/11.wav", Response::text("Forbidden", 403));
        auto controller = controllerFor(remix());
        controller->prepareForDrag();
        QVERIFY(m_server->waitForRequests(1));
        QTRY_COMPARE(controller->dragState(), DragState::Idle);
        QVERIFY(!controller->cachedURL().isValid());
        QVERIFY(QDir(m_drag->cacheDir()).entryList(QDir::Files).isEmpty());
        QCOMPARE(controller->dragIcon(), "arrow.down");
    }

    void anActiveDownloadShowsAsLoadingWithItsPercentage() {
        Response refused = Response::text("no", 500);
        refused.delayMs = 300;
        m_server->on("GET", "/api/download/11.wav", refused);
        auto controller = controllerFor(remix());
        QSignalSpy presentation(controller.get(), &TrackDragController::presentationChanged);
        auto download = m_downloads->downloadTrack(remix());
        QCOMPARE(controller->effectiveDragState(), DragState::Loading);
        QCOMPARE(controller->dragIcon(), "ellipsis");
        QCOMPARE(controller->wavLabel(), "WAV");
        QCOMPARE(controller->dragHelp(), "Downloading…");
        m_downloads->setProgress(11, 0.428);
        QCOMPARE(controller->wavLabel(), "42%");
        QCOMPARE(controller->dragHelp(), "Downloading… 42 %");
        QCOMPARE(controller->progress(), 0.42);
        QVERIFY(presentation.count() >= 2);
        // Another track's progress leaves this row alone.
        presentation.clear();
        m_downloads->setProgress(99, 0.5);
        QCOMPARE(presentation.count(), 0);
        // The drag state itself never moved.
        QCOMPARE(controller->dragState(), DragState::Idle);

        // The download fails: the row is back where it was.
        QVERIFY(!QCoro::waitFor(std::move(download)));
        QCOMPARE(controller->effectiveDragState(), DragState::Idle);
        QCOMPARE(controller->wavLabel(), "WAV");
        QCOMPARE(controller->dragHelp(), "Click to download · Hover to prep drag");
    }

    void theWavButtonDownloadsIntoTheFolderAndMakesTheRowReady() {
        m_server->on("GET", "/api/download/11.wav", Response::binary(m_wav));
        auto controller = controllerFor(remix());
        controller->downloadOrPrepare();
        QTRY_COMPARE(controller->dragState(), DragState::Ready);
        QCOMPARE(controller->cachedURL(),
                 QUrl::fromLocalFile(QDir(downloadFolder()).filePath(remix().suggestedFilename())));
        QCOMPARE(m_downloads->downloads().size(), 1);
    }

    void aDragHandsOverTheFileUnderItsDisplayNameAndCountsAsADownload() {
        const QString downloaded = putInDownloadFolder(remix());
        auto controller = controllerFor(remix());
        QVERIFY(controller->canDrag());

        const QVariantMap data = controller->beginDrag();
        const QUrl offered(data.value("text/uri-list").toString());
        QVERIFY(offered.isLocalFile());
        QCOMPARE(QFileInfo(offered.toLocalFile()).fileName(),
                 Track::niceFilename(remix()) + ".wav");
        QFile staged(offered.toLocalFile());
        QVERIFY(staged.open(QIODevice::ReadOnly));
        QCOMPARE(staged.readAll(), m_wav);
        QCOMPARE(m_downloads->downloads().size(), 1);
        QCOMPARE(m_downloads->downloads().first().id, 11);

        // The file vanished after the row became ready: an empty drag, still in the history.
        QFile::remove(downloaded);
        m_downloads->recordDownload(remix(12));
        QVERIFY(controller->beginDrag().isEmpty());
        QCOMPARE(m_downloads->downloads().first().id, 11);
    }

    void aRecycledRowStartsOverForItsNewTrack() {
        // A track in the download folder is ready at once, without the network.
        const QString downloaded = putInDownloadFolder(remix());
        auto controller = controllerFor(remix());
        QCOMPARE(controller->dragState(), DragState::Ready);
        QCOMPARE(controller->cachedURL(), QUrl::fromLocalFile(downloaded));
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), 0);

        Track other = remix(12);
        other.title = "Another";
        controller->setTrack(other);
        QCOMPARE(controller->dragState(), DragState::Idle);
        QVERIFY(!controller->cachedURL().isValid());
        QVERIFY(controller->beginDrag().isEmpty());
    }
};

ARU_TEST_MAIN(DragServiceTest)
#include "tst_drag_service.moc"
