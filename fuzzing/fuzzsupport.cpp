#include "fuzzsupport.h"

#include <QApplication>

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};
std::atomic<bool> g_watching{false};

void OnMalloc(const volatile void*, size_t size) {
    if (!g_watching.load(std::memory_order_relaxed))
        return;
    const long long live = g_live.fetch_add(static_cast<long long>(size)) + size;
    long long peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
}

void OnFree(const volatile void* pointer) {
    if (!g_watching.load(std::memory_order_relaxed) || pointer == nullptr)
        return;
    // Blocks made before the watch began are freed too; the live count may
    // go below zero, which only makes the peak harder to reach.
    g_live.fetch_sub(
        static_cast<long long>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer))));
}

bool InstallHooks() {
    return __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
}

} // namespace

CAllocationWatch::CAllocationWatch(size_t inputSize, size_t bytesPerInputByte, size_t slack)
    : m_limit(inputSize * bytesPerInputByte + slack) {
    static const bool installed = InstallHooks();
    (void)installed;
    g_live = 0;
    g_peak = 0;
    g_watching = true;
}

CAllocationWatch::~CAllocationWatch() {
    g_watching = false;
    const long long peak = g_peak.load();
    if (peak > static_cast<long long>(m_limit)) {
        std::fprintf(stderr, "==fuzz== held %lld bytes at the peak, more than the limit of %zu\n",
                     peak, m_limit);
        std::abort();
    }
}

void FuzzFailure(const char* what) {
    std::fprintf(stderr, "==fuzz== property does not hold: %s\n", what);
    std::abort();
}

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pelvaro-fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
