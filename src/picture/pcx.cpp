// Not written yet: every file of this kind is reported as unsupported.
#include "picture/decoders.h"

namespace icogen::picture::detail {
DecodeResult decodePcx(Bytes, const DecodeOptions&) { return fail(Failure::Unsupported); }
}  // namespace icogen::picture::detail
