#pragma once

#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets.

// Watches how much memory one input makes the code under test hold at its
// peak. A reader must never hold more than a small multiple of the bytes it
// was given, whatever counts and lengths those bytes claim.
class CAllocationWatch {
public:
    // Starts watching; the limit is bytesPerInputByte * size + slack.
    CAllocationWatch(size_t inputSize, size_t bytesPerInputByte, size_t slack);
    // Raises the limit by what the input rightly made the code hold, once
    // that is known.
    void Allow(size_t bytes) { m_limit += bytes; }
    // Aborts, naming the peak, when the limit was passed.
    ~CAllocationWatch();
    CAllocationWatch(const CAllocationWatch&) = delete;
    CAllocationWatch& operator=(const CAllocationWatch&) = delete;

private:
    size_t m_limit = 0;
};

// Stops the run with a message when a property of the code under test does
// not hold; libFuzzer keeps the input as a crash.
[[noreturn]] void FuzzFailure(const char* what);

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzFailure(#condition);                                                               \
    } while (false)

// A Qt GUI application on the offscreen platform, made once, for targets
// that need fonts or printers.
void EnsureGuiApplication();
