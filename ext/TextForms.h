// The text forms that request attributes carry values in.
//
// List text (permissions, key purposes, policies, statements): each item as
// "|" + item + "|", one after another, so a and b give |a||b|. Reading splits at
// every "|" and keeps the non-empty pieces in order; text outside the bars is an
// item too, so ||a|||b| and a|b both read as a and b.
//
// Basic constraints: |TRUE||n| or |FALSE||n|. Reading is a list read: a first
// piece of exactly "TRUE" sets cA (any other first piece leaves it as it was), a
// second piece sets the path length from its decimal value.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/String.h"

namespace tavrpki {

String ListText(const std::vector<String>& items);
std::vector<String> ParseListText(const char* text);

String BasicConstraintsText(std::uint8_t cA, std::int32_t pathLenConstraint);
// Applies the text to the two fields. The path length is read as a C decimal
// conversion does: leading digits with an optional sign, 0 when there are none,
// clamped to the 32-bit range.
void ApplyBasicConstraintsText(const char* text, std::uint8_t& cA, std::int32_t& pathLenConstraint);

}  // namespace tavrpki
