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
