// An extension module for the tests whose answers are chosen by the OID it is
// asked about, so that every branch of the library's side of the protocol can be
// reached. Built once with the export and once (NO_EXPORT) without it.
#include <tavrpki/ExtHandler.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint8_t kNull[] = {0x30, 0x02, 0x05, 0x00};

std::int32_t Answer(const char* oid, uint8_t* out, uint32_t* outLength) {
  const bool second = out != nullptr;
  if (std::strcmp(oid, "1.1") == 0) return 7;                   // fails at once
  if (std::strcmp(oid, "1.6") == 0) return -5;                  // a negative code
  if (std::strcmp(oid, "1.2") == 0) {                           // fails on the second call
    if (second) return 9;
    *outLength = 3;
    return 0;
  }
  if (std::strcmp(oid, "1.3") == 0) {                           // asks for more than it writes
    if (!second) {
      *outLength = 10;
      return 0;
    }
    std::memcpy(out, kNull, sizeof kNull);
    *outLength = sizeof kNull;
    return 0;
  }
  return TAVRPKI_EXT_UNSUPPORTED;
}

}  // namespace

#ifndef NO_EXPORT
TAVRPKI_EXT_EXPORT int32_t TAVRPKI_EXT_CALL ConvertExt(const char* oid, const uint8_t*, uint32_t, uint8_t* out,
                                                       uint32_t* outLength) {
  return Answer(oid, out, outLength);
}
#else
TAVRPKI_EXT_EXPORT int32_t TAVRPKI_EXT_CALL ConvertExtension(const char* oid, const uint8_t*, uint32_t,
                                                             uint8_t* out, uint32_t* outLength) {
  return Answer(oid, out, outLength);
}
#endif
