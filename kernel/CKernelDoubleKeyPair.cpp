#include "kernel/CKernelDoubleKeyPair.h"

#include <memory>

#include "core/CKernelUtils.h"
#include "gostcrypto/Wipe.h"
#include "crypto/objects/CKeyPair.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"
#include "kernel/KeyStorageAccess.h"

namespace Kernel {
namespace {

using tavrpki::Blob;
using tavrpki::CDoubleKeyPair;
using tavrpki::CKeyPair;

// The binary form of an object that may hold private keys. The objects write into
// a Blob; it is copied out at once and wiped, so the form lives on only in memory
// that is wiped when freed.
tavrpki::SecretVector SecretForm(const tavrpki::CBinaryData& object) {
  Blob blob;
  struct Wipe {
    Blob& blob;
    ~Wipe() { tavrpki::SecureWipe(blob.Data(), blob.Capacity()); }
  } wipe{blob};
  object.ToBinary(blob);
  return tavrpki::SecretVector(blob.begin(), blob.end());
}

tavrpki::ByteView View(const tavrpki::SecretVector& bytes) { return tavrpki::ByteView(bytes.data(), bytes.size()); }

enum class Material { kPublic, kPrivate };

// Key material out through the caller-buffer rule. Private material leaves only
// an exportable pair, and that test comes before the argument test.
void Export(const tavrpki::CBinaryData& object, Material material, bool exportable, unsigned char* out,
            unsigned long* length) {
  Boundary([&] {
    if (material == Material::kPrivate && !exportable) tavrpki::Raise(tavrpki::kMsgKeyNotExportable);
    RequireArgument(length != nullptr);
    const tavrpki::SecretVector form = SecretForm(object);
    tavrpki::CKernelUtils::CopyResult(View(form), out, length);
  });
}

// A Blob holds at most 4 GiB - 1: a longer buffer is refused, not cut short.
Blob In(const unsigned char* data, unsigned long length) {
  RequireArgument(length <= 0xFFFFFFFFu);
  return Blob(data, static_cast<std::uint32_t>(length));
}

}  // namespace

CKernelDoubleKeyPair::CKernelDoubleKeyPair(const CKernel& kernel, bool exportable)
    : CKernelHandleWrapper(kernel), m_keys(new CDoubleKeyPair), m_exportable(exportable) {}

CKernelDoubleKeyPair::CKernelDoubleKeyPair(const CKernel& kernel, void* const keys, bool exportable)
    : CKernelHandleWrapper(kernel), m_keys(nullptr), m_exportable(exportable) {
  m_keys = Boundary([&] {
    RequireArgument(keys != nullptr);
    return new CDoubleKeyPair(*static_cast<const CDoubleKeyPair*>(keys));
  });
}

CKernelDoubleKeyPair::CKernelDoubleKeyPair(const CKernelDoubleKeyPair& other)
    : CKernelHandleWrapper(other), m_keys(new CDoubleKeyPair(*other.m_keys)),
      m_exportable(other.m_exportable) {}

CKernelDoubleKeyPair::~CKernelDoubleKeyPair() { delete m_keys; }

CKernelDoubleKeyPair& CKernelDoubleKeyPair::operator=(const CKernelDoubleKeyPair& other) {
  if (this != &other) {
    auto copy = std::make_unique<CDoubleKeyPair>(*other.m_keys);
    delete m_keys;
    m_keys = copy.release();
    m_exportable = other.m_exportable;
  }
  return *this;
}

void* CKernelDoubleKeyPair::GetHandle() const { return m_keys; }

void CKernelDoubleKeyPair::SetHandle(void* const keys) {
  Boundary([&] {
    RequireArgument(keys != nullptr);
    const auto& source = *static_cast<const CDoubleKeyPair*>(keys);
    if (&source != m_keys) m_keys->SetPairs(source.GetSignPair(), source.GetCryptPair());
    m_exportable = false;
  });
}

void CKernelDoubleKeyPair::GetSignPublicKey(unsigned char* key, unsigned long* length) const {
  Export(m_keys->GetSignPair().GetPublicKey(), Material::kPublic, m_exportable, key, length);
}

void CKernelDoubleKeyPair::GetCryptPublicKey(unsigned char* key, unsigned long* length) const {
  Export(m_keys->GetCryptPair().GetPublicKey(), Material::kPublic, m_exportable, key, length);
}

void CKernelDoubleKeyPair::GetSignPrivateKey(unsigned char* key, unsigned long* length) const {
  Export(m_keys->GetSignPair().GetPrivateKey(), Material::kPrivate, m_exportable, key, length);
}

void CKernelDoubleKeyPair::GetCryptPrivateKey(unsigned char* key, unsigned long* length) const {
  Export(m_keys->GetCryptPair().GetPrivateKey(), Material::kPrivate, m_exportable, key, length);
}

void CKernelDoubleKeyPair::GetKeysBuffer(unsigned char* buffer, unsigned long* length) const {
  Export(*m_keys, Material::kPrivate, m_exportable, buffer, length);
}

void CKernelDoubleKeyPair::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    if (!m_exportable) tavrpki::Raise(tavrpki::kMsgKeyMustBeExportable);
    RequireArgument(buffer != nullptr && length != 0);
    RequireArgument(length <= 0xFFFFFFFFu);
    m_keys->FromItems(tavrpki::ByteView(buffer, length));  // refuses without changing anything
  });
}

