// Collection of seed material for the random generator.
#pragma once

namespace gostcrypto {

inline constexpr unsigned long kEntropyBufferSize = 1024;

// Fills out[0..1024) with fresh seed material: 64 bytes (512 bits) of the
// operating system's generator (getrandom) at the start, drawn through a
// process-wide pool that is keyed from getrandom and rebuilt from it after 1024
// draws, after a second and in a child after fork() (EntropyCollect.cpp gives
// the argument), and in each 64-byte stretch a sample of the cycle counter (and
// once the monotonic clock); the rest is zero. RndEngine condenses the buffer to
// a 256-bit key, so more system bytes would add cost, not strength. When the
// operating system has none to give the buffer still holds the timer samples and
// the result is non-zero. Safe to call from several threads at once.
//   a         optional 128 bytes of caller data mixed in (null: none);
//   c         optional 32 bytes of caller data mixed in (null: none);
//   reserved1, reserved2: must be zero.
// Returns 0 on success, 1 when the operating system generator failed, 2 for bad
// arguments (null out, non-zero reserved).
int TAVRCLCRNGEntropyDataCollect(unsigned char* out, const unsigned char* a, const unsigned char* c,
                                 unsigned long reserved1, unsigned long reserved2);

}  // namespace gostcrypto
