// The request attributes the tool writes from its options: key usage by RFC 5280
// names, extended key usage by OIDs, each in the attribute form the library's
// handlers read (the value as text: two hexadecimal digits of the usage octet;
// "|oid||oid|" for the purposes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrpki::tool {

// "digitalSignature,keyCertSign" -> 0x84. An unknown name is a UsageError.
std::uint8_t ParseKeyUsage(const std::string& list);
std::vector<std::uint8_t> KeyUsageAttribute(std::uint8_t usage);
// "1.3.6.1.5.5.7.3.2,1.2.804.2.1.1.1.3.9"; anything but dotted numbers is a UsageError.
std::vector<std::uint8_t> ExtendedKeyUsageAttribute(const std::string& list);

}  // namespace tavrpki::tool
