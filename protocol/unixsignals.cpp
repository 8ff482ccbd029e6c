#include "protocol/unixsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace ferry {

namespace {

int g_pipe[2] = {-1, -1};
UnixSignalWatcher *g_owner = nullptr;

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a pending request; dropping this one loses nothing.
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void closePipe()
{
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject *parent)
    : QObject(parent)
{
    setHandler(SIG_DFL);
    if (g_owner) {
        delete g_owner->m_notifier;
        g_owner->m_notifier = nullptr;
    }
    g_owner = this;
    closePipe();
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("UnixSignalWatcher: no pipe, termination signals keep their default action");
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::drain);
    setHandler(onSignal);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    if (g_owner != this)
        return;
    setHandler(SIG_DFL);
    delete m_notifier;
    closePipe();
    g_owner = nullptr;
}

void UnixSignalWatcher::drain()
{
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            emit terminationRequested(int(bytes[i]));
    }
}

} // namespace ferry
