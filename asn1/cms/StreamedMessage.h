// Reading a signed message whose content is too large to hold: where the content
// octets sit, found from the message's first bytes, and the same message without
// them, built from the bytes before and after, for the signature envelope to read.
//
// Lengths here are 64-bit (up to eight length octets), as a streamed message of
// more than 4 GiB carries them. Public header: the tool uses it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavrpki {

struct ContentLocation {
  bool attached = false;      // false: the message carries no content
  std::uint64_t offset = 0;   // of the first content octet, from the message's start
  std::uint64_t length = 0;   // content octets
  std::uint64_t end = 0;      // the message's total length (header, content, footer)
};

// From the first bytes of a DER ContentInfo of type signed-data; `head` must
// reach past the content's OCTET STRING header (a few hundred bytes do). Throws
// 50051 for a ContentInfo, 50053 for a SignedData it cannot follow.
ContentLocation LocateContent(std::span<const std::uint8_t> head);

// The DER of the same message without its content: `head` is every byte before
// the content octets, `footer` every byte after them (certificates, CRLs, signer
// infos). Throws 50053 when they do not form a message.
std::vector<std::uint8_t> MessageWithoutContent(std::span<const std::uint8_t> head,
                                                std::span<const std::uint8_t> footer);

}  // namespace tavrpki
