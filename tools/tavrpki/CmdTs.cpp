// tavrpki ts: RFC 3161 time stamps of a GOST 34.311-95 hash.
//   ts request --url URL (--hash HEX | --file FILE) [--append-path] [-o TOKEN]
//     Asks the server at URL to stamp the hash (of FILE, under DKE No. 1) and
//     prints the status and, when granted, genTime; -o writes the token. URL is
//     the full address unless --append-path, which posts to URL + "TSPRequest.ashx"
//     (the library's "TSPRequestPath"). Exit 0 granted, 1 refused, 2 unusable.
//   ts show TOKEN [--store FILE]
//     genTime, policy, serial, imprint and the authority's subject.
//   ts verify TOKEN (--hash HEX | --file FILE) [--store FILE]
//     "ok" (exit 0) or why not (exit 1). The authority's certificate is the
//     token's own, else the store's (--store FILE, else the user's store).
// Tokens may be DER, PEM or Base64.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "ConfigOverride.h"
#include "DkeOption.h"
#include "LibraryInput.h"
#include "Output.h"
#include "StoreAccess.h"
#include "TimeStampCheck.h"
#include "asn1/cms/SignedMessageText.h"
#include "asn1/tsp/TokenFacts.h"
#include "gostcrypto/HashEngine.h"
#include "kernel/CKernelTSP.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Room for any token: GetTSP is one exchange per call, so there is no asking for
// the length first.
constexpr std::size_t kTokenCapacity = 1 << 20;


// --hash HEX (32 bytes) or the GOST 34.311 hash of --file under DKE No. 1.
Bytes HashOption(const Options& options) {
  const auto hex = options.Value("hash");
  const auto file = options.Value("file");
  if (hex.has_value() == file.has_value()) throw UsageError{"give one of --hash HEX and --file FILE"};
  if (hex) {
    Bytes hash = ParseHex(*hex, "--hash");
    if (hash.size() != 32) throw UsageError{"--hash: give 32 bytes (64 hex digits)"};
    return hash;
  }
  const Bytes data = ReadInputFile(*file);
  gostcrypto::HashEngine engine(nullptr, nullptr);
  if (!data.empty()) engine.CalculateHash(data.data(), static_cast<unsigned long>(data.size()));
  Bytes hash(32);
  engine.Done(hash.data());
  return hash;
}

// The certificate that signed `token`: its own, else the store's; empty when neither holds it.
Bytes AuthorityCertificate(const Options& options, const Bytes& token, const tsp::TokenFacts& facts) {
  if (!facts.signerCertificate.empty()) return facts.signerCertificate;
  const auto store = OpenStore(options);
  CertQuery* query = store->CreateQuery();
  struct Found {
    std::vector<Bytes> certificates;
    static std::int32_t TAVRPKI_STORAGE_CALLBACK Keep(void* context, std::int64_t, const std::uint8_t* der,
                                                      std::uint32_t length) {
      static_cast<Found*>(context)->certificates.emplace_back(der, der + length);
      return 1;
    }
  } found;
  const Bytes serial = ParseHex(facts.signerSerial, "serial");
  query->AddCriterion(kCriterionSerialNumber, serial.data(), static_cast<std::uint32_t>(serial.size()));
  store->FindCertificates(query, &found, &Found::Keep);
  store->ReleaseQuery(query);
  for (const Bytes& cert : found.certificates)
    if (tsp::NamesTokenSigner(token, cert)) return cert;
  return {};
}

const char* StatusText(unsigned long status) {
  switch (status) {
    case 0: return "granted";
    case 1: return "granted with modifications";
    case 2: return "rejection";
    case 3: return "waiting";
    case 4: return "revocation warning";
    case 5: return "revocation notification";
    default: return "unknown";
  }
}

