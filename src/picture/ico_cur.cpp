// Not written yet: every file of this kind is reported as unsupported.
#include "picture/decoders.h"

namespace icogen::picture::detail {
DecodeResult decodeIcoCur(Bytes, const DecodeOptions&, Kind) { return fail(Failure::Unsupported); }
}  // namespace icogen::picture::detail
