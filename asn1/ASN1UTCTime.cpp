#include "asn1/ASN1UTCTime.h"

#include "asn1/CodecMessages.h"

namespace tavrpki {
namespace {

// Two decimal digits at `at`; anything else is not a time.
int Digits(ByteView text, std::size_t at) {
  const int high = text[at] - '0', low = text[at + 1] - '0';
  if (high < 0 || high > 9 || low < 0 || low > 9) Raise(kMsgBadTimeLength);
  return high * 10 + low;
}

void CheckReal(const SYSTEMTIME& time) {
  if (!DateTime::IsValid(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond))
    Raise(kMsgImpossibleTime);
}

}  // namespace

void ASN1UTCTime::SetTime(const DateTime& time) {
  int yy = time.Year() < 2001 ? time.Year() - 1900 : time.Year() - 2000;
  if (yy > 99 || yy < 0) yy = 0;
  const String text = String::Formatted("%02d%02d%02d%02d%02d%02dZ", yy, time.Month(), time.Day(),
                                        time.Hour(), time.Minute(), time.Second());
  SetText(text.CStr());
}

DateTime ASN1UTCTime::GetTime() const {
  const ByteView text = View();
  if (text.size() < 11) Raise(kMsgBadTimeLength);
  const int yy = Digits(text, 0);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(yy >= 50 ? 1900 + yy : 2000 + yy);
  time.wMonth = static_cast<WORD>(Digits(text, 2));
  time.wDay = static_cast<WORD>(Digits(text, 4));
  time.wHour = static_cast<WORD>(Digits(text, 6));
  time.wMinute = static_cast<WORD>(Digits(text, 8));
  std::size_t offsetAt = 0;
  if (text[10] == 'Z') {
  } else if (text[10] == '+') {
    offsetAt = 11;
  } else {
    if (text.size() < 13) Raise(kMsgBadTimeLength);
    time.wSecond = static_cast<WORD>(Digits(text, 10));
    if (text[12] == '+')
      offsetAt = 13;
    else if (text[12] != 'Z')
      Raise(kMsgBadTimeLength);
  }
  CheckReal(time);
  DateTime result(time);
  if (offsetAt != 0) {
    if (text.size() < offsetAt + 4) Raise(kMsgBadTimeLength);
    const int hours = Digits(text, offsetAt), minutes = Digits(text, offsetAt + 2);
    if (hours > 23 || minutes > 59) Raise(kMsgImpossibleTime);
    // The text is local time at +hhmm east of UTC.
    result.AddOffset(-hours, -minutes);
  }
  return result;
}

void ASN1GeneralizedTime::SetTime(const DateTime& time) {
  const String text = String::Formatted("%04d%02d%02d%02d%02d%02dZ", time.Year(), time.Month(), time.Day(),
                                        time.Hour(), time.Minute(), time.Second());
  SetText(text.CStr());
}

DateTime ASN1GeneralizedTime::GetTime() const {
  const ByteView text = View();
  // YYYYMMDDHHMMSS and one character, or with fractional seconds (time-stamp
  // tokens carry them): YYYYMMDDHHMMSS.f...Z, milliseconds from the first three.
  std::size_t fraction = 0;
  if (text.size() > 16 && (text[14] == '.' || text[14] == ',') && text.back() == 'Z') {
    fraction = text.size() - 16;
    for (std::size_t i = 15; i < 15 + fraction; ++i)
      if (text[i] < '0' || text[i] > '9') Raise(kMsgBadTimeLength);
  } else if (text.size() != 15) {
    Raise(kMsgBadTimeLength);
  }
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(Digits(text, 0) * 100 + Digits(text, 2));
  time.wMonth = static_cast<WORD>(Digits(text, 4));
  time.wDay = static_cast<WORD>(Digits(text, 6));
  time.wHour = static_cast<WORD>(Digits(text, 8));
  time.wMinute = static_cast<WORD>(Digits(text, 10));
  time.wSecond = static_cast<WORD>(Digits(text, 12));
  unsigned milliseconds = 0;
  for (std::size_t i = 0; i < 3; ++i)
    milliseconds = milliseconds * 10 + (i < fraction ? static_cast<unsigned>(text[15 + i] - '0') : 0);
  time.wMilliseconds = static_cast<WORD>(milliseconds);
  CheckReal(time);
  return DateTime(time);
}

}  // namespace tavrpki
