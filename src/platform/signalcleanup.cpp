#include "platform/signalcleanup.h"

#include <QFile>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace {

// The handler may only read memory that is there already, so the paths are
// kept in fixed slots; a slot is read only once its path is whole.
constexpr int kSlots = 16;
constexpr std::size_t kPathRoom = 4096;
enum SlotState : int { Free, Filling, Ready };

struct Slot {
    std::atomic<int> state{Free};
    std::array<char, kPathRoom> path{};
};
std::array<Slot, kSlots> g_slots;

#ifdef Q_OS_UNIX
constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> g_previous{};

void RemoveAndGoOn(int signal) {
    for (Slot& slot : g_slots)
        if (slot.state.load() == Ready)
            ::unlink(slot.path.data());
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        if (kSignals[i] == signal)
            ::sigaction(signal, &g_previous[i], nullptr);
    ::raise(signal);
}

void InstallHandlers() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction previous {};
        ::sigaction(kSignals[i], nullptr, &previous);
        g_previous[i] = previous;
        if (previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = RemoveAndGoOn;
        sigemptyset(&action.sa_mask);
        ::sigaction(kSignals[i], &action, nullptr);
    }
}
#endif

} // namespace

CSignalCleanup::CSignalCleanup(const std::function<QString()>& nameTheFile) {
#ifdef Q_OS_UNIX
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
    sigset_t held;
    sigset_t before;
    sigemptyset(&held);
    for (const int signal : kSignals)
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &before);
    m_path = nameTheFile();
    Register();
    // A signal that came meanwhile is handled here, the file registered.
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
#else
    m_path = nameTheFile();
#endif
}

void CSignalCleanup::Register() {
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(m_path);
    if (name.isEmpty() || std::size_t(name.size()) >= kPathRoom)
        return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (g_slots[i].state.compare_exchange_strong(expected, Filling)) {
            std::memcpy(g_slots[i].path.data(), name.constData(), std::size_t(name.size()) + 1);
            g_slots[i].state.store(Ready);
            m_slot = i;
            return;
        }
    }
#endif
}

CSignalCleanup::~CSignalCleanup() {
    if (m_slot >= 0)
        g_slots[m_slot].state.store(Free);
}
