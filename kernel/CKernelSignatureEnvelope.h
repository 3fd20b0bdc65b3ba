// A CMS signed message (ContentInfo around SignedData) with DSTU 4145 signers.
//
// Signing: add the signer certificate and the signed signer info, then write the
// message whole (SetData, GetEnvelopeBuffer) or in three pieces, for data of any
// 64-bit size that is never held in memory: SetDataSize, GetEnvelopeHeader, the
// data bytes, GetEnvelopeFooter. Header, data and footer are byte for byte the
// message GetEnvelopeBuffer would write for the same data. With the
// external-signature flag set the data is left out of the message (detached).
//
// Verifying: InitFromBuffer, then GetSignerInfo(i) for a signer info bound to the
// signer's certificate found in the message.
//
// Every failure is a `Kernel::CKernelException` with the code of the catalogue.
#pragma once

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/CKernelSignerInfo.h"
#include <cstdint>

#include "platform/WinTypes.h"

namespace tavrpki {
class ASN1SignedData;
}

namespace Kernel {

class CKernelSignatureEnvelope : public CKernelHandleWrapper {
 public:
  // Version 1, digest algorithm GOST 34.311-95, content type "data", no data.
  explicit CKernelSignatureEnvelope(const CKernel& kernel);
  // A copy of the internal SignedData at `handle` (null: 100021).
  CKernelSignatureEnvelope(const CKernel& kernel, void* const handle);
  CKernelSignatureEnvelope(const CKernelSignatureEnvelope& other);
  void* GetHandle() const override;
  void SetHandle(void* const handle) override;
  virtual ~CKernelSignatureEnvelope();
  // Copies the message and the flag (not the data size); the kernel stays.
  virtual CKernelSignatureEnvelope& operator=(const CKernelSignatureEnvelope& other);

  // A DER ContentInfo of type signed-data (else 100021); the flag is set when it
  // carries no data.
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);

  // The type of the encapsulated content ("data" on construction). Any other
  // type, such as id-ct-TSTInfo of a time-stamp token, makes the message version
  // 3 as RFC 5652 requires (null: 100021).
  void SetContentType(const char* oid);

  void SetData(const unsigned char* data, unsigned long length);
  // Length 0 and nothing written when there is no data.
  void GetData(unsigned char* out, unsigned long* outLength);
  void ClearData();
  // The number of data bytes to be streamed between header and footer.
  void SetDataSize(std::uint64_t size);
  bool GetIsExternalSignatureFlag();
  void SetIsExternalSignatureFlag(bool external);

  void AddCertificate(const CKernelCertificate& cert);
  // The bytes are added as they are, unparsed.
  void AddCertificateFromBuffer(const unsigned char* buffer, unsigned long length);
  unsigned long GetCertCount() const;
  // 100049 for an index past the end or a certificate that does not load.
  CKernelCertificate GetCertificate(unsigned long index) const;

  void AddSignerInfo(const CKernelSignerInfo& signer);
  unsigned long GetSignerInfoCount() const;
  // 100049 for an index past the end or a signer whose certificate the message
  // does not carry.
  CKernelSignerInfo GetSignerInfo(unsigned long index) const;

  // The whole message (100051 when it cannot be written).
  void GetEnvelopeBuffer(unsigned char* out, unsigned long* outLength);
  // Everything before the data, for the data size set (100021 without certificates).
  void GetEnvelopeHeader(unsigned char* out, unsigned long* outLength);
  // Certificates, CRLs and signer infos (100021 without certificates).
  void GetEnvelopeFooter(unsigned char* out, unsigned long* outLength);

 private:
  tavrpki::ASN1SignedData* m_signedData;  // owned, never null
  bool m_external;
  std::uint64_t m_dataSize;  // unsigned __int64 on Windows
};

}  // namespace Kernel