namespace {

// Replaces one part of one pair: `change` edits a copy, and both pairs are
// stored together only when it succeeded.
template <class Change>
void ChangePair(CDoubleKeyPair& keys, bool signing, Change&& change) {
  CKeyPair sign = keys.GetSignPair();
  CKeyPair crypt = keys.GetCryptPair();
  change(signing ? sign : crypt);
  keys.SetPairs(sign, crypt);
}

template <class Change>
void ExportableChange(bool exportable, CDoubleKeyPair& keys, bool signing, Change&& change) {
  Boundary([&] {
    if (!exportable) tavrpki::Raise(tavrpki::kMsgKeyMustBeExportable);
    ChangePair(keys, signing, change);
  });
}

void SetPublic(CKeyPair& pair, const unsigned char* key, unsigned long length) {
  RequireArgument(key != nullptr && length != 0);
  tavrpki::CPublicKey value;
  value.FromBinary(In(key, length));
  pair.SetPublicKey(value);
}

void SetPrivate(CKeyPair& pair, const unsigned char* key, unsigned long length) {
  RequireArgument(key != nullptr && length != 0);
  RequireArgument(length <= 0xFFFFFFFFu);
  tavrpki::CPrivateKey value;
  value.FromItems(tavrpki::ByteView(key, length));
  pair.SetPrivateKey(value);
}

}  // namespace

void CKernelDoubleKeyPair::SetSignPublicKey(const unsigned char* key, unsigned long length) {
  ExportableChange(m_exportable, *m_keys, true, [&](CKeyPair& p) { SetPublic(p, key, length); });
}

void CKernelDoubleKeyPair::SetSignPrivateKey(const unsigned char* key, unsigned long length) {
  ExportableChange(m_exportable, *m_keys, true, [&](CKeyPair& p) { SetPrivate(p, key, length); });
}

void CKernelDoubleKeyPair::SetCryptPublicKey(const unsigned char* key, unsigned long length) {
  ExportableChange(m_exportable, *m_keys, false, [&](CKeyPair& p) { SetPublic(p, key, length); });
}

void CKernelDoubleKeyPair::SetCryptPrivateKey(const unsigned char* key, unsigned long length) {
  ExportableChange(m_exportable, *m_keys, false, [&](CKeyPair& p) { SetPrivate(p, key, length); });
}

void CKernelDoubleKeyPair::SetSignParams(const CKernelAsymmetricParams& params) {
  ExportableChange(m_exportable, *m_keys, true,
                   [&](CKeyPair& p) { p.SetParams(ParamsOf(params)); });
}

void CKernelDoubleKeyPair::SetCryptParams(const CKernelAsymmetricParams& params) {
  ExportableChange(m_exportable, *m_keys, false,
                   [&](CKeyPair& p) { p.SetParams(ParamsOf(params)); });
}

CKernelAsymmetricParams CKernelDoubleKeyPair::GetSignParams() const {
  auto params = m_keys->GetSignPair().GetParams();
  return CKernelAsymmetricParams(m_kernel, &params);
}

