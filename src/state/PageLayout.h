#pragma once

#include <QObject>
#include <QtQmlIntegration>

namespace aru {

// The catalogue screen's layout: compact below the breakpoint, with the page margins that go
// with it. The screen reports its width; everything else binds to the result.
class PageLayout : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The layout is AppState.layout")

    Q_PROPERTY(bool isCompact READ isCompact NOTIFY isCompactChanged)
    Q_PROPERTY(qreal pageH READ pageH NOTIFY isCompactChanged)
    Q_PROPERTY(qreal pageTrailing READ pageTrailing CONSTANT)

public:
    static constexpr qreal compactBreakpoint = 960;

    explicit PageLayout(QObject* parent = nullptr);

    bool isCompact() const { return m_isCompact; }
    // The horizontal page margin: narrower when compact.
    qreal pageH() const;
    qreal pageTrailing() const;

    // Called with the catalogue screen's width when it is first known and whenever it changes;
    // notifies only when the screen crosses the breakpoint.
    Q_INVOKABLE void updateLayout(qreal width);

signals:
    void isCompactChanged();

private:
    bool m_isCompact = false;
};

} // namespace aru
