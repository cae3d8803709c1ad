#include "TerminationSignals.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The handler's end [0] and the event loop's end [1] of a socket pair.
int signalSockets[2] = {-1, -1};

// Only what is safe in a signal handler: the number goes to the event loop through the socket.
void onSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

// What the handler has written so far.
QByteArray readAvailable(int socket) {
    QByteArray bytes(16, '\0');
    const ssize_t count = ::recv(socket, bytes.data(), bytes.size(), MSG_DONTWAIT);
    bytes.resize(count > 0 ? count : 0);
    return bytes;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier)
        return;
    for (const int number : kSignals)
        std::signal(number, SIG_DFL);
    delete notifier;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void TerminationSignals::readSignal() {
    const QByteArray arrived = readAvailable(signalSockets[1]);
    if (arrived.isEmpty())
        return;
    if (signalNumber == 0)
        signalNumber = static_cast<unsigned char>(arrived.front());
    // Ends the dialog's loop and any modal run inside it; loops started afterwards return at once.
    QCoreApplication::exit(128 + signalNumber);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
