// The OCSP responder served on loopback under load: 8 client threads, each with
// one kept-alive connection, 500 requests apiece, every tenth one junk, GET and
// POST alternating, as the load test sends them. Rate in responses per second of
// wall time (the server's pool and the clients share the machine, so CPU time of
// one thread says nothing here); the target is 3,000 or more on two cores.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackPki.h"
#include "OcspHttp.h"
#include "OcspResponder.h"
#include "kernel/GetKernelInstance.h"
#include "servers/HttpServer.h"
#include "net/HttpTransport.h"
#include "tests/ocsp_responder/Requests.h"
#include "tests/support/QuietConfiguration.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-ocsp-responder-bench.reg");
constexpr int kClients = 8;
constexpr int kRequestsPerClient = 500;

using tavrpki::servers::LoopbackPki;

struct Served {
  std::string path = (std::filesystem::temp_directory_path() / "tavrpki-ocsp-responder-bench.db").string();
  LoopbackPki pki{Kernel::GetKernelInstance()};
  std::unique_ptr<tavrpki::SqliteCertStore> store;
  std::unique_ptr<tavrpki::servers::StoreStatusSource> source;
  std::unique_ptr<tavrpki::servers::OcspResponder> responder;
  std::unique_ptr<tavrpki::servers::HttpServer> server;
  std::vector<std::vector<std::uint8_t>> requests;
  std::vector<std::string> getUrls;

  Served() {
    std::filesystem::remove(path);
    store = std::make_unique<tavrpki::SqliteCertStore>(path);
    pki.AddTo(*store);
    const auto ca = LoopbackPki::Der(pki.ca);
    source = std::make_unique<tavrpki::servers::StoreStatusSource>(*store, ca);
    responder = std::make_unique<tavrpki::servers::OcspResponder>(pki.kernel, ca, LoopbackPki::Der(pki.responder),
                                                                  pki.responderKeys, *source);
    server = std::make_unique<tavrpki::servers::HttpServer>(tavrpki::servers::OcspHandler(*responder));
    for (const auto* cert : {&pki.good, &pki.revoked, &pki.unissued}) {
      requests.push_back(tavrpki::test::RequestDer({tavrpki::test::CertIdOf(*cert)}));
      getUrls.push_back(server->Url() + "ocsp/" + tavrpki::net::OcspGetPath(tavrpki::ByteView(requests.back().data(), requests.back().size())));
    }
  }
};

void BM_Serve8Clients(benchmark::State& state) {
  static Served served;
  const std::vector<std::uint8_t> junk(200, 0x41);
  for (auto _ : state) {
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
      clients.emplace_back([&, c] {
        tavrpki::net::HttpTransport client(served.server->Url());
        for (int i = 0; i < kRequestsPerClient; ++i) {
          const int n = c * kRequestsPerClient + i;
          const std::size_t kind = static_cast<std::size_t>(n) % served.requests.size();
          const auto& body = n % 10 == 9 ? junk : served.requests[kind];
          const tavrpki::net::HttpResponse answer =
              n % 10 != 9 && n % 2 == 0
                  ? client.Get(served.getUrls[kind])
                  : client.Post(served.server->Url(), "application/ocsp-request",
                                tavrpki::ByteView(body.data(), body.size()));
          if (answer.contentType != "application/ocsp-response") std::abort();
        }
      });
    }
    for (std::thread& client : clients) client.join();
  }
  state.SetItemsProcessed(state.iterations() * kClients * kRequestsPerClient);
}
BENCHMARK(BM_Serve8Clients)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
