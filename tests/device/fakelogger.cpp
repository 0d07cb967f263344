#include "fakelogger.h"

#include <chrono>

#if __has_include(<pty.h>)
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#define HAVE_OPENPTY 1
#endif

namespace {
const QByteArray kProbe = QByteArray::fromHex("AAFF");
}

FakeLogger::~FakeLogger()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
#ifdef HAVE_OPENPTY
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
#endif
}

void FakeLogger::setReply(const QList<QByteArray>& pieces, int pauseMs)
{
    m_pieces = pieces;
    m_pauseMs = pauseMs;
}

bool FakeLogger::start()
{
#ifdef HAVE_OPENPTY
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return false;
    // Our own raw view of the line; the program under test sets its end itself.
    termios settings{};
    if (::tcgetattr(m_master, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(m_master, TCSANOW, &settings);
    }
    // The terminal end stays open here too, so the line never hangs up between
    // the program's open and close.
    m_portName = QString::fromLocal8Bit(name);
    m_thread = std::thread([this] { run(); });
    return true;
#else
    return false;
#endif
}

QByteArray FakeLogger::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void FakeLogger::run()
{
#ifdef HAVE_OPENPTY
    QByteArray pending;
    while (!m_stop) {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, 10) <= 0 || !(fd.revents & POLLIN))
            continue;
        char buffer[256];
        const ssize_t size = ::read(m_master, buffer, sizeof buffer);
        if (size <= 0)
            continue;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(buffer, static_cast<int>(size));
        }
        pending.append(buffer, static_cast<int>(size));
        int at = pending.indexOf(kProbe);
        while (at >= 0) {
            pending.remove(0, at + kProbe.size());
            sendReply();
            at = pending.indexOf(kProbe);
        }
    }
#endif
}

void FakeLogger::sendReply()
{
#ifdef HAVE_OPENPTY
    for (int i = 0; i < m_pieces.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_pauseMs));
        const QByteArray& piece = m_pieces.at(i);
        if (::write(m_master, piece.constData(), static_cast<size_t>(piece.size())) < 0)
            return;
    }
    while (m_endless && !m_stop && !m_pieces.isEmpty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_pauseMs));
        const QByteArray& piece = m_pieces.last();
        if (::write(m_master, piece.constData(), static_cast<size_t>(piece.size())) < 0)
            return;
    }
#endif
}

bool pseudoTerminalsAvailable()
{
#ifdef HAVE_OPENPTY
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return false;
    ::close(master);
    ::close(slave);
    return true;
#else
    return false;
#endif
}
