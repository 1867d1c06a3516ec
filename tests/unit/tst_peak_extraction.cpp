#include "PeakExtraction.h"
#include "TestHome.h"
#include "WavFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <random>

using namespace aru;
using namespace aru::test;

class PeakExtractionTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    // The streamed measurement must give exactly what reading the whole file as floats gives, for
    // any channel count, sample format (integer files are read in their own format), and length
    // that does or does not divide into the bars. The
    // whole-file reference takes each bar's louder channel and leaves frames after the last full
    // bar out, so these rows also hold those two rules.
    void streamingMatchesTheWholeFileMeasurement_data() {
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("subtype");
        QTest::addColumn<int>("peakCount");
        QTest::newRow("stereo 16-bit, a few seconds")
            << qint64(5 * 44'100 + 17) << 2 << 0x0002 << 380;
        QTest::newRow("mono 16-bit") << qint64(77'777) << 1 << 0x0002 << 380;
        QTest::newRow("three channels 16-bit") << qint64(50'001) << 3 << 0x0002 << 380;
        QTest::newRow("mono 24-bit") << qint64(123'457) << 1 << 0x0003 << 380;
        QTest::newRow("stereo 24-bit, bars spanning reads") << qint64(200'001) << 2 << 0x0003 << 5;
        QTest::newRow("five channels, float") << qint64(99'999) << 5 << 0x0006 << 380;
        // Bars longer than one read piece: a bar is measured across several reads.
        QTest::newRow("bars spanning reads") << qint64(400'000) << 2 << 0x0002 << 3;
        QTest::newRow("fewer frames than bars") << qint64(100) << 2 << 0x0002 << 380;
    }
    void streamingMatchesTheWholeFileMeasurement() {
        QFETCH(qint64, frames);
        QFETCH(int, channels);
        QFETCH(int, subtype);
        QFETCH(int, peakCount);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        // Noise whose loudness swells and fades, different on every channel.
        const SampleAt sample = [&](qint64 frame, int channel) {
            const double envelope = 0.5 + 0.5 * std::sin(double(frame) / 3000.0 + channel);
            return float(envelope * noise(random) * 0.9);
        };
        const QString file = path("noise.wav");
        QVERIFY(writeWav(file, frames, sample, {channels, 44'100, subtype}));

        const auto streamed = PeakExtraction::extractPeaks(file, peakCount);
        const auto whole = wholeFilePeaks(file, peakCount);
        QVERIFY(streamed && whole);
        QCOMPARE(streamed->size(), peakCount);
        QCOMPARE(*streamed, *whole);
    }

    void aBarMeasuresTheSameHoweverItIsCut() {
        // Three channels at known levels, fed whole and in pieces of odd sizes.
        std::vector<float> frames;
        for (int f = 0; f < 101; ++f)
            frames.insert(frames.end(), {0.25f, f % 2 == 0 ? 0.5f : -0.5f, 0.0f});
        PeakExtraction::BarMeter whole(3);
        whole.add(frames.data(), 101);
        QCOMPARE(whole.level(), 0.5f);

        PeakExtraction::BarMeter pieces(3);
        for (const auto& [first, count] : {std::pair{0, 1}, {1, 2}, {3, 37}, {40, 61}})
            pieces.add(frames.data() + 3 * first, count);
        QCOMPARE(pieces.level(), whole.level());
        pieces.reset();
        QCOMPARE(pieces.level(), 0.0f);
    }

    void normalisationStretchesBetweenTheQuietestAndTheLoudestBar() {
        const Peaks peaks = PeakExtraction::normalized({0.0f, 0.1f, 0.3f, 0.5f});
        QCOMPARE(peaks.at(0), 0.0f);
        QCOMPARE(peaks.at(1), 0.0f);
        QVERIFY(qFuzzyCompare(peaks.at(2), std::pow(0.5f, 1.3f)));
        QCOMPARE(peaks.at(3), 1.0f);
        // Nearly equal bars are measured against the loudest alone.
        const Peaks flat = PeakExtraction::normalized({0.5f, 0.5004f});
        QCOMPARE(flat.at(0), 0.0f);
        QVERIFY(qFuzzyCompare(flat.at(1), std::pow((0.5004f - 0.5f) / 0.5004f, 1.3f)));
        // Silence stays silent, and bars all as loud as one another (the silent ones aside) all
        // land on zero: no division by a zero spread.
        QCOMPARE(PeakExtraction::normalized(Peaks(4, 0.0f)), Peaks(4, 0.0f));
        QCOMPARE(PeakExtraction::normalized({0.2f, 0.0f, 0.2f, 0.0f}), Peaks(4, 0.0f));
    }

    void unreadableInputGivesNoPeaks() {
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile file(path(name));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        const QString complete = path("complete.wav");
        QVERIFY(writeWav(complete, 1000, sine(440, 0.5)));
        QFile source(complete);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QVERIFY(write("truncated-header.wav", source.read(20)));
        QVERIFY(write("not-audio.wav", "<html><body>404 Not Found</body></html>\n"));
        QVERIFY(writeWav(path("no-frames.wav"), 0, sine(440, 0.5)));
        for (const char* name :
             {"truncated-header.wav", "not-audio.wav", "no-frames.wav", "missing.wav"})
            QVERIFY2(!PeakExtraction::extractPeaks(path(name)), name);
        QVERIFY(!PeakExtraction::extractPeaks(complete, 0));
    }
};

ARU_TEST_MAIN(PeakExtractionTest)
#include "tst_peak_extraction.moc"
