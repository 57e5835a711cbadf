#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a signal on the event loop, so that a window can abandon
// its check (deleting the scratch file) and quit cleanly: the handler only writes a byte to a
// socket, which the loop reads, a check's pump included. One instance at a time.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested(int signalNumber);

private:
    void readSignal();

    int m_sockets[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
