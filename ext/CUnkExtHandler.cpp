#include "ext/CUnkExtHandler.h"

#include <string>

#include "core/Catalogue.h"
#include "core/RegistryHandler.h"

namespace tavrpki {
namespace {

constexpr const char* kModuleValue = "ExtHandler";

}  // namespace

bool CUnkExtHandler::Load() {
  const std::string path = RegistryHandler::ReadString(false, kModuleValue, "");
  if (path.empty()) return false;
  m_convert = nullptr;
  m_module.Unload();
  if (!m_module.Load(path)) return false;
  void* address = m_module.Symbol(TAVRPKI_EXT_EXPORT_NAME);
  if (address == nullptr) {
    m_module.Unload();
    return false;
  }
  m_convert = reinterpret_cast<TavrpkiConvertExtFunction>(address);
  return true;
}

Blob CUnkExtHandler::Convert(const String& oid, ByteView input) const {
  if (m_convert == nullptr) Raise(kMsgExtModuleNotLoaded);
  if (oid.Length() == 0 || input.empty()) Raise(kMsgExtModuleBadParameters);
  // The module takes a 32-bit length; nothing this large is an attribute.
  if (input.size() > UINT32_MAX) Raise(kMsgExtModuleBadParameters);
  const auto inLength = static_cast<std::uint32_t>(input.size());

  std::uint32_t length = 0;
  std::int32_t result = m_convert(oid.CStr(), input.data(), inLength, nullptr, &length);
  if (result == TAVRPKI_EXT_UNSUPPORTED) Raise(kMsgExtModuleUnsupportedExtension, oid.CStr());
  if (result != TAVRPKI_EXT_OK) Raise(kMsgExtModuleError, static_cast<int>(result));

  Blob output;
  output.Resize(length);
  std::uint32_t written = length;
  result = m_convert(oid.CStr(), input.data(), inLength, output.Data(), &written);
  if (result != TAVRPKI_EXT_OK) Raise(kMsgExtModuleError, static_cast<int>(result));
  // The output is what the module says it wrote, never more than the room it had.
  if (written < length) output.Grow(written);
  return output;
}

}  // namespace tavrpki
