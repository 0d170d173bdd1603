// Decoders not written yet report every file of their kind as unsupported.
#include "picture/decoders.h"

namespace icogen::picture::detail {
DecodeResult decodeBmp(Bytes, const DecodeOptions&) { return fail(Failure::Unsupported); }
DecodeResult decodeJpeg(Bytes, const DecodeOptions&) { return fail(Failure::Unsupported); }
DecodeResult decodePng(Bytes, const DecodeOptions&) { return fail(Failure::Unsupported); }
DecodeResult decodeGif(Bytes, const DecodeOptions&) { return fail(Failure::Unsupported); }
DecodeResult decodeIcoCur(Bytes, const DecodeOptions&, Kind) { return fail(Failure::Unsupported); }
DecodeResult decodePcx(Bytes, const DecodeOptions&) { return fail(Failure::Unsupported); }
}  // namespace icogen::picture::detail
