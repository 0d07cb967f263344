#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

// A logger on the far side of a pseudo-terminal pair. The program opens the
// terminal end by its path; this side answers each probe with a scripted
// reply and records every byte it is sent.
class FakeLogger
{
public:
    FakeLogger() = default;
    ~FakeLogger();
    FakeLogger(const FakeLogger&) = delete;
    FakeLogger& operator=(const FakeLogger&) = delete;

    // The pieces of the reply, sent one after the other with a pause between.
    // No pieces: the device stays silent.
    void setReply(const QList<QByteArray>& pieces, int pauseMs = 0);
    // After the probe the last piece is sent again and again, like an
    // instrument that streams for as long as it is powered.
    void setEndless(bool on) { m_endless = on; }
    // False when the system offers no pseudo-terminals.
    bool start();
    QString portName() const { return m_portName; }
    QByteArray received() const;

private:
    void run();
    void sendReply();

    int m_master = -1;
    int m_slave = -1;
    QString m_portName;
    QList<QByteArray> m_pieces;
    int m_pauseMs = 0;
    bool m_endless = false;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QByteArray m_received;
};

bool pseudoTerminalsAvailable();
