#include "crypto/objects/CAsymmetric4145Params.h"

#include "asn1/CodecMessages.h"
#include "crypto/objects/CBinaryDataBuilder.h"

namespace tavrpki {
namespace {

// Users of the S-box read 128 bytes from it (the signing key's parameters lend
// theirs to the hash as a bare pointer), so a shorter non-empty one is refused.
constexpr std::size_t kDkeSize = 128;

}  // namespace

Blob& CAsymmetric4145Params::ToBinary(Blob& out) const {
  CBinaryDataBuilder items;
  for (const std::uint32_t value : {m, k, j, l, a}) items.AddU32(value);
  items.AddObject(b);
  items.AddObject(p);
  items.AddObject(n);
  items.AddItem(dke);
  return items.ToBinary(out);
}

void CAsymmetric4145Params::FromItems(ByteView in) {
  const BinaryItems items(in);
  CAsymmetric4145Params read;
  read.m = items.U32(0);
  read.k = items.U32(1);
  read.j = items.U32(2);
  read.l = items.U32(3);
  read.a = items.U32(4);
  read.b.FromItems(items.Item(5));
  read.p.FromItems(items.Item(6));
  read.n.FromItems(items.Item(7));
  const ByteView dke = items.Item(8);
  if (!dke.empty() && dke.size() < kDkeSize) Raise(kMsgBlobOutOfBuffer);
  read.dke.Assign(dke);
  *this = std::move(read);
}

bool operator==(const CAsymmetric4145Params& x, const CAsymmetric4145Params& y) {
  return x.m == y.m && x.k == y.k && x.j == y.j && x.l == y.l && x.a == y.a && x.b == y.b &&
         x.p == y.p && x.n == y.n && x.dke == y.dke &&
         std::string_view(x.curveOid.CStr()) == std::string_view(y.curveOid.CStr());
}

}  // namespace tavrpki
