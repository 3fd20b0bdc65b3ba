// tavrpki serve ocsp --ca-cert FILE --responder-cert FILE --responder-key NAME
//                    [--store FILE] [--listen ADDR:PORT] [--storage DIR] [--password-file FILE]
//   An OCSP responder for one CA (tools/servers/ocsp): GET and POST per RFC 6960,
//   statuses from the store (the CA's revocation records and lists, the
//   certificates it issued), answers signed with the responder key of the key
//   storage, whose password is read once, at start, as `tavrpki key` reads it.
//   Everything is checked before the port opens; then one line
//   "ocsp responder listening on http://HOST:PORT/" and answers until SIGINT or
//   SIGTERM (exit 0). The listen address defaults to 127.0.0.1:8080.
#include <cstdio>

#include "Command.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "OcspHttp.h"
#include "OcspResponder.h"
#include "StoreAccess.h"
#include "kernel/GetKernelInstance.h"
#include "servers/HttpServer.h"

namespace tavrpki::tool {
namespace {

int Run(const Args& args) {
  const KeyStorageDefault storageDefault;  // before the kernel, which loads the key storage
  const Options options(args,
                        {"ca-cert", "responder-cert", "responder-key", "store", "listen", "storage", "password-file"},
                        {});
  if (!options.Positional().empty()) throw UsageError{"unexpected argument '" + options.Positional()[0] + "'"};
  const std::vector<std::uint8_t> caDer = ReadDerFile(options.Required("ca-cert"));
  const std::vector<std::uint8_t> responderDer = ReadDerFile(options.Required("responder-cert"));
  const std::string keyName = options.Required("responder-key");
  const std::string listen = options.Value("listen").value_or("127.0.0.1:8080");

  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  const auto store = OpenStore(options);
  servers::StoreStatusSource statuses(*store, caDer);
  const Kernel::CKernelDoubleKeyPair keys = LoadKeyPair(kernel, options, keyName);
  const servers::OcspResponder responder(kernel, caDer, responderDer, keys, statuses);

  servers::HttpServer server(servers::OcspHandler(responder), {.listen = listen});
  server.RunUntilSignal([&] {
    std::printf("ocsp responder listening on %s\n", server.Url().c_str());
    std::fflush(stdout);
  });
  return 0;
}

const ServeRegistration kServeOcsp{"ocsp",
                                   "--ca-cert FILE --responder-cert FILE --responder-key NAME [--store FILE] "
                                   "[--listen ADDR:PORT] [--storage DIR] [--password-file FILE]",
                                   "answer OCSP requests for a CA from the store", &Run};

}  // namespace
}  // namespace tavrpki::tool
