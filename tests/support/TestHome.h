#pragma once

#include <QByteArray>
#include <QGuiApplication>
#include <QString>
#include <QtTest/QTest>

namespace aru::test {

// Points HOME, the XDG folders and TMPDIR at a fresh folder and removes it when destroyed,
// so a test never reads or writes the real user's settings, documents or caches.
class TestHome {
public:
    explicit TestHome(const char* testName);
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return m_path; }

private:
    QString m_path;
};

} // namespace aru::test

// Like QTEST_MAIN, with a private home that exists before the application object reads paths.
#define ARU_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char** argv) {                                                              \
        aru::test::TestHome home(#TestClass);                                                      \
        QGuiApplication app(argc, argv);                                                           \
        TestClass testObject;                                                                      \
        return QTest::qExec(&testObject, argc, argv);                                              \
    }

// ARU_TEST_MAIN for tests that play through Qt's real media backend: Debian's GStreamer backend
// cannot open http addresses, so ffmpeg is chosen before the application object exists, and
// LeakSanitizer (sanitizer build) is told of what Qt 6.4's ffmpeg plugin never frees, the options
// it hands to avcodec_open2 (the fast unwinder often stops inside libavutil, hence both names).
#define ARU_MEDIA_TEST_MAIN(TestClass)                                                             \
    extern "C" const char* __lsan_default_suppressions() {                                         \
        return "leak:libffmpegmediaplugin.so\nleak:libavutil.so\n";                                \
    }                                                                                              \
    int main(int argc, char** argv) {                                                              \
        if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))                                        \
            qputenv("QT_MEDIA_BACKEND", "ffmpeg");                                                 \
        aru::test::TestHome home(#TestClass);                                                      \
        QGuiApplication app(argc, argv);                                                           \
        TestClass testObject;                                                                      \
        return QTest::qExec(&testObject, argc, argv);                                              \
    }
