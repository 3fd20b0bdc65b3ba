// The library's own object identifiers, formed from the configured root.
//
// `BuildOidTable()` reads "RootOID" from HKEY_LOCAL_MACHINE (empty when absent)
// and publishes root.1 ... root.9 (there is no root.7). Every GetKernelInstance()
// rebuilds it; readers on other threads see either the old table or the new one,
// never a mixture. Before the first build each getter throws 160000.
#pragma once

#include <string>

namespace tavrpki {

void BuildOidTable();

std::string GetOidRoot();   // the configured root itself
std::string GetOidRoot1();  // key-agreement public key extension (PKICryptPublicKey)
std::string GetOidRoot2();  // certificate template name (PKITemplateName)
std::string GetOidRoot3();  // user permissions (PKIPermissions)
std::string GetOidRoot4();  // object name (PKIObjectName)
std::string GetOidRoot5();  // key container name (PKIKeyContainerName)
std::string GetOidRoot6();  // random and encryption S-boxes (PKIRndCryptDKE)
std::string GetOidRoot8();  // validity period (PKIDateTime)
std::string GetOidRoot9();  // all parameters (PKIAllParams)

}  // namespace tavrpki
