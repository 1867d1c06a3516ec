#include "AudioDeviceHelper.h"
#include "PulseAudioDeviceQuery.h"
#include "TestHome.h"
#include "TestState.h"
#include "ToolOutput.h"
#include "ViewHarness.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringListModel>
#include <QTemporaryDir>
#include <memory>

using namespace aru;

namespace {

QString defaultSink() {
    return QString::fromUtf8(test::toolOutput("pactl", {"get-default-sink"})).trimmed();
}

bool setDefaultSink(const QString& name) {
    return QProcess::execute("pactl", {"set-default-sink", name}) == 0;
}

} // namespace

// The settings sheet as the user drives it: its texts, the folder it chooses and opens, and the
// audio output it picks on a real PulseAudio server.
class SettingsViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<test::ViewHarness> m_view;

    QQuickItem* item(const char* name) const { return m_view->item(name); }
    QString text(const char* name) const { return item(name)->property("text").toString(); }
    QObject* controller() const { return m_view->root()->property("controller").value<QObject*>(); }
    // The sheet as it opens afresh.
    void open() {
        m_view.reset();
        m_view = std::make_unique<test::ViewHarness>("SettingsView.qml", QSize(380, 600));
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }
    QStringList outputNames() const {
        return controller()->property("outputChoices").value<QStringListModel*>()->stringList();
    }
    int selectedOutput() const { return item("outputPicker")->property("currentIndex").toInt(); }

