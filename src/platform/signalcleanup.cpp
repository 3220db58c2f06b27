#include "platform/signalcleanup.h"

#include <QFile>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#ifdef Q_OS_UNIX
#include <csignal>
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

CSignalCleanup::CSignalCleanup(const QString& path) {
#ifdef Q_OS_UNIX
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
    const QByteArray name = QFile::encodeName(path);
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
#else
    Q_UNUSED(path);
#endif
}

CSignalCleanup::~CSignalCleanup() {
    if (m_slot >= 0)
        g_slots[m_slot].state.store(Free);
}