CKernelAsymmetricParams CKernelDoubleKeyPair::GetCryptParams() const {
  auto params = m_keys->GetCryptPair().GetParams();
  return CKernelAsymmetricParams(m_kernel, &params);
}

const unsigned char* CKernelDoubleKeyPair::GetHashSBox() const {
  const Blob& dke = m_keys->GetSignPair().GetParams().dke;
  return dke.IsEmpty() ? nullptr : dke.Data();
}

namespace {

// Hands the encoded pair to the manager: `save(manager, bytes)` after the window
// has been set. Exportable pairs never reach a storage.
template <class SaveCall>
void SaveThrough(const CKernel& kernel, bool exportable, const CDoubleKeyPair& keys, HWND__* window,
                 SaveCall&& save) {
  Boundary([&] {
    if (exportable) tavrpki::Raise(tavrpki::kMsgExportableKeyCannotBeSaved);
    tavrpki::KeyStorageManager& manager = KeyStorageOf(kernel);
    const tavrpki::SecretVector form = SecretForm(keys);
    manager.SetParentWindow(window);
    save(manager, View(form));
  });
}

}  // namespace

void CKernelDoubleKeyPair::Save(const char* keyName, const char* second, const char* third,
                                HWND__* const window) const {
  SaveThrough(m_kernel, m_exportable, *m_keys, window,
              [&](tavrpki::KeyStorageManager& manager, tavrpki::ByteView bytes) {
                manager.SaveKeyWithText(keyName, third, second, bytes.data(), static_cast<unsigned long>(bytes.size()), 0);
              });
}

void CKernelDoubleKeyPair::Save(const char* keyName, const char* second,
                                HWND__* const window) const {
  SaveThrough(m_kernel, m_exportable, *m_keys, window,
              [&](tavrpki::KeyStorageManager& manager, tavrpki::ByteView bytes) {
                manager.SaveKey(keyName, second, bytes.data(), static_cast<unsigned long>(bytes.size()), 0);
              });
}

namespace {

bool IsText(const char* text) { return text != nullptr && text[0] != 0; }

// Asks the manager for the size, then for the bytes, and decodes them; `load`
// is the manager call with (manager, buffer, length). The held keys change only
// when all of that succeeded.
template <class LoadCall>
void LoadThrough(const CKernel& kernel, bool exportable, bool argumentsGiven, CDoubleKeyPair& keys,
                 HWND__* window, const char* keyName, LoadCall&& load) {
  Boundary([&] {
    if (exportable) tavrpki::Raise(tavrpki::kMsgKeyMustBeExportable);
    RequireArgument(argumentsGiven);
    tavrpki::KeyStorageManager& manager = KeyStorageOf(kernel);
    manager.SetParentWindow(window);
    unsigned long length = 0;
    load(manager, nullptr, &length);
    tavrpki::SecretVector bytes(length);
    load(manager, bytes.data(), &length);
    if (length > bytes.size()) length = static_cast<unsigned long>(bytes.size());
    CDoubleKeyPair loaded;
    loaded.FromItems(tavrpki::ByteView(bytes.data(), length));
    keys.SetPairs(loaded.GetSignPair(), loaded.GetCryptPair());
    AuditKeyUse(kernel, kAuditKeyLoaded, keyName);
  });
}

}  // namespace

void CKernelDoubleKeyPair::Load(const char* keyName, const char* second, HWND__* const window) {
  LoadThrough(m_kernel, m_exportable, IsText(keyName) && IsText(second), *m_keys, window, keyName,
              [&](tavrpki::KeyStorageManager& manager, unsigned char* buffer, unsigned long* length) {
                manager.LoadKey(keyName, second, buffer, length, 0);
              });
}

void CKernelDoubleKeyPair::Load(const char* keyName, HWND__* const window) {
  LoadThrough(m_kernel, m_exportable, IsText(keyName), *m_keys, window, keyName,
              [&](tavrpki::KeyStorageManager& manager, unsigned char* buffer, unsigned long* length) {
                manager.LoadKeyInteractive(keyName, buffer, length, 0);
              });
}

}  // namespace Kernel
