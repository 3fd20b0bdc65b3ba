#include "tests/crl/Support.h"

namespace tavrpki::test {

std::string Reads(const ASN1CrlEntry& entry) {
  std::string text = H(entry.UserCertificate().Bytes()) + " " + Show(entry.RevocationDate()) + " r" +
                     std::to_string(entry.ReasonCode());
  std::string oids;
  for (const ASN1CertExtension& extension : entry.Extensions())
    oids += (oids.empty() ? "" : ",") + std::string(extension.OidText().CStr());
  return oids.empty() ? text : text + " +" + oids;
}

std::string Reads(const ASN1TBSCertList& body) {
  std::string entries;
  const CrlEntryList& list = body.RevokedCertificates();
  for (std::uint32_t i = 0; i < list.Count(); ++i) entries += (i == 0 ? "" : "; ") + Reads(list.Get(i));
  return "version=" + std::to_string(body.Version()) + " number=" + H(body.CrlNumber().Bytes()) +
         " this=" + Show(body.ThisUpdate()) + " next=" + (body.NextUpdate().IsEmpty() ? "-" : Show(body.NextUpdate())) +
         " entries=[" + entries + "] extensions=" + Reads(body.CrlExtensions());
}

std::string Reads(const ASN1CRL& list) {
  return Reads(list.TBSCertList()) + " algorithm=" + list.SignatureAlgorithm().TypeText().CStr() +
         " signature=" + H(list.GetSignature());
}

namespace {

template <typename T>
Decoded Through(ByteView der) {
  T value;
  value.Decode(der);
  Blob out;
  value.Encode(out);
  return {Reads(value), H(out)};
}

}  // namespace

Decoded DecodeCrlAs(const std::string& type, ByteView der) {
  if (type == "CRL") return Through<ASN1CRL>(der);
  if (type == "TBSCertList") return Through<ASN1TBSCertList>(der);
  if (type == "CrlEntry") return Through<ASN1CrlEntry>(der);
  ADD_FAILURE() << "no structure " << type;
  return {};
}

DateTime Utc(const std::string& text) {
  ASN1UTCTime time;
  time.SetText(text.c_str());
  return time.GetTime();
}

}  // namespace tavrpki::test
