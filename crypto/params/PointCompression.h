// Compression of the base point of explicit parameters, through the DSTU 4145
// engine of the core (a named curve's own base point is answered from the table).
//
// Compressed points are m-bit stored numbers, ceil(m/8) bytes, least significant
// first. Engine failures become code 40003 with the engine's code.
#pragma once

#include "asn1/Blob.h"
#include "crypto/objects/CAsymmetric4145Params.h"

namespace tavrpki {

// The compressed form of `params.p` on the curve of `params`.
Blob CompressBasePoint(const CAsymmetric4145Params& params);

// The point with compressed form `compressed` on the curve of `params` (m, the
// polynomial, A, B and n are used; the base point of `params` is not).
CBasePoint DecompressBasePoint(const CAsymmetric4145Params& params, ByteView compressed);

}  // namespace tavrpki
