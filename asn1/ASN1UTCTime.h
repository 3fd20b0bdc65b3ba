// UTCTime (YYMMDDHHMMSSZ) and GeneralizedTime (YYYYMMDDHHMMSS[.fff]Z) elements.
// Both read and write as PrintableString does, with their own tag numbers.
#pragma once

#include "asn1/ASN1PrintableString.h"
#include "asn1/DateTime.h"

namespace tavrpki {

class ASN1UTCTime : public ASN1PrintableString {
 public:
  ASN1UTCTime() : ASN1PrintableString(23) {}
  explicit ASN1UTCTime(const DateTime& time) : ASN1UTCTime() { SetTime(time); }

  // Two-digit year: year − 1900 up to 2000, year − 2000 after, and 00 outside 0..99.
  void SetTime(const DateTime& time);
  // Reads YYMMDDHHMM[SS](Z|+hhmm); years 50-99 are 19xx, 00-49 are 20xx; a +hhmm
  // offset is subtracted to give UTC. A text too short for its form, without Z
  // or + after the time, or with a non-digit where a digit belongs throws
  // "Некоректна довжина der-кодування часу UTC"; digits that name no real moment
  // (1999-13-99, an offset beyond +2359) throw "Неможлива дата або час ...".
  DateTime GetTime() const;
};

class ASN1GeneralizedTime : public ASN1PrintableString {
 public:
  ASN1GeneralizedTime() : ASN1PrintableString(24) {}
  explicit ASN1GeneralizedTime(const DateTime& time) : ASN1GeneralizedTime() { SetTime(time); }

  void SetTime(const DateTime& time);
  // 15 characters YYYYMMDDHHMMSS plus one that is not checked, or with fractional
  // seconds YYYYMMDDHHMMSS.fff...Z (milliseconds kept); otherwise
  // "Некоректна довжина der-кодування часу UTC". Impossible dates as for UTCTime.
  DateTime GetTime() const;
};

}  // namespace tavrpki
