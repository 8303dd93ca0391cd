#include "catalogue/access_scheme.h"

namespace {

using S = TAccessScheme;
using U = TTransferUnit;
using W = TWriteAccess;
using P = TSocketPlace;

// clang-format off
constexpr TAccessSchemeInfo kSchemes[] = {
//   Type  Scheme        Name                   Address  Org    Read     Write    Write access     PageSize Org    Place
    {1,    S::Address16, "two-byte addresses",   2,      false, U::Block, U::Page, W::None,         true,    false, P::Left},
    {2,    S::Address24, "three-byte addresses", 3,      false, U::Block, U::Page, W::Open,         true,    false, P::Left},
    {3,    S::Microwire, "Microwire units",      2,      true,  U::Unit,  U::Unit, W::OpenAndClose, false,   true,  P::Right},
};

// A type of no family the programmer speaks: read like type 1, written not at all.
constexpr TAccessSchemeInfo kUnknown =
    {0,    S::Unknown,   "unknown",              2,      false, U::Block, U::None, W::None,         false,   false, P::Right};
// clang-format on

}  // namespace

std::span<const TAccessSchemeInfo> AccessSchemes() { return kSchemes; }

const TAccessSchemeInfo& AccessSchemeOf(int32_t type) {
  for (const TAccessSchemeInfo& s : kSchemes)
    if (s.Type == type) return s;
  return kUnknown;
}

bool KnownChipType(int32_t type) { return AccessSchemeOf(type).Scheme != TAccessScheme::Unknown; }
