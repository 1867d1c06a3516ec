#pragma once

#include <QObject>

namespace aru {

// Lets the owner of an asynchronous exchange call it off: the exchange aborts its transfer and
// ends with a cancellation error. Cancelling twice, or after the end, does nothing.
class Cancellation : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool isCancelled() const { return m_cancelled; }
    void cancel() {
        if (m_cancelled)
            return;
        m_cancelled = true;
        emit cancelled();
    }

signals:
    void cancelled();

private:
    bool m_cancelled = false;
};

} // namespace aru