private slots:
    void init() {
        m_view.reset();
        m_state.reset();
        m_state = std::make_unique<test::TestState>();
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
        open();
    }
    void cleanup() {
        m_view.reset();
        m_state.reset();
    }

    void theLanguageRowRelabelsTheSheetAtOnce() {
        QCOMPARE(text("settingsTitle"), "SETTINGS");
        QCOMPARE(text("audioSectionTitle"), "🔊 Audio output");
        QCOMPARE(outputNames().value(0), "System output (default)");
        QCOMPARE(item("outputPicker")->property("displayText").toString(),
                 "System output (default)");
        m_view->click("languageButton_ja");
        QCOMPARE(m_state->store().string("aru.lang"), std::optional<QString>("ja"));
        QCOMPARE(text("settingsTitle"), "設定");
        QCOMPARE(text("languageSectionTitle"), "🌐 言語");
        QCOMPARE(item("outputPicker")->property("displayText").toString(),
                 "システム出力(デフォルト)");
        QCOMPARE(text("logoutButton"), "ログアウト");
        auto* dialog = m_view->root()->findChild<QObject*>("folderDialog");
        QCOMPARE(dialog->property("title").toString(), "WAVダウンロードを保存するフォルダを選択");
        QCOMPARE(dialog->property("acceptLabel").toString(), "選択");
    }

    void aChosenFolderIsShownAndSurvivesARestart() {
        const QString chosen = QDir(m_dir.path()).filePath("Chosen Folder");
        QVERIFY(QDir().mkpath(chosen));
        // The chooser opens; the user picks a folder and confirms.
        auto* dialog = m_view->root()->findChild<QObject*>("folderDialog");
        m_view->click("changeFolderButton");
        QTRY_VERIFY(dialog->property("visible").toBool());
        dialog->setProperty("selectedFolder", QUrl::fromLocalFile(chosen));
        QMetaObject::invokeMethod(dialog, "accept");
        QCOMPARE(text("folderDisplay"), chosen);
        QCOMPARE((*m_state)->preferences()->downloadFolder(), QUrl::fromLocalFile(chosen));

        m_view.reset();
        m_state->restart();
        open();
        QCOMPARE(text("folderDisplay"), chosen);
    }

    void openMakesTheFolderAgainAndHandsItToTheFileManager() {
        // A recording xdg-open first on PATH.
        const QString bin = QDir(m_dir.path()).filePath("bin");
        const QString record = QDir(m_dir.path()).filePath("opened.txt");
        QVERIFY(QDir().mkpath(bin));
        QFile script(QDir(bin).filePath("xdg-open"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        // Written aside then renamed: the shell creates a redirect's target before printf
        // fills it, and the test must never read it half-made.
        script.write(QString("#!/bin/sh\nprintf '%s\\n' \"$1\" > '%1.part' && mv '%1.part' '%1'\n")
                         .arg(record)
                         .toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8() + ':' + path);

        const QString folder = QDir(m_dir.path()).filePath("Deleted/ARU Records");
        (*m_state)->preferences()->setDownloadFolder(QUrl::fromLocalFile(folder));
        QVERIFY(!QFileInfo::exists(folder));
        m_view->click("openFolderButton");
        qputenv("PATH", path);
        QVERIFY(QFileInfo(folder).isDir());
        QTRY_VERIFY(QFile::exists(record));
        QFile opened(record);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        QCOMPARE(QUrl(QString::fromUtf8(opened.readAll()).trimmed()).toLocalFile(), folder);
    }

    // PulseAudio numbers its sinks from 0 in the order it loads them, so the private server that
    // the test script starts has a real sink with index 0.
    void theOutputIsChosenAndAppliedAgainByName() {
        if (!PulseAudioDeviceQuery().devices())
            QSKIP("No PulseAudio server can be reached (scripts/test starts one with two null "
                  "sinks)");
        const QList<AudioDevice> devices = AudioDeviceHelper::listOutputDevices();
        QVERIFY2(devices.size() >= 2, "two sinks are needed");
        const auto first = std::find_if(devices.begin(), devices.end(),
                                        [](const AudioDevice& d) { return d.id == 0; });
        if (first == devices.end())
            QSKIP("This audio server has no sink with index 0");
        const AudioDevice chosen = *first;
        const AudioDevice other = devices[first == devices.begin() ? 1 : 0];
        const auto restoreDefault =
            qScopeGuard([previous = defaultSink()] { setDefaultSink(previous); });
        QVERIFY(setDefaultSink(other.uid));
        open();

        // Opening with nothing stored selects the system output and changes nothing.
        QCOMPARE(outputNames().mid(1).size(), devices.size());
        QCOMPARE(selectedOutput(), 0);
        QCOMPARE(defaultSink(), other.uid);

        // Picking the sink with index 0 stores it and makes it the default output at once.
        const int entry = int(devices.indexOf(chosen)) + 1;
        controller()->setProperty("selectedOutput", entry);
        QCOMPARE(selectedOutput(), entry);
        QCOMPARE(m_state->store().integer("aru.audio.device.id"), std::optional<qint64>(0));
        QCOMPARE(m_state->store().string("aru.audio.device.uid"), std::optional(chosen.uid));
        QCOMPARE(defaultSink(), chosen.uid);
        // Relabelling the picker keeps its choice.
        (*m_state)->preferences()->setLanguage(AppLanguage::Fr);
        QCOMPARE(outputNames().value(0), "Sortie système (par défaut)");
        QCOMPARE(selectedOutput(), entry);
        QCOMPARE(item("outputPicker")->property("displayText").toString(), chosen.name);

        // After a restart of the server the stored index names another sink: the choice is found
        // by name, applied again, and its new index stored.
        m_state->store().setInteger("aru.audio.device.id", other.id);
        QVERIFY(setDefaultSink(other.uid));
        open();
        QCOMPARE(selectedOutput(), entry);
        QCOMPARE(defaultSink(), chosen.uid);
        QCOMPARE(m_state->store().integer("aru.audio.device.id"), std::optional<qint64>(0));

        // A device that is gone leaves the system output selected and the default untouched.
        m_state->store().setString("aru.audio.device.uid", "aru_unplugged_sink");
        QVERIFY(setDefaultSink(other.uid));
        open();
        QCOMPARE(selectedOutput(), 0);
        QCOMPARE(defaultSink(), other.uid);

        // Picking the system output again forgets the choice and leaves the default as it is.
        controller()->setProperty("selectedOutput", entry);
        controller()->setProperty("selectedOutput", 0);
        QVERIFY(!m_state->store().integer("aru.audio.device.id"));
        QVERIFY(!m_state->store().string("aru.audio.device.uid"));
        QCOMPARE(defaultSink(), chosen.uid);
    }
};

ARU_TEST_MAIN(SettingsViewTest)
#include "tst_settings_view.moc"
