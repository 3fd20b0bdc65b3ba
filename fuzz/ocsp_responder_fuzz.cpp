// The OCSP responder's request path, from what arrives over HTTP to the signed
// answer: the first byte chooses GET (the rest is the URL path, read for its
// Base64 request after any prefix and escapes) or POST (the rest is the body).
// Beyond the request decoder's own target this drives the path reading, the
// status lookups in a real store with whatever serial and issuer hash a request
// names, and the answer's writing, which echoes the request's CertIDs and nonce
// as they were read. The answer must be a response the OCSP decoder reads back
// with the responder's statuses, and a request that is not one must get
// malformedRequest: never a crash, a leak or a thrown exception.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "LoopbackPki.h"
#include "OcspHttp.h"
#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "kernel/GetKernelInstance.h"
#include "tests/support/QuietConfiguration.h"

namespace {

// No audit log: a line per signature would fill the disk, not find bugs.
const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-ocsp-responder-fuzz.reg");

struct Setup {
  std::string path = (std::filesystem::temp_directory_path() / "tavrpki-ocsp-responder-fuzz.db").string();
  tavrpki::servers::LoopbackPki pki{Kernel::GetKernelInstance()};
  std::unique_ptr<tavrpki::SqliteCertStore> store;
  std::unique_ptr<tavrpki::servers::StoreStatusSource> source;
  std::unique_ptr<tavrpki::servers::OcspResponder> responder;

  Setup() {
    std::filesystem::remove(path);
    store = std::make_unique<tavrpki::SqliteCertStore>(path);
    pki.AddTo(*store);
    const auto ca = tavrpki::servers::LoopbackPki::Der(pki.ca);
    source = std::make_unique<tavrpki::servers::StoreStatusSource>(*store, ca);
    responder = std::make_unique<tavrpki::servers::OcspResponder>(
        pki.kernel, ca, tavrpki::servers::LoopbackPki::Der(pki.responder), pki.responderKeys, *source);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  if (size == 0) return 0;
  tavrpki::servers::HttpRequest request;
  request.method = (data[0] & 1) == 0 ? "GET" : "POST";
  if (request.method == "GET") {
    request.path.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  } else {
    request.path = "/";
    request.body.assign(data + 1, data + size);
  }
  const tavrpki::servers::HttpReply answer = tavrpki::servers::AnswerOcspHttp(*setup.responder, request);
  tavrpki::ASN1OCSPResponse response;
  response.Decode(tavrpki::ByteView(answer.body.data(), answer.body.size()));  // throws: a bug
  const std::uint8_t status = response.ResponseStatus();
  if (status != tavrpki::kOcspSuccessful && status != tavrpki::kOcspMalformedRequest) std::abort();
  if (status == tavrpki::kOcspSuccessful && response.TBSResponse().Responses().empty()) std::abort();
  return 0;
}