int Request(const Args& given) {
  Args args = given;
  for (std::string& a : args)
    if (a == "-o") a = "--output";
  const Options options(args, {"url", "hash", "file", "output"}, {"append-path"});
  if (!options.Positional().empty()) throw UsageError{"unexpected " + options.Positional()[0]};
  const std::string url = options.Required("url");
  Bytes hash = HashOption(options);
  // --url is the whole address; --append-path leaves the library's configured
  // path (by default "TSPRequest.ashx") to follow it.
  std::optional<ConfigOverride> wholeUrl;
  if (!options.Flag("append-path")) wholeUrl.emplace("TSPRequestPath", "");
  Bytes token(kTokenCapacity);
  unsigned long length = static_cast<unsigned long>(token.size());
  const unsigned long status = Kernel::CKernelTSP::GetTSP(url.c_str(), hash.data(), token.data(), &length);
  std::printf("status: %lu (%s)\n", status, StatusText(status));
  if (status > 1) return 1;
  if (length == token.size()) {  // left as it was: nothing written
    std::puts("the server granted the request but sent no token");
    return 1;
  }
  token.resize(length);
  _SYSTEMTIME time{};
  Kernel::CKernelTSP::GetTSPTokenTime(token.data(), length, &time);
  std::printf("genTime: %s\n", TimeStampTimeText(time).c_str());
  if (const auto out = options.Value("output")) {
    OutputFile output(*out);
    output.Write(token.data(), token.size());
    output.Commit();
  }
  return 0;
}

int Show(const Args& args) {
  const Options options(args, {"store"}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one TOKEN"};
  const Bytes token = ReadDerFile(options.Positional()[0]);
  (void)Kernel::GetKernelInstance();
  const tsp::TokenFacts facts = tsp::ReadTokenFacts(token);
  const tsp::TstInfo& info = facts.info;
  std::printf("genTime: %s\n", TimeStampTimeText(info.genTime).c_str());
  std::printf("policy: %s\n", info.policy.c_str());
  std::printf("serial: %s\n", ToUpperHex(info.serialNumber).c_str());
  std::printf("imprint: %s (%s)\n", ToUpperHex(info.messageImprint.hashedMessage).c_str(),
              info.messageImprint.hashAlgorithm.c_str());
  if (info.accuracy) {
    const auto part = [](const auto& value) { return value ? std::to_string(*value) : std::string("0"); };
    std::printf("accuracy: %s s %s ms %s us\n", part(info.accuracy->seconds).c_str(),
                part(info.accuracy->millis).c_str(), part(info.accuracy->micros).c_str());
  }
  if (!info.nonce.empty()) std::printf("nonce: %s\n", ToUpperHex(info.nonce).c_str());
  const Bytes cert = AuthorityCertificate(options, token, facts);
  if (!cert.empty())
    std::printf("TSA: %s\n", CertificateSubjectText(cert).c_str());
  else
    std::printf("TSA: certificate in neither the token nor the store; issuer %s serial %s\n",
                facts.signerIssuer.c_str(), facts.signerSerial.c_str());
  return 0;
}

int Verify(const Args& args) {
  const Options options(args, {"hash", "file", "store"}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one TOKEN"};
  const Bytes token = ReadDerFile(options.Positional()[0]);
  const Bytes hash = HashOption(options);
  const std::string verdict = TimeStampVerdict(options, token, hash);
  std::puts(verdict.c_str());
  return verdict == "ok" ? 0 : 1;
}

int Run(const Args& args) {
  return RunSubcommand(args, {{"request", &Request}, {"show", &Show}, {"verify", &Verify}});
}

const CommandRegistration kTs{
    "ts",
    "request --url URL (--hash HEX | --file FILE) [--append-path] [-o TOKEN] | show TOKEN [--store FILE]"
    " | verify TOKEN (--hash HEX | --file FILE) [--store FILE]",
    "RFC 3161 time stamps: ask a server, show and check tokens", &Run};

}  // namespace
}  // namespace tavrpki::tool
