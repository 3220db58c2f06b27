#pragma once

// The PDF writer compresses each page through two buffers of 16 MiB (a
// block of 10 MB rounded up), of which it touches a few kilobytes, and a
// compressor of some 270 KB, all freed again at once. Blocks that large
// would each be mapped from the system and unmapped again, every page,
// which took half of a long merge. Called first thing in main, before any
// thread starts: the C library then keeps such blocks in its heap, where the
// next page finds them.
void KeepPdfWriterBuffersInHeap();
