// The few fields of a certificate or a revocation list that the store keeps in
// indexed columns, read from the DER by a small bounded reader of the store's
// own (the store is built against the library's installed headers alone, and
// those offer no name or date fields).
//
// The reader is a cursor over the caller's bytes that checks every length
// against what is left before it touches anything, reads at most four length
// octets and never recurses on input: its cost is linear in the input and its
// stack use fixed. It reads only the fields below and does not judge the rest
// (signatures, extension values other than the three it needs); the library does
// that when it loads an item.
//
// Failures throw `FieldError` with a short English reason; nothing is kept.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrpki::sqlitestore {

struct FieldError {
  const char* reason;
};

enum class ItemKind { kCertificate = 1, kCrl = 2 };

struct ItemFields {
  ItemKind kind = ItemKind::kCertificate;
  // Both kinds: the complete DER of the issuer Name.
  std::vector<std::uint8_t> issuer;
  // Certificates: the complete DER of the subject Name, the serial INTEGER's
  // content octets as encoded, the subject key identifier's octets.
  std::vector<std::uint8_t> subject;
  std::vector<std::uint8_t> serial;
  bool hasKeyId = false;
  std::vector<std::uint8_t> keyId;
  // Lists: the CRL number's content octets ("2.5.29.20"), thisUpdate as
  // "YYYYMMDDHHMMSSZ" (so that texts sort as times), the delta indicator
  // ("2.5.29.27") with its base number's content octets.
  bool hasNumber = false;
  std::vector<std::uint8_t> number;
  std::string thisUpdate;
  bool delta = false;
  std::vector<std::uint8_t> baseNumber;
};

// Reads a certificate or a revocation list; which one it is follows from the
// shape of the body. The input must be exactly one element.
ItemFields ReadItemFields(std::span<const std::uint8_t> der);

}  // namespace tavrpki::sqlitestore
