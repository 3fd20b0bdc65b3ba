// tavrpki serve tsa: an RFC 3161 time-stamp authority over HTTP.
//   serve tsa --cert FILE --key NAME [--policy OID] [--listen ADDR:PORT]
//             [--storage DIR] [--password-file FILE] [--state FILE] [--always-include-cert]
// The key's password is read once, at start, as `tavrpki key` reads it. Requests
// are POSTs of application/timestamp-query at "/" and at "/TSPRequest.ashx".
// Serial numbers are kept in --state (default: tsa-serial beside the user's
// certificate store, $XDG_DATA_HOME/tavr-pki). SIGINT or SIGTERM stop it.
#include <cstdio>
#include <filesystem>
#include <string>

#include <tavrpki/SqliteCertStore.h>

#include "Command.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "kernel/GetKernelInstance.h"
#include "tsa/TimeStampAuthority.h"
#include "tsa/TsaHttp.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kDefaultListen = "127.0.0.1:3161";

std::string DefaultStatePath() {
  const std::filesystem::path store(SqliteCertStore::DefaultPath());
  std::filesystem::create_directories(store.parent_path());
  return (store.parent_path() / "tsa-serial").string();
}

int ServeTsa(const Args& args) {
  const Options options(args, {"cert", "key", "policy", "listen", "storage", "password-file", "state"},
                        {"always-include-cert"});
  if (!options.Positional().empty()) throw UsageError{"serve tsa takes no FILE"};
  const std::string listen = options.Value("listen").value_or(kDefaultListen);

  const KeyStorageDefault storageDefault;
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  const std::vector<std::uint8_t> certificate = ReadDerFile(options.Required("cert"));
  const Kernel::CKernelDoubleKeyPair keys = LoadKeyPair(kernel, options, options.Required("key"));

  servers::TsaSettings settings;
  if (const auto policy = options.Value("policy")) settings.policy = *policy;
  settings.statePath = options.Value("state").value_or(DefaultStatePath());
  settings.alwaysIncludeCertificate = options.Flag("always-include-cert");
  servers::TimeStampAuthority authority(kernel, certificate, keys, settings);
  servers::HttpServer server(servers::TsaHandler(authority), {.listen = listen});
  server.RunUntilSignal([&] {
    std::printf("tsa: listening on %s, policy %s, serials in %s\n", server.Url().c_str(), settings.policy.c_str(),
                settings.statePath.c_str());
    std::fflush(stdout);
  });
  std::puts("tsa: stopped");
  return 0;
}

const ServeRegistration kServeTsa{
    "tsa",
    "--cert FILE --key NAME [--policy OID] [--listen ADDR:PORT] [--storage DIR] [--password-file FILE] "
    "[--state FILE] [--always-include-cert]",
    "an RFC 3161 time-stamp authority", &ServeTsa};

}  // namespace
}  // namespace tavrpki::tool
