#pragma once

#include "MediaBackend.h"

#include <QStringList>
#include <memory>

namespace aru::test {

class FakeMediaBackend;

// Makes fake platform players that share one log, so a test still sees what happened to a
// player after it was dropped. Lines read "<n> <event>", players counted from 1.
struct FakeMedia {
    QStringList log;
    FakeMediaBackend* current = nullptr; // the player made last, null once destroyed
    int made = 0;

    MediaBackend::Factory factory();
    QStringList eventsOf(int n) const {
        QStringList events;
        for (const QString& line : log) {
            if (line.section(QLatin1Char(' '), 0, 0).toInt() == n)
                events.append(line.section(QLatin1Char(' '), 1));
        }
        return events;
    }
};

// A platform player without sound: the test moves its clock, tells its length, ends its item.
class FakeMediaBackend final : public MediaBackend {
public:
    FakeMediaBackend(FakeMedia& media, const QUrl& source)
        : source(source)
        , m_media(media)
        , m_number(++media.made) {
        media.current = this;
        record("made " + source.toString());
    }
    ~FakeMediaBackend() override {
        record("destroyed");
        if (m_media.current == this)
            m_media.current = nullptr;
    }

    void tick(double seconds) {
        if (const auto report = m_report)
            report(seconds);
    }
    // The audio player may destroy this object from the handler.
    void finish() {
        playing = false;
        if (const auto handler = m_endOfItem)
            handler();
    }

    const QUrl source;
    std::optional<double> knownDuration;
    bool playing = false;
    float volume = 1;

    void play() override { playing = true, record("play"); }
    void pause() override { playing = false, record("pause"); }
    double rate() const override { return playing ? 1 : 0; }
    void seek(double s) override { record("seek " + QString::number(s)); }
    double position() const override { return 0; }
    std::optional<double> duration() const override { return knownDuration; }
    void setVolume(float v) override { volume = v, record(QString("volume %1").arg(v)); }
    void setOutputDevice(const QByteArray& uid) override {
        record("device " + QString::fromUtf8(uid));
    }
    void setPositionObserver(std::chrono::milliseconds interval,
                             std::function<void(double)> report) override {
        m_report = std::move(report), record(QString("observer %1").arg(interval.count()));
    }
    void removePositionObserver() override { m_report = nullptr, record("observer removed"); }
    void setEndOfItemHandler(std::function<void()> handler) override {
        m_endOfItem = std::move(handler), record("end handler");
    }
    void removeEndOfItemHandler() override { m_endOfItem = nullptr, record("end handler removed"); }

private:
    void record(const QString& event) {
        m_media.log.append(QString::number(m_number) + QLatin1Char(' ') + event);
    }

    FakeMedia& m_media;
    const int m_number;
    std::function<void(double)> m_report;
    std::function<void()> m_endOfItem;
};

inline MediaBackend::Factory FakeMedia::factory() {
    return [this](const QUrl& source) { return std::make_unique<FakeMediaBackend>(*this, source); };
}

} // namespace aru::test
