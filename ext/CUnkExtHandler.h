// The link to the external extension module: a shared library named by the
// configuration value "ExtHandler" (HKEY_LOCAL_MACHINE, empty when absent) that
// converts request attributes the library has no handler for into certificate
// extensions. Its one export and call protocol are in <tavrpki/ExtHandler.h>.
#pragma once

#include "asn1/Blob.h"
#include "asn1/String.h"
#include "platform/SharedLibrary.h"
#include "tavrpki/ExtHandler.h"

namespace tavrpki {

class CUnkExtHandler {
 public:
  CUnkExtHandler() = default;
  // Unloads the module when one is loaded.
  ~CUnkExtHandler() = default;
  CUnkExtHandler(const CUnkExtHandler&) = delete;
  CUnkExtHandler& operator=(const CUnkExtHandler&) = delete;

  // Reads "ExtHandler"; false when it is empty. Otherwise unloads any module
  // loaded before, loads the one named and looks up "ConvertExt"; true only when
  // both succeed. Never throws: a failure shows in Convert as 280001.
  bool Load();
  bool IsLoaded() const { return m_convert != nullptr; }

  // The module's output for `input` (an attribute's complete DER) under `oid`.
  // 280001 when no module is loaded, 280002 for an empty OID or input, 280000
  // when the module does not handle the OID, 280003 with the module's code for
  // any other failure. The module is asked for the length first, then for the data.
  Blob Convert(const String& oid, ByteView input) const;

 private:
  platform::SharedLibrary m_module;
  TavrpkiConvertExtFunction m_convert = nullptr;
};

}  // namespace tavrpki
