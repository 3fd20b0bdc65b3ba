// The responder served on loopback for a whole test program: the PKI's store, the
// status source, the responder and the HTTP server on a free port of 127.0.0.1,
// stopped when the program's cases are done.
#pragma once

#include "Fixture.h"
#include "OcspHttp.h"
#include "OcspResponder.h"
#include "servers/HttpServer.h"

namespace tavrpki::test {

class ResponderServerTest : public ResponderPkiTest {
 protected:
  static void SetUpTestSuite() {
    ResponderPkiTest::SetUpTestSuite();
    const std::string path = (s_sandbox->Root() / "served.db").string();
    s_store = std::make_unique<SqliteCertStore>(path);
    s_pki->AddTo(*s_store);
    s_source = std::make_unique<servers::StoreStatusSource>(*s_store, servers::LoopbackPki::Der(s_pki->ca));
    s_responder = std::make_unique<servers::OcspResponder>(s_pki->kernel, servers::LoopbackPki::Der(s_pki->ca),
                                                           servers::LoopbackPki::Der(s_pki->responder),
                                                           s_pki->responderKeys, *s_source);
    s_server = std::make_unique<servers::HttpServer>(servers::OcspHandler(*s_responder));
  }
  static void TearDownTestSuite() {
    s_server.reset();
    s_responder.reset();
    s_source.reset();
    s_store.reset();
    ResponderPkiTest::TearDownTestSuite();
  }

  // "http://127.0.0.1:PORT/"
  static std::string BaseUrl() { return s_server->Url(); }

  static inline std::unique_ptr<SqliteCertStore> s_store;
  static inline std::unique_ptr<servers::StoreStatusSource> s_source;
  static inline std::unique_ptr<servers::OcspResponder> s_responder;
  static inline std::unique_ptr<servers::HttpServer> s_server;
};

}  // namespace tavrpki::test
