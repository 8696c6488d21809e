#include "InterruptWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int s_pipe[2] = {-1, -1};
}

InterruptWatcher::InterruptWatcher(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &InterruptWatcher::readPipe);
    struct sigaction action = {};
    action.sa_handler = &InterruptWatcher::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

InterruptWatcher::~InterruptWatcher()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    m_notifier.reset();
    if (s_pipe[0] >= 0) {
        ::close(s_pipe[0]);
        ::close(s_pipe[1]);
        s_pipe[0] = s_pipe[1] = -1;
    }
}

void InterruptWatcher::onSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    if (::write(s_pipe[1], &byte, 1) < 0) {
        // Nothing can be done inside a signal handler; the pipe is full of
        // signals already.
    }
}

void InterruptWatcher::readPipe()
{
    char byte = 0;
    while (::read(s_pipe[0], &byte, 1) == 1)
        Q_EMIT interrupted(int(byte));
}
