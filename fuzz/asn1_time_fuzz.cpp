// UTCTime and GeneralizedTime elements, and calendar arithmetic on what they give.
// The first byte picks the type. A time read from text is written back to text
// that reads as the same time (UTCTime within the years its two digits name).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "asn1/ASN1UTCTime.h"
#include "core/Exception.h"

namespace {

using namespace tavrpki;

void Arithmetic(DateTime time, ByteView rest) {
  if (rest.size() < 6) return;
  const auto small = [&](std::size_t i) { return static_cast<int>(static_cast<std::int8_t>(rest[i])); };
  time.AddOffset(small(0), small(1));
  time.AddPeriod(small(2), small(3), small(4) * 256 + rest[5]);
}

bool ValidCalendar(const DateTime& t) {
  return t.Month() >= 1 && t.Month() <= 12 && t.Day() >= 1 && t.Day() <= 28 && t.Hour() < 24 && t.Minute() < 60 &&
         t.Second() < 60;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const ByteView in(data + 1, size - 1);
  try {
    if (data[0] & 1) {
      ASN1UTCTime time;
      time.Decode(in);
      const DateTime t = time.GetTime();
      if (ValidCalendar(t) && t.Year() > 1950 && t.Year() < 2049 && !ASN1UTCTime(t).GetTime().Equal(t)) std::abort();
      Arithmetic(t, in.subspan(in.size() > 6 ? in.size() - 6 : 0));
    } else {
      ASN1GeneralizedTime time;
      time.Decode(in);
      const DateTime t = time.GetTime();
      if (ValidCalendar(t) && t.Year() >= 1601 && !ASN1GeneralizedTime(t).GetTime().Equal(t)) std::abort();
      Arithmetic(t, in.subspan(in.size() > 6 ? in.size() - 6 : 0));
    }
  } catch (const Exception&) {
  }
  return 0;
}
