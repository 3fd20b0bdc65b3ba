// The binary fields GF(2^m) of DSTU 4145-2002, in polynomial basis.
//
// Every field type F has the same shape, so curve code is a template over F:
//   F::kWords, F::Element (std::array of little-endian 64-bit words; bit i is the
//   coefficient of t^i; bits at and above m are always zero),
//   Degree, Words, Bytes, Add, Mul, Sqr, SqrN, Sqrt, Inv, Trace, HalfTrace,
//   SolveQuadraticVartime, IsZero, Equal, One, Select, CondSwap, FromBytesLE,
//   FromBytesTruncatedLE, ToBytesLE.
// Everything except SolveQuadraticVartime runs in time independent of the element
// values. Field objects are immutable, cheap to copy and safe to share between threads.
//
//   PolyField<CpuPath::kClmul, 257, 12>      t^257 + t^12 + 1, pclmul kernels
//   PolyField<CpuPath::kPortable, 163, 3, 6, 7>
//   GenericField(m, k1, k2, k3)              any m <= 576, chosen at run time
//
// Choose the path with ActiveFieldPath() once, when a curve is set up; a kClmul field
// may be used only where Supported(CpuPath::kClmul) (gostcrypto/CpuPath.h).
#pragma once

#include "FieldPath.h"
#include "GenericField.h"
#include "PolyField.h"
