#pragma once

// Turns SIGTERM and SIGINT into a clean quit of the Qt event loop: the handler
// only writes a byte to a pipe, and a socket notifier on the loop reads it.

#include <QObject>

class QSocketNotifier;

namespace ferryd {

class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;
    bool ok() const { return m_notifier != nullptr; }

signals:
    void stopRequested(int signal);

private:
    void onReadable();
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace ferryd
